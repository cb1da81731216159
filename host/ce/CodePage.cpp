#include "ce/CodePage.h"

#include <iconv.h>

#include <cerrno>
#include <map>

#include "machine/Machine.h"

namespace host {
namespace {

// Converts one run with iconv; false when the run holds something the target
// cannot take (EILSEQ) or the converter is unusable.
bool convertRun(iconv_t cd, const char* in, size_t inSize, std::string& out) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char buffer[64];
    char* src = const_cast<char*>(in);
    size_t left = inSize;
    while (left > 0) {
        char* dst = buffer;
        size_t room = sizeof buffer;
        size_t r = iconv(cd, &src, &left, &dst, &room);
        out.append(buffer, size_t(dst - buffer));
        if (r == size_t(-1) && errno != E2BIG)
            return false;
    }
    char* dst = buffer;
    size_t room = sizeof buffer;
    iconv(cd, nullptr, nullptr, &dst, &room);
    out.append(buffer, size_t(dst - buffer));
    return true;
}

class Converter {
  public:
    Converter(const std::string& to, const std::string& from)
        : cd_(iconv_open(to.c_str(), from.c_str())) {}
    ~Converter() {
        if (ok())
            iconv_close(cd_);
    }
    bool ok() const { return cd_ != iconv_t(-1); }
    iconv_t get() const { return cd_; }

  private:
    iconv_t cd_;
};

}  // namespace

std::string codePageName(uint32_t codePage) {
    if (codePage == 0) {
        return Machine::active() ? Machine::current().profile().codePage : "CP1252";
    }
    if (codePage == 65001)
        return "UTF-8";
    return "CP" + std::to_string(codePage);
}

bool encode(const std::string& codePage, const std::u16string& text, std::string& out,
            char fallback, bool* usedDefault) {
    Converter cd(codePage, "UTF-16LE");
    if (!cd.ok())
        return false;
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        size_t n = 1;
        if (text[i] >= 0xD800 && text[i] < 0xDC00 && i + 1 < text.size())
            n = 2;
        std::string piece;
        char bytes[4];
        for (size_t k = 0; k < n; ++k) {
            bytes[2 * k] = char(text[i + k] & 0xFF);
            bytes[2 * k + 1] = char(text[i + k] >> 8);
        }
        if (convertRun(cd.get(), bytes, 2 * n, piece)) {
            out += piece;
        } else {
            out += fallback;
            if (usedDefault)
                *usedDefault = true;
        }
        i += n - 1;
    }
    return true;
}

bool decode(const std::string& codePage, const std::string& bytes, std::u16string& out) {
    Converter cd("UTF-16LE", codePage);
    if (!cd.ok())
        return false;
    out.clear();
    iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(bytes.data());
    size_t left = bytes.size();
    while (left > 0) {
        char buffer[256];
        char* dst = buffer;
        size_t room = sizeof buffer;
        size_t r = iconv(cd.get(), &src, &left, &dst, &room);
        for (char* p = buffer; p + 1 < dst; p += 2) {
            out += char16_t(uint8_t(p[0]) | (uint8_t(p[1]) << 8));
        }
        if (r == size_t(-1) && errno != E2BIG) {
            // An invalid or cut sequence: show '?' and go on after that byte.
            out += u'?';
            ++src;
            --left;
            iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
        }
    }
    return true;
}

}  // namespace host
