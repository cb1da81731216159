#include "Transcript.h"

void Transcript::console(const std::string& text) {
    add(console_, text);
}

void Transcript::show(host::Machine::Channel channel, const std::string& bytes) {
    switch (channel) {
        case host::Machine::Channel::MessageBox: {
            // A box goes out at once, between whole lines; the lines of a
            // text of several lines are indented under its first.
            std::string box = bytes;
            if (!box.empty() && box.back() == '\n')
                box.pop_back();
            for (size_t at = box.find('\n'); at != std::string::npos; at = box.find('\n', at + 3))
                box.insert(at + 1, "  ");
            std::fprintf(out_, "%s\n", box.c_str());
            std::fflush(out_);
            break;
        }
        case host::Machine::Channel::Com1:
            add(com1_, bytes);
            break;
        case host::Machine::Channel::Uart:
            add(uart_, bytes);
            break;
    }
}

void Transcript::finish() {
    for (Stream* s : {&console_, &com1_, &uart_}) {
        if (!s->pending.empty())
            emit(*s);
    }
    std::fflush(out_);
}

void Transcript::add(Stream& stream, const std::string& bytes) {
    for (char c : bytes) {
        unsigned char b = static_cast<unsigned char>(c);
        if (c == '\n') {
            emit(stream);
        } else if (c == '\r') {
            // Line ends as on a PC: the carriage return before a line feed
            // (or on its own) says nothing a terminal needs.
        } else if (stream.escape && ((b < 0x20 && c != '\t') || b == 0x7F)) {
            char text[8];
            std::snprintf(text, sizeof text, "\\x%02x", b);
            stream.pending += text;
        } else {
            stream.pending += c;
        }
    }
    std::fflush(out_);
}

void Transcript::emit(Stream& stream) {
    std::fprintf(out_, "%s%s\n", stream.prefix, stream.pending.c_str());
    stream.pending.clear();
}
