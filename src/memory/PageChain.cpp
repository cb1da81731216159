#include "memory/PageChain.h"

#include "memory/MemoryManager.h"
#include "platform/Address.h"

bool PageChain::start() {
    current_ = previous_ = spareTag_ = spareTagEnd_ = nullptr;
    spareTagPhys_ = head_ = 0;
    loadLinkCount_ = zeroLinkCount_ = 0;
    uint32_t dataVirtual = 0, dataPhysical = 0, tagVirtual = 0, tagPhysical = 0;
    if (!memoryManager->nextTaggedPage(dataVirtual, dataPhysical, tagVirtual, tagPhysical))
        return false;
    head_ = tagPhysical;
    current_ = pointerAt<PageTag>(tagVirtual);
    spareTag_ = current_ + 1;
    spareTagPhys_ = tagPhysical + sizeof(PageTag);
    spareTagEnd_ = pointerAt<PageTag>(tagVirtual + memoryManager->getPageSize());
    return true;
}

void PageChain::link(const PageTag& tag, PageTag* following) {
    *current_ = tag;
    previous_ = current_;
    current_ = following;
}

uint8_t* PageChain::appendLoad(uint32_t dst, uint32_t size) {
    uint32_t dataVirtual = 0, dataPhysical = 0, tagVirtual = 0, tagPhysical = 0;
    if (!current_ ||
        !memoryManager->nextTaggedPage(dataVirtual, dataPhysical, tagVirtual, tagPhysical))
        return nullptr;
    link(PageTag{tagPhysical, dataPhysical, dst, size}, pointerAt<PageTag>(tagVirtual));
    ++loadLinkCount_;
    return pointerAt(dataVirtual);
}

bool PageChain::appendZero(uint32_t dst, uint32_t size) {
    // The tag page's pool of spare slots is bounded by the page.
    if (!current_ || spareTag_ >= spareTagEnd_)
        return false;
    link(PageTag{spareTagPhys_, PageTag::kZeroFill, dst, size}, spareTag_);
    ++spareTag_;
    spareTagPhys_ += sizeof(PageTag);
    ++zeroLinkCount_;
    return true;
}

void PageChain::finish() {
    if (previous_)
        previous_->next = PageTag::kEndOfChain;
}
