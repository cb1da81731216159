// The architecture base with no processor of its own, and a fixture around
// it: a handheld, a capture console, a memory manager, and the boot-arguments
// page the architecture writes for the current settings.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "arch/Architecture.h"
#include "boot/ArgumentPageWriter.h"
#include "boot/MenuInterface.h"
#include "ce/CoreDll.h"
#include "loader/Loader.h"
#include "memory/MemoryManager_LockPages.h"
#include "support/CaptureConsole.h"
#include "support/DeviceFolder.h"

namespace testing_support {

class BareArchitecture : public Architecture {
  public:
    using Architecture::Architecture;
    bool init() override { return true; }
    bool setupLoader() override { return true; }
    void jumpTo(uint32_t, uint32_t) override {}
    uint32_t bootArgumentsPage() const { return bootArgsPage; }
};

class EntryOnly : public Loader {
  public:
    using Loader::Loader;
    uint32_t memorySize() override { return 0; }
    bool load() override { return true; }
    uint32_t jumpAddr() override { return 0xC0200000; }
};

inline void setText(char16_t* field, const std::u16string& text) {
    std::memcpy(field, text.c_str(), (text.size() + 1) * sizeof(char16_t));
}

class ArchitectureTest : public ::testing::Test {
  protected:
    static constexpr uint32_t kPage = 4096;

    explicit ArchitectureTest(const std::string& profile = "jornada720",
                              const std::string& extra = "")
        : device(profile, extra) {
        memoryManager = new MemoryManager_LockPages(&host::lockPages, &host::unlockPages,
                                                    consolePointer, kPage, 0);
        architecture = std::make_unique<BareArchitecture>(consolePointer, memoryManager);
        console.text.clear();
    }
    ~ArchitectureTest() override {
        architecture.reset();
        delete memoryManager;
    }
    BootSettings& settings() { return MenuInterface::instance()->settings(); }
    std::vector<host::MessageBoxRecord>& boxes() { return device.machine().messageBoxes(); }

    // A boot-arguments page for the current settings: its bytes and address.
    std::string bootPage(uint32_t& physical) {
        EXPECT_TRUE(architecture->allocateMemory(0));
        MemoryManager* none = memoryManager;
        EntryOnly loader(consolePointer, none);
        console.text.clear();
        const BootSettings& s = settings();
        ArgumentPageWriter writer(consolePointer, s, s.kernelName, s.imageName,
                                  MenuInterface::instance());
        physical = architecture->setupBootInfo(loader, writer);
        const char* page =
            reinterpret_cast<const char*>(uintptr_t(architecture->bootArgumentsPage()));
        return std::string(page, kPage);
    }
    uint32_t word(const std::string& page, uint32_t offset) {
        uint32_t w;
        std::memcpy(&w, page.data() + offset, 4);
        return w;
    }
    std::vector<std::string> arguments(const std::string& page, uint32_t physical) {
        std::vector<std::string> out;
        for (uint32_t i = 0; i < word(page, 4); ++i)
            out.push_back(page.c_str() + (word(page, 52 + 4 * i) - physical));
        return out;
    }

    DeviceFolder device;
    CaptureConsole console;
    Console* consolePointer = &console;
    MemoryManager* memoryManager = nullptr;
    std::unique_ptr<BareArchitecture> architecture;
};

}  // namespace testing_support
