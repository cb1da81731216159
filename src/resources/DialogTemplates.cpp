// The tab pages' dialog templates, laid out as the resource compiler emits
// them (see DLGTEMPLATE in platform/ce/CeWindow.h). Coordinates are dialog
// units.
#include <cstddef>

#include "platform/ce/CeWindow.h"
#include "resources/Resources.h"

namespace {

struct Item {
    uint16_t id;
    uint16_t classOrdinal;
    const ce::WCHAR* text;
    uint32_t style;
    int16_t x, y, cx, cy;
};

using ce::DLG_CLASS_BUTTON;
using ce::DLG_CLASS_COMBOBOX;
using ce::DLG_CLASS_EDIT;
using ce::DLG_CLASS_STATIC;

constexpr uint32_t kCombo = 0x50A10042;  // visible child, border, scroll bar, tab stop, drop-down
constexpr uint32_t kLineEdit = 0x50810080;  // visible child, border, tab stop, auto scroll
constexpr uint32_t kRadio = 0x50000009;
constexpr uint32_t kCheck = 0x50010003;
constexpr uint32_t kPush = 0x50010000;

const Item kMainItems[] = {
    {1001, DLG_CLASS_COMBOBOX, TEXT(""), kCombo, 5, 5, 70, 120},
    {1003, DLG_CLASS_EDIT, TEXT(""), kLineEdit, 75, 5, 40, 12},
    {1002, DLG_CLASS_COMBOBOX, TEXT(""), kCombo, 5, 20, 110, 80},
    {101, DLG_CLASS_BUTTON, TEXT("wd"), kRadio, 10, 40, 22, 10},
    {102, DLG_CLASS_BUTTON, TEXT("sd"), kRadio, 35, 40, 22, 10},
    {103, DLG_CLASS_BUTTON, TEXT("md"), kRadio, 60, 40, 22, 10},
    {104, DLG_CLASS_BUTTON, TEXT("nfs"), kRadio, 85, 40, 22, 10},
    {105, DLG_CLASS_BUTTON, TEXT("dk"), kRadio, 10, 51, 22, 10},
    {106, DLG_CLASS_BUTTON, TEXT("ld"), kRadio, 35, 51, 22, 10},
    {107, DLG_CLASS_EDIT, TEXT(""), kLineEdit, 10, 64, 100, 12},
    {100, DLG_CLASS_BUTTON, TEXT("root file system"), 0x50000007, 5, 31, 110, 48},
    {152, DLG_CLASS_BUTTON, TEXT("boot verbosely"), kCheck, 5, 59, 120, 9},
    {151, DLG_CLASS_BUTTON, TEXT("boot to single user"), kCheck, 5, 68, 120, 9},
    {150, DLG_CLASS_BUTTON, TEXT("ask for file name to boot from"), kCheck, 5, 77, 120, 9},
    {155, DLG_CLASS_BUTTON, TEXT("break into kernel debugger"), kCheck, 5, 86, 120, 9},
    {153, DLG_CLASS_BUTTON, TEXT("serial console"), kCheck, 5, 95, 55, 9},
    {154, DLG_CLASS_COMBOBOX, TEXT(""), kCombo, 65, 93, 50, 40},
};

const Item kOptionItems[] = {
    {200, DLG_CLASS_BUTTON, TEXT("Auto Boot"), kCheck, 5, 0, 50, 12},
    {2000, DLG_CLASS_EDIT, TEXT(""), 0x50810000, 55, 0, 24, 15},
    {201, DLG_CLASS_BUTTON, TEXT("Reverse Video"), kCheck, 5, 14, 80, 12},
    {202, DLG_CLASS_BUTTON, TEXT("Pause Before Boot"), kCheck, 5, 26, 80, 12},
    {203, DLG_CLASS_BUTTON, TEXT("Load Debug Info"), kCheck, 5, 38, 80, 12},
    {205, DLG_CLASS_BUTTON, TEXT("Safety Message"), kCheck, 5, 50, 80, 12},
    {65535, DLG_CLASS_STATIC, TEXT("Extra Kernel Options:"), 0x50020000, 5, 62, 80, 12},
    {206, DLG_CLASS_EDIT, TEXT(""), kLineEdit, 5, 74, 120, 12},
};

const Item kConsoleItems[] = {
    {307, DLG_CLASS_BUTTON, TEXT(""), kCheck, 5, 0, 10, 10},
    {306, DLG_CLASS_BUTTON, TEXT(""), kCheck, 15, 0, 10, 10},
    {305, DLG_CLASS_BUTTON, TEXT(""), kCheck, 25, 0, 10, 10},
    {304, DLG_CLASS_BUTTON, TEXT(""), kCheck, 35, 0, 10, 10},
    {303, DLG_CLASS_BUTTON, TEXT(""), kCheck, 45, 0, 10, 10},
    {302, DLG_CLASS_BUTTON, TEXT(""), kCheck, 55, 0, 10, 10},
    {301, DLG_CLASS_BUTTON, TEXT(""), kCheck, 65, 0, 10, 10},
    {300, DLG_CLASS_BUTTON, TEXT(""), kCheck, 75, 0, 10, 10},
    {310, DLG_CLASS_BUTTON, TEXT("a"), kPush, 85, 0, 10, 10},
    {311, DLG_CLASS_BUTTON, TEXT("b"), kPush, 95, 0, 10, 10},
    {312, DLG_CLASS_BUTTON, TEXT("c"), kPush, 105, 0, 10, 10},
    {313, DLG_CLASS_BUTTON, TEXT("d"), kPush, 115, 0, 10, 10},
    {321, DLG_CLASS_BUTTON, TEXT("save to file"), kCheck, 5, 10, 120, 10},
    {322, DLG_CLASS_EDIT, TEXT(""), kLineEdit, 5, 20, 120, 12},
    {320, DLG_CLASS_EDIT, TEXT(""), 0x50A110C4, 0, 0, 0, 0},
};

// Room for the largest template: header, three words, and per item its
// header, class ordinal, text, creation-data word and alignment.
constexpr size_t kTemplateWords = 1024;

// Appends words to a template under construction; never past its end.
class TemplateWriter {
  public:
    explicit TemplateWriter(uint16_t* words) : words_(words) {}
    void word(uint16_t w) {
        if (count_ < kTemplateWords)
            words_[count_++] = w;
    }
    void dword(uint32_t d) {
        word(uint16_t(d & 0xFFFF));
        word(uint16_t(d >> 16));
    }
    void text(const ce::WCHAR* s) {
        while (*s)
            word(uint16_t(*s++));
        word(0);
    }
    void alignToDword() {
        if (count_ % 2)
            word(0);
    }
    size_t bytes() const { return count_ * 2; }

