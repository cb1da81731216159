/*
 * The demo kernel: what a boot hands over, shown on the machine's UART.
 *
 * The second-stage loader enters `start` at its physical address with the
 * MMU and caches off, IRQ and FIQ masked, r0 = argument count, r1 =
 * argument vector and r2 = BootInfo (physical addresses), and a stack a few
 * KiB above the loaded image. The kernel reports, one "kernel: " line each:
 * where it runs, argc and every argv string, the BootInfo fields, the CPU
 * mode and control register, where its symbol block is and the value of a
 * symbol it looked up there. Then it halts in a branch to itself.
 */

#include <stdint.h>

#ifdef KERNEL_PXA2X0
#define UART_BASE 0x40100000u     /* full-function UART */
#define UART_DATA 0x00u           /* THR */
#define UART_STATUS 0x14u         /* LSR */
#define UART_READY(s) ((s)&0x20u) /* TDRQ: room for a byte */
#else
#define UART_BASE 0x80050000u                           /* serial port 3 */
#define UART_DATA 0x14u                                 /* UTDR */
#define UART_STATUS 0x20u                               /* UTSR1 */
#define UART_READY(s) (((s)&0x01u) == 0 && ((s)&0x04u)) /* idle, FIFO not full */
#endif

struct bootinfo {
    uint16_t length;
    uint16_t reserved;
    uint32_t magic;
    uint32_t fb_addr;
    int16_t fb_line_bytes;
    int16_t fb_width;
    int16_t fb_height;
    int16_t fb_type;
    int16_t console;
    uint16_t padding;
    uint32_t cpu;
    uint32_t machine;
    int32_t timezone;
};

/* The kernel symbol block starts with a trimmed ELF header. */
struct elf_header {
    uint8_t ident[16];
    uint16_t type, machine;
    uint32_t version, entry, phoff, shoff, flags;
    uint16_t ehsize, phentsize, phnum, shentsize, shnum, shstrndx;
};

struct section {
    uint32_t name, type, flags, addr, offset, size, link, info, align, entsize;
};

struct symbol {
    uint32_t name, value, size;
    uint8_t info, other;
    uint16_t shndx;
};

extern uint8_t kernel_end[];
void kmain(uint32_t argc, char** argv, const struct bootinfo* info);

/* What the kernel received, kept in bss (which the loader zero-fills). */
uint32_t received[3];

/* What the symbol lookup searches for: a word with a known address. */
volatile uint32_t kestrel_demo_marker = 0x4B455354u;

__attribute__((naked, section(".text.start"))) void start(void) {
    __asm__ volatile(
        "bl kmain\n"
        "1: b 1b\n");
}

static void uart_putc(char c) {
    volatile uint32_t* status = (volatile uint32_t*)(UART_BASE + UART_STATUS);
    while (!UART_READY(*status)) {
    }
    *(volatile uint32_t*)(UART_BASE + UART_DATA) = (uint8_t)c;
}

static void put(const char* s) {
    for (; *s; ++s) {
        if (*s == '\n')
            uart_putc('\r');
        uart_putc(*s);
    }
}

static void put_hex(uint32_t v) {
    put("0x");
    for (int shift = 28; shift >= 0; shift -= 4)
        uart_putc("0123456789abcdef"[(v >> shift) & 15]);
}

/* Decimal without division: the kernel has no run-time library. */
static void put_dec(int32_t value) {
    static const uint32_t powers[] = {1000000000u, 100000000u, 10000000u, 1000000u, 100000u,
                                      10000u,      1000u,      100u,      10u,      1u};
    uint32_t v = (uint32_t)value;
    if (value < 0) {
        uart_putc('-');
        v = 0u - v;
    }
    int started = 0;
    for (int i = 0; i < 10; ++i) {
        char digit = '0';
        while (v >= powers[i]) {
            v -= powers[i];
            ++digit;
        }
        if (digit != '0' || started || i == 9) {
            uart_putc(digit);
            started = 1;
        }
    }
}

static int same(const char* a, const char* b) {
    while (*a && *a == *b)
        ++a, ++b;
    return *a == *b;
}

static void report_arguments(uint32_t argc, char** argv) {
    put("kernel: argc=");
    put_dec((int32_t)argc);
    put("\n");
    for (uint32_t i = 0; i < argc && i < 16; ++i) {
        put("kernel: argv[");
        put_dec((int32_t)i);
        put("]=");
        put(argv[i]);
        put("\n");
    }
}

