#include "ui/RootWindow.h"

#include "console/Console.h"

void RootWindow::progress(const char* step) {
    if (step) Console::instance()->print(TEXT("[progress] %S\n"), step);
}

void RootWindow::unprogress() {}
