// The root window as MenuInterface sees it: the progress bar it moves and
// the window that owns the boot's message boxes. The user interface above
// implements it and registers its root window in MenuInterface.
#pragma once

#include "platform/ce/CeTypes.h"

class MenuWindow {
  public:
    // "[progress] <step>" on the console when step is not null, then the
    // progress bar moves by one.
    virtual void progress(const char* step) = 0;
    // The progress bar back to 0.
    virtual void unprogress() = 0;
    // The platform window, or null before it exists.
    virtual ce::HWND windowHandle() const = 0;

  protected:
    ~MenuWindow() = default;  // the user interface owns the window
};
