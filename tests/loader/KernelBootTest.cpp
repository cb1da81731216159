// The loader's chain taken all the way: the test kernel from the cross
// compiler is loaded as a boot loads it, the architecture's real second-stage
// loader walks the chain in the emulated CPU and enters the kernel. The
// placed image must agree with the reference walk, and the kernel must have
// received its arguments.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <memory>

#include "arch/arm/PXA2X0Architecture.h"
#include "arch/arm/SA1100Architecture.h"
#include "boot/ArgumentPageWriter.h"
#include "boot/MenuInterface.h"
#include "loader/ElfLoader.h"
#include "loader/MemoryFile.h"
#include "machine/ArmCpu.h"
#include "machine/ChainWalker.h"
#include "machine/KernelLayout.h"
#include "machine/PhysicalImage.h"
#include "machine/PhysicalMemory.h"
#include "memory/Destinations.h"
#include "memory/MemoryManager_LockPages.h"
#include "support/CaptureConsole.h"
#include "support/DeviceFolder.h"

namespace {

using testing_support::CaptureConsole;
using testing_support::DeviceFolder;
using testing_support::MemoryFile;

struct Elf32_Sym {
    uint32_t st_name;
    uint32_t st_value;
    uint32_t st_size;
    uint8_t st_info;
    uint8_t st_other;
    uint16_t st_shndx;
};
static_assert(sizeof(Elf32_Sym) == 16);

template <class T>
T record(const std::string& bytes, uint64_t offset) {
    T out{};
    std::memcpy(&out, bytes.data() + offset, sizeof(T));
    return out;
}

// A section of the file by name.
Elf32_Shdr section(const std::string& elf, const std::string& name) {
    Elf32_Ehdr h = record<Elf32_Ehdr>(elf, 0);
    Elf32_Shdr names = record<Elf32_Shdr>(elf, h.e_shoff + h.e_shstrndx * 40u);
    for (int i = 0; i < h.e_shnum; ++i) {
        Elf32_Shdr s = record<Elf32_Shdr>(elf, h.e_shoff + i * 40u);
        if (elf.c_str() + names.sh_offset + s.sh_name == name)
            return s;
    }
    return Elf32_Shdr{};
}

// A symbol's address from the file's own symbol table.
uint32_t symbol(const std::string& elf, const std::string& name) {
    Elf32_Shdr symtab = section(elf, ".symtab"), strtab = section(elf, ".strtab");
    for (uint32_t at = 0; at + 16 <= symtab.sh_size; at += 16) {
        Elf32_Sym s = record<Elf32_Sym>(elf, symtab.sh_offset + at);
        if (elf.c_str() + strtab.sh_offset + s.st_name == name)
            return s.st_value;
    }
    return 0;
}

struct Row {
    const char* profile;
    const char* kernel;
    bool pxa;
};

class KernelBootTest : public ::testing::TestWithParam<Row> {
  protected:
    KernelBootTest() : device(GetParam().profile) {}
    ~KernelBootTest() override {
        host::ArmCpu::setJumpHandler(nullptr);
        loader.reset();
        delete architecture;
        delete memoryManager;
    }

