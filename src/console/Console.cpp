#include "console/Console.h"

#include "console/ConsoleSink.h"
#include "platform/ce/CeText.h"

// Owns the window console; holds whichever console is process-wide.
class ConsoleHolder {
  public:
    static Console*& current() {
        static Console* console = nullptr;
        return console;
    }
    static Console*& window() {
        static Console* console = nullptr;
        return console;
    }
    static ConsoleSink*& sink() {
        static ConsoleSink* sink = nullptr;
        return sink;
    }
    static void destroyWindow() {
        // The window console is created as exactly a Console, so deleting it
        // through its own type is sound although the destructor is not virtual.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdelete-non-virtual-dtor"
        delete window();
#pragma GCC diagnostic pop
        window() = nullptr;
        current() = nullptr;
    }
};

Console* Console::instance() {
    if (!ConsoleHolder::current()) {
        if (!ConsoleHolder::window())
            ConsoleHolder::window() = new Console(kWindow);
        ConsoleHolder::current() = ConsoleHolder::window();
    }
    return ConsoleHolder::current();
}

void Console::changeConsole(Console* console) {
    ConsoleHolder::current() = console;
}

void Console::destroy() {
    ConsoleHolder::destroyWindow();
}

void Console::setSink(ConsoleSink* sink) {
    ConsoleHolder::sink() = sink;
}

void Console::format(const ce::WCHAR* format, va_list args) {
    ce::_vsnwprintf(line_, kLineUnits, format, args);
}

void Console::printToWindow(const ce::WCHAR* format, va_list args) {
    this->format(format, args);
    if (ConsoleSink* sink = ConsoleHolder::sink())
        sink->write(line_);
}

void Console::print(const ce::WCHAR* format, ...) {
    va_list args;
    va_start(args, format);
    printToWindow(format, args);
    va_end(args);
}
