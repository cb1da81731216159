// The application object: the module instance, the command bar, the root
// window and the console of the run.
#pragma once

#include "platform/ce/CeWindow.h"

class Console;
class RootWindow;

class BootApp {
  public:
    explicit BootApp(ce::HINSTANCE instance) : instance(instance) {}
    // Releases nothing: the application frame destroys the root window and
    // the console in its own order.
    virtual ~BootApp() = default;

    ce::HINSTANCE instance;
    ce::HWND commandBar = nullptr;  // set by the root window
    RootWindow* rootWindow = nullptr;
    Console* console = nullptr;
};
