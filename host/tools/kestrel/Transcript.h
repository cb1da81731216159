// What kestrel shows on standard output, kept readable: the Console page's
// text and the message boxes as they are, COM1 and the UART each on lines of
// their own that say where they come from. Every line is written whole, so
// a message box never lands in the middle of a console line.
#pragma once

#include <cstdio>
#include <string>

#include "machine/Machine.h"

class Transcript {
  public:
    explicit Transcript(std::FILE* out) : out_(out) {}

    // The Console page's new text (UTF-8, carriage returns still in it).
    void console(const std::string& text);
    // What the machine shows on one of its channels.
    void show(host::Machine::Channel channel, const std::string& bytes);
    // Writes every unfinished line, ended, and flushes.
    void finish();

  private:
    struct Stream {
        const char* prefix;  // "" for the Console page
        bool escape;         // serial bytes: control bytes shown as \xNN
        std::string pending;
    };
    void add(Stream& stream, const std::string& bytes);
    void emit(Stream& stream);

    std::FILE* out_;
    Stream console_{"", false, {}};
    Stream com1_{"[COM1] ", true, {}};
    Stream uart_{"[UART] ", true, {}};
};
