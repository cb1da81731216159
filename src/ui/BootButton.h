// The Boot button at the left of the button row.
#pragma once

#include "ui/ButtonRow.h"
#include "ui/Window.h"

class BootButton : public Window {
  public:
    // `id`: the control's identifier in the root window.
    BootButton(const ButtonRow& row, int id);
    // Creates the control; true when it is a window.
    virtual bool create(const ce::CREATESTRUCTW* creation);

  private:
    ButtonRow row;
    int id;
};
