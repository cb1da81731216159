// The entry point of the application.
#pragma once

#include "platform/ce/CeWindow.h"

// Starts the objects of the run, registers the window class, creates the
// root window and runs the message loop; returns the exit code. The
// previous instance, command line and show state are not used.
int WinMain(ce::HINSTANCE instance, ce::HINSTANCE previous, ce::LPWSTR commandLine, int show);

class BootApp;
// Runs the message loop until WM_QUIT; returns its wParam.
int runMessageLoop(BootApp* app);
