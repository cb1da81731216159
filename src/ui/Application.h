// What the windows need of the application that runs them: the module
// instance their resources come from, and a place for the command bar's
// handle. The application object derives from it.
#pragma once

#include "platform/ce/CeWindow.h"

class Application {
  public:
    explicit Application(ce::HINSTANCE instance) : instance(instance) {}
    virtual ~Application() = default;

    ce::HINSTANCE instance;
    ce::HWND commandBar = nullptr;  // set by the root window
};
