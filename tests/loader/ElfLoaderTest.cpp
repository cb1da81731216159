// The ELF loader on kernels made by the ARM cross compiler: the header
// checks, the size line, the chain, and what the second-stage loader's walk
// of that chain leaves in physical memory.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

#include "boot/MenuInterface.h"
#include "ce/CoreDll.h"
#include "loader/CoffLoader.h"
#include "loader/ElfLoader.h"
#include "loader/MemoryFile.h"
#include "machine/ChainWalker.h"
#include "machine/KernelLayout.h"
#include "machine/PhysicalImage.h"
#include "machine/PhysicalMemory.h"
#include "memory/MemoryManager_LockPages.h"
#include "support/CaptureConsole.h"
#include "support/DeviceFolder.h"

namespace {

using testing_support::CaptureConsole;
using testing_support::DeviceFolder;
using testing_support::MemoryFile;

constexpr uint32_t kPage = 4096;
constexpr uint32_t kPayload = 4080;

std::string kernelPath(const std::string& name) {
    return std::string(KESTREL_BINARY_DIR) + "/kernels/" + name;
}

std::string hex(uint64_t v) {
    char text[24];
    std::snprintf(text, sizeof(text), "0x%llx", static_cast<unsigned long long>(v));
    return text;
}

template <class T>
T record(const std::string& bytes, uint64_t offset) {
    T out{};
    std::memcpy(&out, bytes.data() + offset, sizeof(T));
    return out;
}

template <class T>
void poke(std::string& bytes, uint64_t offset, T value) {
    std::memcpy(bytes.data() + offset, &value, sizeof(T));
}

Elf32_Ehdr headerOf(const std::string& elf) {
    return record<Elf32_Ehdr>(elf, 0);
}

Elf32_Shdr sectionOf(const std::string& elf, int i) {
    Elf32_Ehdr h = headerOf(elf);
    return record<Elf32_Shdr>(elf, h.e_shoff + uint64_t(i) * sizeof(Elf32_Shdr));
}

// Index of the section of that name in a well-formed file.
int sectionIndex(const std::string& elf, const std::string& name) {
    Elf32_Ehdr h = headerOf(elf);
    Elf32_Shdr names = sectionOf(elf, h.e_shstrndx);
    for (int i = 0; i < h.e_shnum; ++i) {
        if (elf.c_str() + names.sh_offset + sectionOf(elf, i).sh_name == name)
            return i;
    }
    return -1;
}

uint64_t sectionHeaderOffset(const std::string& elf, int i) {
    return headerOf(elf).e_shoff + uint64_t(i) * sizeof(Elf32_Shdr);
}

class ElfLoaderTest : public ::testing::Test {
  protected:
    explicit ElfLoaderTest(const std::string& profile = "jornada720") : device(profile) {
        file = std::make_unique<MemoryFile>(consolePointer);
        filePointer = file.get();
    }
    ~ElfLoaderTest() override {
        loader.reset();
        delete memoryManager;
    }

    std::string kernel(const std::string& name) {
        std::string bytes = testing_support::readBytes(kernelPath(name));
        if (bytes.empty())
            ADD_FAILURE() << "no test kernel " << kernelPath(name);
        return bytes;
    }
    // A loader attached to `bytes`; the console is cleared afterwards.
    bool attach(const std::string& bytes) {
        file->add(u"kernel", bytes);
        file->open(u"kernel", FileManager::kOpenMode);
        if (!memoryManager) {
            memoryManager = new MemoryManager_LockPages(&host::lockPages, &host::unlockPages,
                                                        consolePointer, kPage, 0);
        }
        loader = std::make_unique<ElfLoader>(consolePointer, memoryManager);
        // As the Boot object hands them on from the settings.
        loader->safetyMessage = MenuInterface::instance()->settings().safetyMessage != 0;
        loader->boxOwner = MenuInterface::instance();
        console.text.clear();
        return loader->setFile(filePointer);
    }
    // The boot's reservation for the kernel (and image), then the load.
    bool loadAll(const std::string* image = nullptr) {
        uint32_t bytes = memoryManager->roundUpPage(loader->memorySize());
        if (image)
            bytes += memoryManager->roundUpPage(uint32_t(image->size()));
        uint32_t storage = memoryManager->storageSize(bytes) + 4 * kPage;
        if (!memoryManager->reservePages(MemoryManager::roundUp64K(storage), false))
            return false;
        uint32_t v = 0, p = 0;
        memoryManager->takeLastPage(v, p);  // the second-stage loader's page
        if (!loader->load())
            return false;
        if (image) {
            file->add(u"image", *image);
            file->open(u"image", FileManager::kOpenMode);
            if (!loader->loadFileSystemImage(uint32_t(image->size())))
                return false;
        }
        loader->finishLinks();
        return true;
    }
    host::ChainWalker::Result walk(host::PhysicalImage& image, bool pxa = false) {
        return host::ChainWalker(pxa).walk(image, loader->listHead());
    }
    // Physical memory as the walk finds it: the OS's own RAM, where kernels
    // are linked, is full of Windows CE's data, not zeros.
    host::PhysicalImage snapshot() {
        auto& ram = device.machine().component<host::PhysicalMemory>();
        host::PhysicalImage image(ram);
        for (const auto& range : ram.reservedRanges())
            std::memset(image.at(range.base, range.size), 0xA5, range.size);
        return image;
    }
    std::vector<host::MessageBoxRecord>& boxes() { return device.machine().messageBoxes(); }