    DeviceFolder device;
    CaptureConsole console;
    Console* consolePointer = &console;
    MemoryManager* memoryManager = nullptr;
    Architecture* architecture = nullptr;
    std::unique_ptr<ElfLoader> loader;
};

TEST_P(KernelBootTest, SecondStageLoaderPlacesWhatTheReferenceWalkPlaces) {
    const Row& row = GetParam();
    const std::string elf =
        testing_support::readBytes(std::string(KESTREL_BINARY_DIR) + "/kernels/" + row.kernel);
    ASSERT_FALSE(elf.empty());
    BootSettings& settings = MenuInterface::instance()->settings();
    std::memcpy(settings.kernelName, u"keldos.gz", sizeof(u"keldos.gz"));
    settings.verbose = 1;
    settings.rootDevice = kRootSd;

    // The components as the Boot object makes them.
    if (row.pxa) {
        architecture = new PXA2X0Architecture(consolePointer, memoryManager);
    } else {
        architecture = new SA1100Architecture(consolePointer, memoryManager);
    }
    memoryManager = new MemoryManager_LockPages(
        architecture->findLockPages(), architecture->findUnlockPages(), consolePointer, 4096, 0);
    ASSERT_TRUE(architecture->init());
    MemoryFile file(consolePointer);
    file.add(u"kernel", elf);
    file.open(u"kernel", FileManager::kOpenMode);
    FileManager* filePointer = &file;
    loader = std::make_unique<ElfLoader>(consolePointer, memoryManager);
    ASSERT_TRUE(loader->setFile(filePointer));
    uint32_t bytes = memoryManager->roundUpPage(loader->memorySize());
    // The placement as a boot makes it: no page of the chain inside a destination.
    Destinations destinations;
    ASSERT_TRUE(loader->regionsAreDisjoint());
    ASSERT_TRUE(loader->destinations(0, architecture->placement(), destinations));
    memoryManager->avoid(destinations);
    ASSERT_TRUE(architecture->allocateMemory(bytes));
    ASSERT_TRUE(architecture->setupLoader());
    ASSERT_TRUE(loader->load());
    loader->finishLinks();
    ArgumentPageWriter writer(consolePointer, settings, settings.kernelName, settings.imageName,
                              nullptr);
    uint32_t bootArgs = architecture->setupBootInfo(*loader, writer);
    ASSERT_NE(bootArgs, kNotFound);

    auto& ram = device.machine().component<host::PhysicalMemory>();
    host::PhysicalImage reference(ram);
    host::ChainWalker::Result walked =
        host::ChainWalker(row.pxa).walk(reference, loader->listHead());
    ASSERT_TRUE(walked.ended);

    host::ArmCpu::JumpOutcome outcome;
    host::ArmCpu::setJumpHandler([&](const host::ArmCpu::JumpOutcome& o) { outcome = o; });
    architecture->jumpTo(bootArgs, loader->listHead());
    ASSERT_TRUE(outcome.entered) << outcome.reason;
    EXPECT_EQ(outcome.entry, record<Elf32_Ehdr>(elf, 0).e_entry);
    EXPECT_EQ(outcome.entrySp, walked.stackPointer);
    EXPECT_TRUE(outcome.halted) << outcome.reason;  // greeted on the UART, then parked
    EXPECT_NE(device.out().find("kestrel test kernel"), std::string::npos) << device.out();

    // What the kernel does not write (everything but its data and bss) must
    // be exactly what the reference walk put there and what the file says.
    host::KernelLayout layout;
    std::string error;
    ASSERT_TRUE(host::KernelLayout::fromElf(elf, layout, error)) << error;
    Elf32_Shdr data = section(elf, ".data"), bss = section(elf, ".bss");
    uint32_t writableStart = data.sh_addr, writableEnd = bss.sh_addr + bss.sh_size;
    ASSERT_LT(writableStart, writableEnd);
    for (const auto& piece : layout.pieces()) {
        SCOPED_TRACE(piece.what);
        uint32_t length = uint32_t(piece.bytes.size());
        const uint8_t* placed = ram.ram(piece.address, length);
        const uint8_t* walkedBytes = reference.at(piece.address, length);
        ASSERT_NE(placed, nullptr);
        for (uint32_t i = 0; i < length; ++i) {
            uint32_t at = piece.address + i;
            if (at >= writableStart && at < writableEnd)
                continue;
            ASSERT_EQ(placed[i], walkedBytes[i]) << std::hex << at;
            ASSERT_EQ(placed[i], piece.bytes[i]) << std::hex << at;
        }
    }

    // The kernel recorded what it received: argc, argv and BootInfo as the
    // boot-arguments page gives them.
    uint32_t received = symbol(elf, "received");
    ASSERT_NE(received, 0u);
    uint32_t words[4];
    std::memcpy(words, ram.ram(received, 16), 16);
    uint32_t page[4];
    std::memcpy(page, ram.ram(bootArgs, 16), 16);
    EXPECT_EQ(words[3], 1u) << "entered";
    EXPECT_EQ(words[0], 3u) << "keldos.gz, v, b=sd0";
    EXPECT_EQ(words[0], page[1]);
    EXPECT_EQ(words[1], page[2]);
    EXPECT_EQ(words[2], page[3]);
    EXPECT_STREQ(reinterpret_cast<const char*>(ram.ram(bootArgs + 116, 10)), "keldos.gz");
}

INSTANTIATE_TEST_SUITE_P(Machines, KernelBootTest,
                         ::testing::Values(Row{"jornada720", "kernel.elf", false},
                                           Row{"jornada720", "kernel-descending.elf", false},
                                           Row{"wzero3", "kernel-pxa.elf", true},
                                           // 8 MiB: many reserved pages fall inside it.
                                           Row{"jornada720", "kernel-8m.elf", false},
                                           Row{"wzero3", "kernel-pxa-8m.elf", true}),
                         [](const ::testing::TestParamInfo<Row>& info) {
                             std::string name =
                                 std::string(info.param.profile) + "_" + info.param.kernel;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

}  // namespace
