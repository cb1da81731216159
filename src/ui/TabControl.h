// The tab control below the button row, with three image-only tabs whose
// pages are the Main, Option and Console pages.
#pragma once

#include "ui/Window.h"

class TabControl : public Window {
  public:
    // `rect`: the control's rectangle in the client area of `parent`.
    TabControl(ce::HWND parent, Application* app, const ce::RECT& rect, int id);
    // Creates the control and gives it the three tab pictures; true
    // when it is a window.
    virtual bool create(const ce::CREATESTRUCTW* creation);

    const ce::RECT& rectangle() const { return rect; }

  private:
    ce::RECT rect;
    int id;
};
