// The application's only top-level window. (The window itself, its controls
// and pages come with the user interface; this is the part the boot
// machinery talks to.)
#pragma once

#include "platform/ce/CeTypes.h"

class RootWindow {
public:
    virtual ~RootWindow() = default;
    ce::HWND handle() const { return window_; }
    // "[progress] <step>" through the process-wide console when step is not
    // null, then the progress bar moves one step.
    void progress(const char* step);
    // The progress bar back to 0.
    void unprogress();

private:
    ce::HWND window_ = nullptr;
};
