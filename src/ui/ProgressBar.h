// The progress bar between the two buttons; its eleven steps are the boot procedure's.
#pragma once

#include "ui/ButtonRow.h"
#include "ui/Window.h"

class ProgressBar : public Window {
  public:
    // `id`: the control's identifier in the root window.
    ProgressBar(const ButtonRow& row, int id);
    // Creates the control; true when it is a window.
    virtual bool create(const ce::CREATESTRUCTW* creation);

  private:
    ButtonRow row;
    int id;
};
