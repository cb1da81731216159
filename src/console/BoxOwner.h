// The window that owns the message boxes the lower layers raise (the root
// window, once there is one). Components are given the owner and ask it for
// the handle when they show a box, so a window made later still owns it.
#pragma once

#include "platform/ce/CeTypes.h"

class BoxOwner {
  public:
    // The owner's handle, or null while there is no window.
    virtual ce::HWND boxOwner() const = 0;

    // A box owned by `owner`'s window (by no window when `owner` is null or
    // has none); the owner is repainted after it. Returns the button chosen.
    static int show(const BoxOwner* owner, const ce::WCHAR* text, const ce::WCHAR* caption,
                    ce::UINT flags);

  protected:
    ~BoxOwner() = default;  // owners are destroyed through their own classes
};