static void report_bootinfo(const struct bootinfo* b) {
    put("kernel: bootinfo at ");
    put_hex((uint32_t)b);
    put(" length=");
    put_dec(b->length);
    put(" magic=");
    put_hex(b->magic);
    put("\nkernel: framebuffer addr=");
    put_hex(b->fb_addr);
    put(" linebytes=");
    put_dec(b->fb_line_bytes);
    put(" width=");
    put_dec(b->fb_width);
    put(" height=");
    put_dec(b->fb_height);
    put(" type=");
    put_dec(b->fb_type);
    put("\nkernel: console=");
    put_dec(b->console);
    put(" cpu=");
    put_hex(b->cpu);
    put(" machine=");
    put_hex(b->machine);
    put(" timezone=");
    put_dec(b->timezone);
    put("\n");
}

static void report_cpu(void) {
    uint32_t cpsr, control;
    __asm__ volatile("mrs %0, cpsr" : "=r"(cpsr));
    __asm__ volatile("mrc p15, 0, %0, c1, c0, 0" : "=r"(control));
    put("kernel: cpsr=");
    put_hex(cpsr);
    put(" mode=");
    put_hex(cpsr & 0x1F);
    put(" control=");
    put_hex(control);
    put("\n");
}

/* The symbol block: ELF header, section headers with offsets relative to
   the block, section names, then .symtab and .strtab. Returns where the
   block ends (where the kernel ends when there is none). */
static uint32_t report_symbols(void) {
    const uint8_t* block = kernel_end;
    const struct elf_header* h = (const struct elf_header*)block;
    put("kernel: symbol block at ");
    put_hex((uint32_t)block);
    if (h->ident[0] != 0x7F || h->ident[1] != 'E' || h->ident[2] != 'L' || h->ident[3] != 'F') {
        put(": none\n");
        return (uint32_t)block;
    }
    const struct section* sections = (const struct section*)(block + h->shoff);
    const char* names = (const char*)(block + sections[h->shstrndx].offset);
    const struct section* symtab = 0;
    const struct section* strtab = 0;
    for (uint32_t i = 0; i < h->shnum; ++i) {
        if (same(names + sections[i].name, ".symtab"))
            symtab = &sections[i];
        if (same(names + sections[i].name, ".strtab"))
            strtab = &sections[i];
    }
    if (!symtab || !strtab) {
        put(": no symbol table\n");
        return (uint32_t)block;
    }
    uint32_t end = (uint32_t)block + strtab->offset + strtab->size;
    const struct symbol* symbols = (const struct symbol*)(block + symtab->offset);
    const char* strings = (const char*)(block + strtab->offset);
    put(" symbols=");
    put_dec((int32_t)(symtab->size / sizeof(struct symbol)));
    for (uint32_t i = 0; i < symtab->size / sizeof(struct symbol); ++i) {
        if (same(strings + symbols[i].name, "kestrel_demo_marker")) {
            put(" kestrel_demo_marker=");
            put_hex(symbols[i].value);
            put(symbols[i].value == (uint32_t)&kestrel_demo_marker ? " (matches)" : " (differs)");
            put("\n");
            return end;
        }
    }
    put(" kestrel_demo_marker not found\n");
    return end;
}

/* With an "m=NAME" argument the loader put the file-system image at the next
   page boundary after the last thing it placed: show its first word. */
static void report_image(uint32_t argc, char** argv, uint32_t end) {
    for (uint32_t i = 0; i < argc && i < 16; ++i) {
        if (argv[i][0] == 'm' && argv[i][1] == '=') {
            const volatile uint32_t* image = (const volatile uint32_t*)((end + 4095) & ~4095u);
            put("kernel: image at ");
            put_hex((uint32_t)image);
            put(" first word=");
            put_hex(image[0]);
            put("\n");
        }
    }
}

void kmain(uint32_t argc, char** argv, const struct bootinfo* info) {
    received[0] = argc;
    received[1] = (uint32_t)argv;
    received[2] = (uint32_t)info;
    put("kernel: entered at ");
    put_hex((uint32_t)&start);
    put("\n");
    report_arguments(argc, argv);
    report_bootinfo(info);
    report_cpu();
    report_image(argc, argv, report_symbols());
    put("kernel: halt\n");
}
