// plan: the loader's part of a boot, run on a simulated handheld without the
// jump. It prints what the system prints (file check, size line, reservation,
// the links, the link counts), then walks the finished PageTag chain as the
// second-stage loader will and says whether every byte the ELF file asks for
// landed at its physical address.
#include <stdlib.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "Commands.h"
#include "Handheld.h"
#include "console/Console.h"
#include "file/FileManager.h"
#include "loader/ElfLoader.h"
#include "machine/ChainWalker.h"
#include "machine/KernelLayout.h"
#include "machine/Machine.h"
#include "machine/MachineProfile.h"
#include "machine/PhysicalImage.h"
#include "machine/PhysicalMemory.h"
#include "memory/MemoryManager_LockPages.h"
#include "platform/Architecture.h"

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kOpenMode = 3;
constexpr uint32_t kPageSize = 4096;
// What the OS's own RAM holds in the walked copy, so that zero fills show.
constexpr uint8_t kOsFill = 0xA5;

// The architecture's share of the plan: the reservation and the
// second-stage loader's page, nothing that needs the CPU.
class PlanArchitecture : public Architecture {
  public:
    using Architecture::Architecture;
    bool init() override { return true; }
    bool setupLoader() override {
        uint32_t v = 0, p = 0;
        return memoryManager->takeLastPage(v, p);
    }
    void jumpTo(uint32_t, uint32_t) override {}
};

int fail(const std::string& message) {
    std::fprintf(stderr, "kestrel-util plan: %s\n", message.c_str());
    return 1;
}

int usage() {
    return fail(
        "usage: plan [--device DEVICE | --profile NAME] DIR NAME [IMAGE]\n"
        "  DIR: a directory of this PC (on a handheld of the built-in profile NAME,\n"
        "  jornada720 by default), an http:// root, or a directory of the device\n"
        "  folder DEVICE such as '\\Storage Card\\'");
}

// The whole content of the open file, as the loader sees it.
bool readAll(FileManager& files, std::string& bytes) {
    uint32_t size = files.realSize();
    if (size == 0xFFFFFFFF)
        return false;
    bytes.assign(size, '\0');
    return size == 0 || files.read(bytes.data(), size, 0) == int32_t(size);
}

struct Request {
    std::u16string kernel;
    std::u16string image;  // empty: none
};

// One boot's loading steps, in the boot procedure's order.
class Plan {
  public:
    Plan(FileManager& files, const Request& request) : files_(files), request_(request) {}
    ~Plan() {
        loader_.reset();
        architecture_.reset();
        delete memoryManager_;
    }

    bool run(std::string& kernelBytes, std::string& imageBytes, std::string& error) {
        uint32_t image = 0;
        if (!request_.image.empty() && !sizeImage(image, imageBytes, error))
            return false;
        if (!open(request_.kernel, error))
            return false;
        FileManager* file = &files_;
        if (fileFormat(file) != 1) {
            console_.print(TEXT("unknown file format.\n"));
            return error = "the kernel is not an ELF file", false;
        }
        if (!readAll(files_, kernelBytes))
            return error = "cannot read the kernel", false;
        // As the Boot object does: the architecture first, which finds the
        // discovery calls for the memory manager.
        architecture_ = std::make_unique<PlanArchitecture>(slot_, memoryManager_);
        memoryManager_ = new MemoryManager_LockPages(
            architecture_->findLockPages(), architecture_->findUnlockPages(), slot_, kPageSize, 0);
        loader_ = std::make_unique<ElfLoader>(slot_, memoryManager_);
        if (!loader_->setFile(file))
            return error = "Can't initialize loader.", false;
        uint32_t kernel = memoryManager_->roundUpPage(loader_->memorySize());
        if (!architecture_->allocateMemory(image + kernel))
            return error = "Can't allocate memory.", false;
        if (!architecture_->setupLoader())
            return error = "Can't set up loader.", false;
        if (!loader_->load())
            return error = "Can't load kernel image to memory.", false;
        files_.close();
        if (!request_.image.empty()) {
            if (!open(request_.image, error))
                return false;
            if (!loader_->loadFileSystemImage())
                return error = "Can't load file system image to memory.", false;
            files_.close();
        }
        loader_->finishLinks();
        return true;
    }

    uint32_t head() const { return loader_->listHead(); }
    MemoryManager& memoryManager() { return *memoryManager_; }

