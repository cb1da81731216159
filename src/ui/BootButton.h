// The Boot button at the left of the button row.
#pragma once

#include "ui/Window.h"

class RootWindow;

class BootButton : public Window {
  public:
    // `row`: the button row's rectangle in the root window's client area.
    BootButton(RootWindow* root, const ce::RECT& row);
    // Slot 2: creates the control; true when it is a window.
    virtual bool create(const ce::CREATESTRUCTW* creation);

  private:
    ce::RECT rect;
    RootWindow* root;
};
