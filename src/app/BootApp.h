// The application object: the module instance, the command bar, the root
// window and the console of the run.
#pragma once

#include "platform/ce/CeWindow.h"
#include "ui/Application.h"

class Console;
class RootWindow;

class BootApp : public Application {
  public:
    explicit BootApp(ce::HINSTANCE instance) : Application(instance) {}
    // Releases nothing: the application frame destroys the root window and
    // the console in its own order.
    ~BootApp() override = default;

    RootWindow* rootWindow = nullptr;  // owned by WinMain
    Console* console = nullptr;
};
