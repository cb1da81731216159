#include "boot/ArgumentPageWriter.h"

#include "boot/BootInfo.h"
#include "boot/KernelArguments.h"
#include "console/Console.h"

ArgumentPageWriter::ArgumentPageWriter(Console*& console, const BootSettings& settings,
                                       const ce::WCHAR* kernelName, const ce::WCHAR* imageName,
                                       const BoxOwner* boxes)
    : console_(console),
      settings_(settings),
      kernelName_(kernelName),
      imageName_(imageName),
      boxes_(boxes) {}

void ArgumentPageWriter::write(uint8_t* bytes, uint32_t physical, uint32_t size, uint32_t entry,
                               int16_t consoleKind) {
    auto* page = reinterpret_cast<BootArgumentPage*>(bytes);
    uint32_t vectorPhysical = physical + BootArgumentPage::kVectorOffset;
    uint32_t budget = size - BootArgumentPage::kTailBytes - BootArgumentPage::kVectorOffset;
    KernelArguments arguments(page->vector, vectorPhysical, budget, boxes_);
    page->argc = arguments.build(settings_, kernelName_, imageName_);
    page->argv = vectorPhysical;
    fillBootInfo(settings_, page->info);
    page->info.console = consoleKind;
    page->bootInfo = physical + BootArgumentPage::kBootInfoOffset;
    page->entry = entry;

    const BootInfo& info = page->info;
    console_->print(TEXT("framebuffer: %dx%d type=%d linebytes=%d addr=0x%08x\n"), info.width,
                    info.height, info.type, info.lineBytes, info.framebuffer);
    console_->print(TEXT("console = %d\n"), info.console);
}
