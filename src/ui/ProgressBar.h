// The progress bar between the two buttons; its eleven steps are the boot procedure's.
#pragma once

#include "ui/Window.h"

class RootWindow;

class ProgressBar : public Window {
  public:
    // `row`: the button row's rectangle in the root window's client area.
    ProgressBar(RootWindow* root, const ce::RECT& row);
    // Slot 2: creates the control; true when it is a window.
    virtual bool create(const ce::CREATESTRUCTW* creation);

  private:
    ce::RECT rect;
    RootWindow* root;
};
