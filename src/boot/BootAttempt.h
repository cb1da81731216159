// One boot attempt in two halves: prepare() runs the steps that lay the
// kernel out (progress "0" to "10") and checks the finished chain; jump()
// asks the last question and leaves Windows CE. The boot procedure runs
// both; a planning tool runs only prepare() and looks at what it built.
#pragma once

#include <cstdint>

#include "platform/ce/CeTypes.h"

class Boot;
class MenuInterface;

class BootAttempt {
  public:
    BootAttempt(Boot& boot, MenuInterface& menu) : boot_(boot), menu_(menu) {}

    // Both halves; a failure ends in one "BOOT FAILED" box.
    void run();
    // Everything up to the jump; false at the first failing step, whose
    // message failure() then gives (an open file is closed by fail()).
    bool prepare();
    // The processor check (the platform's CPU family must be the one
    // GetSystemInfo reports), the "Last chance..." question and the jump;
    // returns only on failure.
    bool jump();
    // Closes what is open and shows the failure's box.
    void fail();

    const ce::WCHAR* failure() const { return message_; }
    uint32_t bootArguments() const { return bootArgs_; }

  private:
    void announce();
    bool sizeImage(uint32_t& imageBytes);
    bool loadKernel(uint32_t imageBytes);
    bool placeKernel(uint32_t imageBytes);
    bool loadImage();
    bool chainIsSound();
    bool processorFits();
    bool failWith(const ce::WCHAR* message);

    Boot& boot_;
    MenuInterface& menu_;
    const ce::WCHAR* message_ = nullptr;
    ce::WCHAR detail_[128] = {};  // a message made for this attempt
    bool fileOpen_ = false;
    uint32_t bootArgs_ = 0;
    uint32_t imageSize_ = 0;  // the image's content bytes, as sized
};
