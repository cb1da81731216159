// The row below the command bar that holds the Boot button, the progress bar
// and the Cancel button: the window they belong to, the row's rectangle in
// its client area and the size of a button. The root window measures the row
// and hands it to each control, which needs nothing else of the root window.
#pragma once

#include "platform/ce/CeWindow.h"

class Application;

struct ButtonRow {
    ce::HWND parent;
    Application* app;
    ce::RECT rect;
    int buttonWidth;
    int buttonHeight;
};