    DeviceFolder device;
    CaptureConsole console;
    Console* consolePointer = &console;
    MemoryManager* memoryManager = nullptr;
    std::unique_ptr<MemoryFile> file;
    FileManager* filePointer = nullptr;
    std::unique_ptr<ElfLoader> loader;
};

TEST_F(ElfLoaderTest, AnnouncesItself) {
    MemoryManager* none = nullptr;
    ElfLoader elf(consolePointer, none);
    CoffLoader coff(consolePointer, none);
    EXPECT_EQ(console.utf8(), "Loader: ELF\nLoader: COFF\n");
}

TEST_F(ElfLoaderTest, HeaderChecksRefuseBadFilesWithTheirMessage) {
    const std::string good = kernel("kernel.elf");
    ASSERT_FALSE(good.empty());
    const uint32_t size = uint32_t(good.size());
    struct Row {
        const char* what;
        void (*mutate)(std::string&, uint32_t size);
        const char* message;  // null: the file is accepted
    } rows[] = {
        {"the kernel as built", [](std::string&, uint32_t) {}, nullptr},
        {"bad magic", [](std::string& b, uint32_t) { b[1] = 'X'; }, "not a ELF file.\n"},
        {"shorter than a header", [](std::string& b, uint32_t) { b.resize(40); },
         "not a ELF file.\n"},
        {"64-bit: class first", [](std::string& b, uint32_t) { b[4] = 2; },
         "invalid class/data(2/1)\n"},
        {"big-endian", [](std::string& b, uint32_t) { b[5] = 2; }, "invalid class/data(1/2)\n"},
        {"another machine", [](std::string& b, uint32_t) { poke<uint16_t>(b, 18, 3); },
         "not a native architecture. machine = 3\n"},
        {"shared object", [](std::string& b, uint32_t) { poke<uint16_t>(b, 16, 3); },
         "not a executable file. type = 3\n"},
        {"no program header offset", [](std::string& b, uint32_t) { poke<uint32_t>(b, 28, 0); },
         "invalid program header information.\n"},
        {"no program headers", [](std::string& b, uint32_t) { poke<uint16_t>(b, 44, 0); },
         "invalid program header information.\n"},
        {"17 program headers", [](std::string& b, uint32_t) { poke<uint16_t>(b, 44, 17); },
         "invalid program header information.\n"},
        {"16 program headers pass", [](std::string& b, uint32_t) { poke<uint16_t>(b, 44, 16); },
         nullptr},
        {"40-byte program headers", [](std::string& b, uint32_t) { poke<uint16_t>(b, 42, 40); },
         "invalid program header information.\n"},
        {"section headers past the end",
         [](std::string& b, uint32_t n) { poke<uint32_t>(b, 32, n - 8); },
         "section header read error.\n"},
        {"program headers past the end",
         [](std::string& b, uint32_t n) { poke<uint32_t>(b, 28, n - 16); },
         "program header read error.\n"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        std::string bytes = good;
        r.mutate(bytes, size);
        EXPECT_EQ(attach(bytes), r.message == nullptr);
        EXPECT_EQ(console.utf8(), r.message ? r.message : "");
    }
}

// Segments the second-stage loader could not place as the file says are
// refused when the file is read (no loadable segment: a chain that never
// ends; file bytes past the memory size: the symbol block inside them; a
// range past 4 GiB), or once the symbol block's place is known (pieces that
// overlap). kernel.elf has its code at 0xc0200000 and its bss behind it.
TEST_F(ElfLoaderTest, SegmentsTheWalkCannotPlaceAreRefused) {
    const std::string good = kernel("kernel.elf");
    ASSERT_FALSE(good.empty());
    const uint32_t ph = headerOf(good).e_phoff;
    const Elf32_Phdr text = record<Elf32_Phdr>(good, ph), bss = record<Elf32_Phdr>(good, ph + 32);
    struct Poke {
        uint32_t offset;  // of the word, from the program header table
        uint32_t value;
    };
    struct Row {
        const char* what;
        std::vector<Poke> pokes;
        bool attaches;
        bool placed;          // the regions are disjoint
        const char* message;  // a line printed (empty: none)
    } rows[] = {
        {"as built", {}, true, true, ""},
        {"file bytes past the memory size",
         {{16, text.p_memsz + 4}},
         false,
         false,
         "seg[0] file size 0x"},
        {"no loadable segment", {{0, 0}, {32, 0}}, false, false, "no loadable segment.\n"},
        {"a segment past 4 GiB", {{32 + 12, 0xFFFFF000}}, false, false, "seg[1] 0xfffff000+0x"},
        {"bss over the code", {{32 + 12, text.p_paddr + 0x100}}, true, false, "overlap.\n"},
        // The symbol block goes behind the bss, which now ends where the code begins.
        {"symbol block over the code",
         {{32 + 12, text.p_paddr - ((bss.p_memsz + 3) & ~3u) - 4}},
         true,
         false,
         "overlap.\n"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        std::string bytes = good;
        for (const Poke& p : r.pokes)
            poke<uint32_t>(bytes, ph + p.offset, p.value);
        ASSERT_EQ(attach(bytes), r.attaches) << console.utf8();
        if (r.attaches) {
            loader->memorySize();
            EXPECT_EQ(loader->regionsAreDisjoint(), r.placed);
        }
        EXPECT_NE(console.utf8().find(r.message), std::string::npos) << console.utf8();
    }
}

TEST_F(ElfLoaderTest, FilesFromOtherToolsAreRefused) {
    testing_support::TempDir dir;
    std::string object = (dir.path() / "kernel.o").string();
    ASSERT_EQ(
        testing_support::run("arm-linux-gnueabi-gcc -march=armv4 -marm -ffreestanding -c -o " +
                             object + " " + KESTREL_SOURCE_DIR "/examples/kernel/kernel.c"),
        0);
    struct Row {
        std::string path;
        const char* message;
    } rows[] = {
        {object, "not a executable file. type = 1\n"},    // an ARM relocatable object
        {"/proc/self/exe", "invalid class/data(2/1)\n"},  // this 64-bit test program
    };
    for (const Row& r : rows) {
        EXPECT_FALSE(attach(testing_support::readBytes(r.path)));
        EXPECT_EQ(console.utf8(), r.message);
    }
}

TEST_F(ElfLoaderTest, SizeLineAddsSegmentsSymbolsAndExtraPages) {
    const std::string elf = kernel("kernel.elf");
    ASSERT_TRUE(attach(elf));
    host::KernelLayout layout;
    std::string error;
    ASSERT_TRUE(host::KernelLayout::fromElf(elf, layout, error)) << error;
    Elf32_Ehdr h = headerOf(elf);
    ASSERT_EQ(h.e_phnum, 2);
    Elf32_Phdr text = record<Elf32_Phdr>(elf, h.e_phoff);
    Elf32_Phdr bss = record<Elf32_Phdr>(elf, h.e_phoff + 32);
    ASSERT_EQ(bss.p_filesz, 0u) << "the kernel's second segment is its bss";
    uint32_t B = uint32_t(layout.pieces()[2].bytes.size());
    uint32_t Y = sectionOf(elf, sectionIndex(elf, ".symtab")).sh_size;
    uint32_t Z = sectionOf(elf, sectionIndex(elf, ".strtab")).sh_size;
    uint32_t symbols = B + ((Y + 3) & ~3u) + Z;
    uint32_t extra = kPayload + 2 * kPayload + 2 * kPayload;  // whole, partial, symbols
    uint32_t total = (text.p_filesz + kPage - 1) / kPage * kPage + symbols + extra;
    uint32_t answer = loader->memorySize();
    EXPECT_EQ(answer, total);
    EXPECT_EQ(console.utf8(), "file size: " + hex(text.p_filesz) + "+0x0+[ksyms: header " + hex(B) +
                                  ", symtab " + hex(Y) + ", strtab " + hex(Z) + " = " +
                                  hex(symbols) + "]+[extra: " + hex(extra) + "] = " + hex(total) +
                                  " bytes\n");
}

// Every kernel variant, walked as the second-stage loader will walk it.
TEST_F(ElfLoaderTest, WalkedImageHoldsWhatTheFileSays) {
    struct Row {
        const char* kernel;
        bool symbols;
        bool image;
    } rows[] = {
        {"kernel.elf", true, false},             // text+data, then bss; symbols behind
        {"kernel-descending.elf", true, false},  // symbols after the second (lower) segment
        {"kernel-stripped.elf", false, false},   // no symbols: segments only
        {"kernel.elf", true, true},              // and a file-system image behind
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.kernel);
        const std::string elf = kernel(r.kernel);
        std::string image = r.image ? testing_support::readBytes(kernelPath("miniroot.fs")) : "";
        ASSERT_TRUE(!r.image || !image.empty());
        host::KernelLayout layout;
        std::string error;
        ASSERT_TRUE(host::KernelLayout::fromElf(elf, layout, error)) << error;
        if (r.image)
            layout.addImage(image);
        EXPECT_EQ(layout.hasSymbols(), r.symbols);

        ASSERT_TRUE(attach(elf));
        ASSERT_TRUE(loadAll(r.image ? &image : nullptr)) << console.utf8();
        EXPECT_EQ(loader->symbolsPresent(), r.symbols);
        host::PhysicalImage memory = snapshot();
        host::ChainWalker::Result result = walk(memory);
        EXPECT_TRUE(result.ended);
        EXPECT_TRUE(result.faults.empty()) << result.faults[0];
        for (const std::string& problem : layout.compare(memory, false))
            ADD_FAILURE() << problem;

        // One load link per payload-sized piece of data, one zero link per bss.
        uint32_t loads = 0, zeros = 0;
        for (const auto& piece : layout.pieces()) {
            if (piece.what.find("zero") != std::string::npos) {
                ++zeros;
            } else {
                loads += uint32_t((piece.bytes.size() + kPayload - 1) / kPayload);
            }
        }
        EXPECT_EQ(result.links, loads + zeros);
        EXPECT_NE(console.utf8().find("load link " + std::to_string(loads) + ", zero clear link " +
                                      std::to_string(zeros) + "\n"),
                  std::string::npos);
    }
}

// The way the boot reads: the file-manager stack over the storage card,
// gunzipping what gzip(1) compressed.
TEST_F(ElfLoaderTest, KernelsReadThroughTheFileManagerStack) {
    const std::string elf = kernel("kernel.elf");
    const std::string image = testing_support::readBytes(kernelPath("miniroot.fs"));
    ASSERT_FALSE(image.empty());
    device.writeFile("Storage Card/kernel.elf", elf);
    device.writeFile("Storage Card/kernel.elf.gz", kernel("kernel.elf.gz"));
    device.writeFile("Storage Card/miniroot.fs", image);
    ASSERT_EQ(testing_support::run("gzip -9 -k '" + device.card().string() + "/miniroot.fs'"), 0);
    struct Row {
        const char16_t* kernel;
        const char16_t* image;
    } rows[] = {
        {u"kernel.elf.gz", nullptr},         // a compressed kernel alone
        {u"kernel.elf.gz", u"miniroot.fs"},  // and a plain image
        {u"kernel.elf", u"miniroot.fs.gz"},  // a plain kernel and a compressed image
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(host::toUtf8(r.kernel));
        std::unique_ptr<FileManager> files(
            FileManager::create(consolePointer, FileManager::kLocal));
        ASSERT_TRUE(files);
        FileManager* stack = files.get();
        ASSERT_TRUE(stack->setRoot(u"\\Storage Card\\"));
        ASSERT_TRUE(stack->open(r.kernel, FileManager::kOpenMode));
        EXPECT_EQ(fileFormat(stack), 1);
        delete memoryManager;
        memoryManager = new MemoryManager_LockPages(&host::lockPages, &host::unlockPages,
                                                    consolePointer, kPage, 0);
        loader = std::make_unique<ElfLoader>(consolePointer, memoryManager);
        console.text.clear();
        ASSERT_TRUE(loader->setFile(stack)) << console.utf8();
        uint32_t bytes = memoryManager->roundUpPage(loader->memorySize());
        if (r.image) {
            stack->close();
            ASSERT_TRUE(stack->open(r.image, FileManager::kOpenMode));
            bytes += memoryManager->roundUpPage(stack->realSize());
            stack->close();
            ASSERT_TRUE(stack->open(r.kernel, FileManager::kOpenMode));
        }
        ASSERT_TRUE(memoryManager->reservePages(
            MemoryManager::roundUp64K(memoryManager->storageSize(bytes) + 4 * kPage), false));
        ASSERT_TRUE(loader->load()) << console.utf8();
        stack->close();
        if (r.image) {
            ASSERT_TRUE(stack->open(r.image, FileManager::kOpenMode));
            ASSERT_TRUE(loader->loadFileSystemImage(stack->realSize())) << console.utf8();
            stack->close();
        }
        loader->finishLinks();

        host::KernelLayout layout;
        std::string error;
        ASSERT_TRUE(host::KernelLayout::fromElf(elf, layout, error)) << error;
        if (r.image)
            layout.addImage(image);
        host::PhysicalImage memory = snapshot();
        host::ChainWalker::Result result = walk(memory);
        EXPECT_TRUE(result.ended);
        EXPECT_TRUE(result.faults.empty());
        for (const std::string& problem : layout.compare(memory, false))
            ADD_FAILURE() << problem;
    }
}

TEST_F(ElfLoaderTest, SymbolBlockLaysOutHeaderSectionsAndTables) {
    const std::string elf = kernel("kernel.elf");
    ASSERT_TRUE(attach(elf));
    ASSERT_TRUE(loadAll());
    host::PhysicalImage memory = snapshot();
    walk(memory);

    Elf32_Ehdr h = headerOf(elf);
    Elf32_Phdr last = record<Elf32_Phdr>(elf, h.e_phoff + 32);
    uint32_t A = last.p_paddr + ((last.p_memsz + 3) & ~3u);
    const uint8_t* block = memory.at(A, 52);
    ASSERT_NE(block, nullptr);
    Elf32_Ehdr placed =
        record<Elf32_Ehdr>(std::string(reinterpret_cast<const char*>(block), 52), 0);
    EXPECT_EQ(std::memcmp(placed.e_ident, h.e_ident, 16), 0);
    EXPECT_EQ(placed.e_entry, 0u);
    EXPECT_EQ(placed.e_phoff, 0u);
    EXPECT_EQ(placed.e_phnum, 0);
    EXPECT_EQ(placed.e_shoff, 52u);
    EXPECT_EQ(placed.e_shnum, h.e_shnum);
    EXPECT_EQ(placed.e_shstrndx, h.e_shstrndx);
    EXPECT_EQ(placed.e_flags, h.e_flags);

    uint32_t S = h.e_shnum * 40u;
    uint32_t N = (sectionOf(elf, h.e_shstrndx).sh_size + 3) & ~3u;
    uint32_t B = 52 + S + N;
    int symtab = sectionIndex(elf, ".symtab"), strtab = sectionIndex(elf, ".strtab");
    uint32_t Y = sectionOf(elf, symtab).sh_size;
    for (int i = 0; i < h.e_shnum; ++i) {
        SCOPED_TRACE(i);
        Elf32_Shdr copy{};
        std::memcpy(&copy, memory.at(A + 52 + i * 40, 40), 40);
        Elf32_Shdr original = sectionOf(elf, i);
        uint32_t expected = i == h.e_shstrndx ? 52 + S
                            : i == symtab     ? B
                            : i == strtab     ? B + ((Y + 3) & ~3u)
                                              : 0;
        EXPECT_EQ(copy.sh_offset, expected);
        copy.sh_offset = original.sh_offset;
        EXPECT_EQ(std::memcmp(&copy, &original, 40), 0) << "only sh_offset is rewritten";
    }
    const Elf32_Shdr names = sectionOf(elf, h.e_shstrndx);
    EXPECT_EQ(std::memcmp(memory.at(A + 52 + S, names.sh_size), elf.data() + names.sh_offset,
                          names.sh_size),
              0);
    const Elf32_Shdr symbols = sectionOf(elf, symtab), strings = sectionOf(elf, strtab);
    EXPECT_EQ(std::memcmp(memory.at(A + B, Y), elf.data() + symbols.sh_offset, Y), 0);
    EXPECT_EQ(std::memcmp(memory.at(A + B + ((Y + 3) & ~3u), strings.sh_size),
                          elf.data() + strings.sh_offset, strings.sh_size),
              0);
    EXPECT_NE(console.utf8().find("ksyms\n\t->load " +
                                  [&] {
                                      char text[16];
                                      std::snprintf(text, sizeof(text), "0x%08x", A);
                                      return std::string(text);
                                  }()),
              std::string::npos);
}

TEST_F(ElfLoaderTest, SegmentsInDescendingOrderPutSymbolsAfterTheLowerOne) {
    const std::string elf = kernel("kernel-descending.elf");
    ASSERT_TRUE(attach(elf));
    Elf32_Ehdr h = headerOf(elf);
    Elf32_Phdr first = record<Elf32_Phdr>(elf, h.e_phoff);
    Elf32_Phdr second = record<Elf32_Phdr>(elf, h.e_phoff + 32);
    ASSERT_GT(first.p_paddr, second.p_paddr);
    ASSERT_TRUE(loadAll());
    std::string out = console.utf8();
    char seg[96];
    std::snprintf(seg, sizeof(seg), "seg[1] paddr 0x%08x file size 0x%x mem size 0x%x\n",
                  second.p_paddr, second.p_filesz, second.p_memsz);
    EXPECT_NE(out.find(seg), std::string::npos);
    char symbols[64];
    std::snprintf(symbols, sizeof(symbols), "ksyms\n\t->load 0x%08x+",
                  second.p_paddr + ((second.p_memsz + 3) & ~3u));
    EXPECT_NE(out.find(symbols), std::string::npos) << out;
}

TEST_F(ElfLoaderTest, OtherProgramHeadersAreSkippedButKeepTheirIndex) {
    std::string elf = kernel("kernel.elf");
    Elf32_Ehdr h = headerOf(elf);
    Elf32_Phdr bss = record<Elf32_Phdr>(elf, h.e_phoff + 32);
    poke<uint32_t>(elf, h.e_phoff, 4);  // the text segment becomes a PT_NOTE
    ASSERT_TRUE(attach(elf));
    ASSERT_TRUE(loadAll());
    std::string out = console.utf8();
    // Only the bss counts: its file size opens the size line on its own.
    EXPECT_EQ(out.rfind("file size: 0x0+[ksyms", 0), 0u) << out;
    char seg[96];
    std::snprintf(seg, sizeof(seg), "seg[1] paddr 0x%08x file size 0x%x mem size 0x%x\n",
                  bss.p_paddr, bss.p_filesz, bss.p_memsz);
    EXPECT_NE(out.find(seg), std::string::npos) << out;
    EXPECT_EQ(out.find("seg[0]"), std::string::npos) << out;
}

TEST_F(ElfLoaderTest, StrippedKernelLoadsWithoutSymbolsAndSaysSoOnce) {
    const std::string elf = kernel("kernel-stripped.elf");
    for (bool safety : {true, false}) {
        SCOPED_TRACE(safety);
        MenuInterface::instance()->settings().safetyMessage = safety;
        boxes().clear();
        ASSERT_TRUE(attach(elf));
        ASSERT_TRUE(loadAll());
        ASSERT_EQ(boxes().size(), safety ? 1u : 0u);
        if (safety) {
            EXPECT_EQ(boxes()[0].caption, u"Information");
            EXPECT_EQ(boxes()[0].text, u"No symbol and/or string table in binary.\n(not fatal)");
            EXPECT_EQ(boxes()[0].flags, 0x40u);
        }
        EXPECT_EQ(console.utf8().find("ksyms"), std::string::npos);
        EXPECT_NE(console.utf8().find("+[extra: "), std::string::npos);
        delete memoryManager;
        memoryManager = nullptr;
    }
}

// Files the section-header rules do not cover load without symbols, and
// nothing outside the file or the tables is read.
TEST_F(ElfLoaderTest, MalformedSectionTablesLoadWithoutSymbols) {
    const std::string good = kernel("kernel.elf");
    ASSERT_FALSE(good.empty());
    const int symtab = sectionIndex(good, ".symtab");
    const int names = headerOf(good).e_shstrndx;
    struct Row {
        const char* what;
        std::function<void(std::string&)> mutate;
    } rows[] = {
        {"48-byte section headers", [](std::string& b) { poke<uint16_t>(b, 46, 48); }},
        {"name table index out of range",
         [](std::string& b) { poke<uint16_t>(b, 50, headerOf(b).e_shnum); }},
        {"no section headers", [](std::string& b) { poke<uint16_t>(b, 48, 0); }},
        {"names outside the name table",
         [&](std::string& b) {
             for (int i = 0; i < headerOf(b).e_shnum; ++i)
                 poke<uint32_t>(b, sectionHeaderOffset(b, i), 0xFFFFFF00);
         }},
        {".symtab past the end of the file",
         [&](std::string& b) {
             poke<uint32_t>(b, sectionHeaderOffset(b, symtab) + 16, uint32_t(b.size()) - 4);
         }},
        {"huge name table",
         [&](std::string& b) {
             poke<uint32_t>(b, sectionHeaderOffset(b, names) + 20, 0xFFFFFFF0);
         }},
    };
    MenuInterface::instance()->settings().safetyMessage = 0;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        std::string bytes = good;
        r.mutate(bytes);
        ASSERT_TRUE(attach(bytes)) << console.utf8();
        ASSERT_TRUE(loadAll());
        EXPECT_FALSE(loader->symbolsPresent());
        host::KernelLayout layout;
        std::string error;
        ASSERT_TRUE(host::KernelLayout::fromElf(bytes, layout, error));
        EXPECT_FALSE(layout.hasSymbols());
        host::PhysicalImage memory = snapshot();
        EXPECT_TRUE(walk(memory).faults.empty());
        for (const std::string& problem : layout.compare(memory, false))
            ADD_FAILURE() << problem;
        delete memoryManager;
        memoryManager = nullptr;
    }
}

TEST_F(ElfLoaderTest, EntryAddressIsPrinted) {
    const std::string elf = kernel("kernel.elf");
    ASSERT_TRUE(attach(elf));
    EXPECT_EQ(loader->jumpAddr(), 0xC0200000u);
    EXPECT_EQ(console.utf8(), "kernel entry address: 0xc0200000\n");
}

class PxaElfLoaderTest : public ElfLoaderTest {
  protected:
    PxaElfLoaderTest() : ElfLoaderTest("wzero3") {}
};

TEST_F(PxaElfLoaderTest, KernelForSdramAtA0000000) {
    const std::string elf = kernel("kernel-pxa.elf");
    host::KernelLayout layout;
    std::string error;
    ASSERT_TRUE(host::KernelLayout::fromElf(elf, layout, error)) << error;
    ASSERT_TRUE(attach(elf));
    ASSERT_TRUE(loadAll());
    host::PhysicalImage memory = snapshot();
    host::ChainWalker::Result result = walk(memory, true);
    EXPECT_TRUE(result.faults.empty());
    for (const std::string& problem : layout.compare(memory, true))
        ADD_FAILURE() << problem;
    EXPECT_EQ(loader->jumpAddr(), 0xA0200000u);
}

TEST(CoffLoader, RefusesEveryFileAndWorksOnZeroedHeaders) {
    DeviceFolder device;
    CaptureConsole console;
    Console* consolePointer = &console;
    MemoryManager* memoryManager = nullptr;
    MemoryFile file(consolePointer);
    FileManager* filePointer = &file;
    CoffLoader coff(consolePointer, memoryManager);
    console.text.clear();
    EXPECT_FALSE(coff.setFile(filePointer));
    EXPECT_EQ(coff.memorySize(), 0u);
    EXPECT_EQ(coff.jumpAddr(), 0u);
    EXPECT_EQ(console.utf8(),
              "coff loader not implemented.\n"
              "file size: text 0x0 + data 0x0 = 0x0 byte\n"
              "kernel entry address: 0x00000000\n");
}

}  // namespace
