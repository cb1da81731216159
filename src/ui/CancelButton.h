// The Cancel button at the right of the button row.
#pragma once

#include "ui/Window.h"

class RootWindow;

class CancelButton : public Window {
  public:
    // `row`: the button row's rectangle in the root window's client area.
    CancelButton(RootWindow* root, const ce::RECT& row);
    // Slot 2: creates the control; true when it is a window.
    virtual bool create(const ce::CREATESTRUCTW* creation);

  private:
    ce::RECT rect;
    RootWindow* root;
};