  private:
    uint16_t* words_;
    size_t count_ = 0;
};

// The header: style WS_CHILD only (no caption, no font), position and size 0.
template <size_t N>
uint32_t build(uint16_t* words, const Item (&items)[N]) {
    TemplateWriter out(words);
    out.dword(ce::WS_CHILD);
    out.dword(0);  // extended style
    out.word(uint16_t(N));
    for (int i = 0; i < 4; ++i)
        out.word(0);  // x, y, cx, cy
    out.word(0);      // no menu
    out.word(0);      // the dialog class
    out.word(0);      // no title
    for (const Item& item : items) {
        out.alignToDword();
        out.dword(item.style);
        out.dword(0);
        out.word(uint16_t(item.x));
        out.word(uint16_t(item.y));
        out.word(uint16_t(item.cx));
        out.word(uint16_t(item.cy));
        out.word(item.id);
        out.word(0xFFFF);
        out.word(item.classOrdinal);
        out.text(item.text);
        out.word(0);  // no creation data
    }
    return uint32_t(out.bytes());
}

}  // namespace

const void* mainPageTemplate(uint32_t* size) {
    alignas(4) static uint16_t words[kTemplateWords];
    static const uint32_t bytes = build(words, kMainItems);
    *size = bytes;
    return words;
}

const void* optionPageTemplate(uint32_t* size) {
    alignas(4) static uint16_t words[kTemplateWords];
    static const uint32_t bytes = build(words, kOptionItems);
    *size = bytes;
    return words;
}

const void* consolePageTemplate(uint32_t* size) {
    alignas(4) static uint16_t words[kTemplateWords];
    static const uint32_t bytes = build(words, kConsoleItems);
    *size = bytes;
    return words;
}
