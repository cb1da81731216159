// The base of every window object of the user interface: the platform
// window it stands for, its parent and the application that runs it.
#pragma once

#include "platform/ce/CeWindow.h"

class Application;

class Window {
  public:
    Window(ce::HWND parent, Application* app) : window(nullptr), parent(parent), app(app) {}
    virtual ~Window() = default;
    // True when the message was handled. The base handles only
    // WM_DESTROY, by ending the message loop.
    virtual bool proc(ce::HWND hwnd, ce::UINT message, ce::WPARAM wParam, ce::LPARAM lParam);

    ce::HWND handle() const { return window; }
    Application* application() const { return app; }

  protected:
    ce::HWND window;
    ce::HWND parent;
    Application* app;
};
