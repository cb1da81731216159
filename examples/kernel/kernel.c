/*
 * A small kernel for kestrel's tests: the second-stage loader enters `start`
 * at its physical address with the MMU and caches off, r0 = argument count,
 * r1 = argument vector and r2 = BootInfo (all physical addresses), and a
 * stack a few KiB above the loaded image.
 *
 * The kernel keeps what it received in `received`, says hello on the serial
 * port and spins. Its image has something in every kind of section: code,
 * read-only data, initialised data and zero-filled bss.
 */

#include <stdint.h>

/* The serial port the second-stage loader also uses for diagnostics. */
#ifdef KERNEL_PXA2X0
#define UART_BASE 0x40100000u /* FFUART */
#define UART_DATA 0x00u       /* THR */
#define UART_STATUS 0x14u     /* LSR */
#define UART_READY(s) ((s) & 0x20u) /* transmit holding register empty */
#else
#define UART_BASE 0x80050000u /* serial port 3 */
#define UART_DATA 0x14u       /* UTDR */
#define UART_STATUS 0x20u     /* UTSR1 */
#define UART_READY(s) (((s) & 0x01u) == 0) /* transmitter not busy */
#endif

struct boot_record {
    uint32_t argc;
    char** argv;
    void* bootinfo;
    uint32_t entered;
};

/*
 * Initialised data: the loader copies it from the file. Volatile, so that
 * every store stays although the kernel never returns: a debugger or a test
 * reads it from memory.
 */
volatile struct boot_record received = {0, 0, 0, 0xDEADBEEFu};
uint32_t pattern[16] = {0x01234567u, 0x89ABCDEFu, 0xFEDCBA98u, 0x76543210u};

/*
 * Read-only data spanning a few pages: word i is i * 2654435761 (mod 2^32),
 * so a word out of place shows.
 */
#define V(i) ((uint32_t)(i) * 2654435761u)
#define X4(i) V(i), V((i) + 1), V((i) + 2), V((i) + 3)
#define X16(i) X4(i), X4((i) + 4), X4((i) + 8), X4((i) + 12)
#define X64(i) X16(i), X16((i) + 16), X16((i) + 32), X16((i) + 48)
#define X256(i) X64(i), X64((i) + 64), X64((i) + 128), X64((i) + 192)
#define X1024(i) X256(i), X256((i) + 256), X256((i) + 512), X256((i) + 768)
const uint32_t numbers[2048] = {X1024(0), X1024(1024)};

/* Zero-filled by the loader's zero clear link. */
uint8_t scratch[8192];
uint32_t calls;

static const char greeting[] = "kestrel test kernel\r\n";

static void uart_putc(char c) {
    volatile uint32_t* status = (volatile uint32_t*)(UART_BASE + UART_STATUS);
    volatile uint32_t* data = (volatile uint32_t*)(UART_BASE + UART_DATA);
    while (!UART_READY(*status)) {
    }
    *data = (uint8_t)c;
}

static void uart_puts(const char* s) {
    while (*s) uart_putc(*s++);
}

__attribute__((section(".text.start"), noreturn)) void start(uint32_t argc, char** argv,
                                                             void* bootinfo) {
    received.argc = argc;
    received.argv = argv;
    received.bootinfo = bootinfo;
    received.entered = 1;
    scratch[0] = (uint8_t)(argc + numbers[argc & 2047]);
    ++calls;
    uart_puts(greeting);
    for (;;) {
    }
}