  private:
    bool open(const std::u16string& name, std::string& error) {
        if (files_.open(name.c_str(), kOpenMode))
            return true;
        return error = "cannot open " + host::toUtf8(name), false;
    }
    bool sizeImage(uint32_t& bytes, std::string& content, std::string& error) {
        if (!open(request_.image, error))
            return false;
        bool read = readAll(files_, content);
        bytes = uint32_t((uint64_t(content.size()) + kPageSize - 1) / kPageSize * kPageSize);
        files_.close();
        return read || (error = "cannot read the image", false);
    }

    FileManager& files_;
    const Request& request_;
    StreamConsole console_{stdout};
    Console* slot_ = &console_;
    MemoryManager* memoryManager_ = nullptr;
    std::unique_ptr<PlanArchitecture> architecture_;
    std::unique_ptr<ElfLoader> loader_;
};

// Link destinations that land on reserved pages would overwrite tags or
// data before the walk reaches them.
std::vector<std::string> overlaps(const host::KernelLayout& layout, MemoryManager& memory) {
    std::vector<std::string> found;
    const MemoryManager::PageEntry* pages = memory.pageTable();
    for (const auto& piece : layout.pieces()) {
        uint64_t start = piece.address, end = start + piece.bytes.size();
        for (int i = 0; pages && i < memory.mappedCount(); ++i) {
            uint64_t page = pages[i].physicalAddress;
            if (start < page + kPageSize && page < end) {
                char text[128];
                std::snprintf(text, sizeof(text), "%s overlaps the reserved page at 0x%08x",
                              piece.what.c_str(), uint32_t(page));
                found.push_back(text);
            }
        }
    }
    return found;
}

int check(Plan& plan, const std::string& kernel, const std::string& image) {
    host::KernelLayout layout;
    std::string error;
    if (!host::KernelLayout::fromElf(kernel, layout, error))
        return fail(error);
    if (!image.empty())
        layout.addImage(image);
    host::Machine& machine = host::Machine::current();
    auto& ram = machine.component<host::PhysicalMemory>();
    host::PhysicalImage copy(ram);
    for (const auto& range : ram.reservedRanges())
        std::memset(copy.at(range.base, range.size), kOsFill, range.size);
    bool pxa = !machine.profile().isStrongArm();
    host::ChainWalker::Result walked = host::ChainWalker(pxa).walk(copy, plan.head());
    std::printf("walk: %u links, last end 0x%08x, stack 0x%08x\n", walked.links, walked.lastEnd,
                walked.stackPointer);
    std::vector<std::string> problems = walked.faults;
    for (const std::string& p : overlaps(layout, plan.memoryManager()))
        problems.push_back(p);
    for (const std::string& p : layout.compare(copy, pxa))
        problems.push_back(p);
    if (!walked.ended)
        problems.push_back("the chain does not end");
    for (const std::string& p : problems)
        std::printf("  %s\n", p.c_str());
    if (!problems.empty()) {
        std::printf("NOT in place: %zu problem(s)\n", problems.size());
        return 1;
    }
    std::printf("every loaded byte in place: %llu bytes in %zu pieces%s\n",
                static_cast<unsigned long long>(layout.byteCount()), layout.pieces().size(),
                layout.hasSymbols() ? " (with the symbol block)" : "");
    return 0;
}

}  // namespace

int planCommand(const Arguments& args) {
    std::string device, profile = "jornada720";
    std::vector<std::string> rest;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--device" && i + 1 < args.size()) {
            device = args[++i];
        } else if (args[i] == "--profile" && i + 1 < args.size()) {
            profile = args[++i];
        } else {
            rest.push_back(args[i]);
        }
    }
    if (rest.size() < 2 || rest.size() > 3)
        return usage();
    std::string directory = rest[0], error;
    Handheld handheld;
    if (!handheld.open(directory, device, profile, "", error))
        return fail(error);
    host::Machine::current().setOut(&std::cout);
    StreamConsole console(stdout);
    Console* slot = &console;
    std::unique_ptr<FileManager> files(FileManager::create(slot, fileKindFor(directory)));
    if (!files)
        return fail("no reader for " + directory);
    if (!files->setRoot(host::fromUtf8(directory).c_str()))
        return 1;  // the system said why
    Request request{host::fromUtf8(rest[1]), rest.size() == 3 ? host::fromUtf8(rest[2]) : u""};
    Plan plan(*files, request);
    std::string kernel, image;
    bool planned = plan.run(kernel, image, error);
    std::fflush(stdout);
    if (!planned)
        return fail(error);
    int status = check(plan, kernel, image);
    std::fflush(stdout);
    return status;
}
