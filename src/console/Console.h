// Where everything the system reports goes. The class is at once the window
// console (its output reaches the Console page through the sink that the
// user interface registers) and the base of the serial consoles.
#pragma once

#include <cstdarg>
#include <cstdint>

#include "platform/ce/CeTypes.h"

class ConsoleSink;

class Console {
  public:
    static constexpr int16_t kWindow = 1;
    static constexpr int16_t kSerial = 2;
    static constexpr int kLineUnits = 259;

    Console() : Console(kWindow) {}

    // Formats the message and shows it.
    virtual void print(const ce::WCHAR* format, ...);
    // True when the console can be used.
    virtual bool init() { return true; }

    int16_t kind() const { return kind_; }

    // The process-wide console; the first call creates the window console.
    static Console* instance();
    // Makes `console` the process-wide console. The previous one is neither
    // destroyed nor told; the caller keeps owning `console`.
    static void changeConsole(Console* console);
    // At exit: destroys the window console that instance() created and
    // empties the holder.
    static void destroy();
    // The window console's lines go to `sink` from now on; null drops them,
    // as before there is a Console page. The caller keeps owning the sink.
    static void setSink(ConsoleSink* sink);

  protected:
    explicit Console(int16_t kind) : kind_(kind), line_{} {}
    ~Console() = default;  // each console is destroyed through its creator's class

    // Formats into line_. A message longer than the line is cut at
    // kLineUnits - 1 units; nothing is written past the line.
    void format(const ce::WCHAR* format, va_list args);
    // The window console's output: line_ to the sink.
    void printToWindow(const ce::WCHAR* format, va_list args);
    const ce::WCHAR* line() const { return line_; }

  private:
    friend class ConsoleHolder;
    int16_t kind_;
    ce::WCHAR line_[kLineUnits];
};
