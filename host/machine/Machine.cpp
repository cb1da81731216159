#include "machine/Machine.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

namespace host {
namespace {

std::unique_ptr<Machine>& holder() {
    static std::unique_ptr<Machine> machine;
    return machine;
}

constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;
constexpr uint32_t kTypeMask = 0x0F;
constexpr uint32_t kYesNo = 4;
constexpr uint32_t kOkCancel = 1;

}  // namespace

bool Machine::open(const std::filesystem::path& dir, std::string& error) {
    std::ifstream in(dir / "machine.conf");
    if (!in) {
        error = "no machine.conf in " + dir.string();
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    MachineProfile profile;
    MachineProfile::builtin("jornada720", profile);
    std::string reason;
    if (!profile.parse(text.str(), reason)) {
        error = (dir / "machine.conf").string() + ": " + reason;
        return false;
    }
    if (!std::filesystem::is_directory(dir / "root")) {
        error = "no root/ folder in " + dir.string();
        return false;
    }
    openWith(dir, profile);
    return true;
}

void Machine::openWith(const std::filesystem::path& dir, const MachineProfile& profile) {
    close();
    std::unique_ptr<Machine> m(new Machine());
    m->profile_ = profile;
    m->deviceDir_ = std::filesystem::absolute(dir);
    m->out_ = &std::cout;
    holder() = std::move(m);
}

bool Machine::active() {
    return holder() != nullptr;
}

Machine& Machine::current() {
    if (!holder()) {
        std::fprintf(stderr, "kestrel host: no simulated machine is open\n");
        std::abort();
    }
    return *holder();
}

void Machine::close() {
    holder().reset();
}

Machine::~Machine() {
    // Later components may lean on earlier ones (the CPU on physical memory):
    // tear them down in reverse order of creation.
    while (!order_.empty()) {
        std::unique_ptr<MachineComponent> last = std::move(order_.back());
        order_.pop_back();
        std::erase_if(components_, [&](const auto& entry) { return entry.second == last.get(); });
        last.reset();
    }
}

void Machine::setAnswer(const std::string& caption, const std::string& answer) {
    answers_[caption] = {answer};
}

void Machine::addAnswer(const std::string& caption, const std::string& answer) {
    answers_[caption].push_back(answer);
}

int Machine::answerFor(const std::u16string& caption, uint32_t flags) {
    std::string key = toUtf8(caption);
    std::string answer;
    if (auto it = answers_.find(key); it != answers_.end() && !it->second.empty()) {
        answer = it->second.front();
        if (it->second.size() > 1)
            it->second.pop_front();
    } else if (auto jt = profile_.answers.find(key); jt != profile_.answers.end()) {
        answer = jt->second;
    }
    uint32_t type = flags & kTypeMask;
    if (type == kYesNo)
        return answer == "no" ? kIdNo : kIdYes;
    if (type == kOkCancel)
        return answer == "cancel" || answer == "no" ? kIdCancel : kIdOk;
    return kIdOk;
}

void Machine::show(Channel channel, const std::string& bytes) {
    if (viewer_) {
        viewer_(channel, bytes);
        return;
    }
    out().write(bytes.data(), std::streamsize(bytes.size()));
    if (channel != Channel::Uart || bytes.find('\n') != std::string::npos)
        out().flush();
}

void Machine::stop(int status, const std::string& reason) {
    out().flush();
    if (stopper_)
        stopper_(status, reason);
    std::fprintf(stderr, "kestrel host: %s\n", reason.c_str());
    std::exit(status);
}

void Machine::debugOutput(const std::string& text) {
    debugLog_ += text;
    if (debugSink_) {
        debugSink_(text);
        return;
    }
    // Opened once and flushed at every line: a block device read prints a
    // line per request, and a run may end in std::exit at any moment.
    if (!debugFile_.is_open())
        debugFile_.open(deviceDir_ / "debug.log", std::ios::app);
    debugFile_ << text;
    debugFile_.flush();
}

std::string toUtf8(const std::u16string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string fromUtf8(const std::string& text) {
    std::u16string out;
    for (size_t i = 0; i < text.size();) {
        unsigned char b = text[i];
        uint32_t c = 0xFFFD;
        size_t n = 1;
        if (b < 0x80) {
            c = b;
        } else if ((b >> 5) == 6 && i + 1 < text.size()) {
            c = ((b & 0x1F) << 6) | (text[i + 1] & 0x3F), n = 2;
        } else if ((b >> 4) == 14 && i + 2 < text.size()) {
            c = ((b & 0x0F) << 12) | ((text[i + 1] & 0x3F) << 6) | (text[i + 2] & 0x3F), n = 3;
        } else if ((b >> 3) == 30 && i + 3 < text.size()) {
            c = ((b & 0x07) << 18) | ((text[i + 1] & 0x3F) << 12) | ((text[i + 2] & 0x3F) << 6) |
                (text[i + 3] & 0x3F),
            n = 4;
        }
        i += n;
        if (c >= 0x10000) {
            c -= 0x10000;
            out += char16_t(0xD800 + (c >> 10));
            out += char16_t(0xDC00 + (c & 0x3FF));
        } else {
            out += char16_t(c);
        }
    }
    return out;
}

}  // namespace host
