#include "ui/ConsolePage.h"

#include "boot/MenuInterface.h"
#include "boot/StorageCard.h"
#include "platform/Allocate.h"
#include "platform/ce/CeFile.h"
#include "platform/ce/CeText.h"

namespace {

enum : int {
    kFirstCheck = 300,  // 300 + bit of the console check-box mask
    kLastCheck = 307,
    kFirstButton = 310,  // 310 + console button hook
    kLastButton = 313,
    kTextBox = 320,
    kSaveToFile = 321,
    kFileName = 322,
};

constexpr ce::WCHAR kLowSevenBits = 0x7F;

}  // namespace

ConsolePage::ConsolePage(TabControl* tabControl, int index)
    : TabPage(tabControl, index, TEXT("WConsole")), logFile(ce::INVALID_HANDLE_VALUE) {}

ConsolePage::~ConsolePage() {
    if (logFile != ce::INVALID_HANDLE_VALUE)
        ce::CloseHandle(logFile);
}

void ConsolePage::init(ce::HWND dialog) {
    TabPage::init(dialog);
    ScreenMetrics m = screenMetrics();
    textBox = item(kTextBox);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    ce::MoveWindow(textBox, scale(5, m.dpiX), scale(60, m.dpiY),
                   scale(width * 96 / m.dpiX - 10, m.dpiX),
                   scale(height * 96 / m.dpiY - 60, m.dpiY), ce::TRUE);
    ce::SendMessageW(textBox, ce::EM_FMTLINES, ce::TRUE, 0);

    fileNameBox = item(kFileName);
    saveToFile = false;
    ce::SetWindowTextW(fileNameBox, TEXT("bootlog.txt"));
    ce::EnableWindow(fileNameBox, ce::FALSE);
}

void ConsolePage::command(int id, int) {
    MenuInterface* menu = MenuInterface::instance();
    if (id >= kFirstCheck && id <= kLastCheck) {
        uint32_t bit = 1u << (id - kFirstCheck);
        if (checked(id)) {
            menu->consoleCheckMask |= bit;
        } else {
            menu->consoleCheckMask &= ~bit;
        }
    } else if (id >= kFirstButton && id <= kLastButton) {
        const MenuInterface::ConsoleButton& button = menu->consoleButtons[id - kFirstButton];
        if (button.function)
            button.function(button.argument, uint8_t(menu->consoleCheckMask & 0xFF));
    } else if (id == kSaveToFile) {
        saveToFile = checked(kSaveToFile);
        ce::EnableWindow(fileNameBox, saveToFile ? ce::TRUE : ce::FALSE);
    }
}

void ConsolePage::appendText(const ce::WCHAR* text, bool direct) {
    if (!text)
        return;
    if (!direct && saveToFile) {
        if (logFile != ce::INVALID_HANDLE_VALUE || openLogFile()) {
            writeToLog(text);
            return;
        }
        saveToFile = false;
        check(kSaveToFile, false);
        ce::EnableWindow(fileNameBox, ce::FALSE);
    }
    showInBox(text);
}

bool ConsolePage::openLogFile() {
    ce::WCHAR card[ce::MAX_PATH];
    if (!findStorageCard(card, ce::MAX_PATH)) {
        appendText(TEXT("couldn't find temporary directory.\n"), true);
        return false;
    }
    ce::WCHAR name[ce::MAX_PATH] = {};
    ce::GetWindowTextW(fileNameBox, name, ce::MAX_PATH);
    // "\" card "\" name: two names of up to 259 units fit.
    ce::WCHAR path[2 * ce::MAX_PATH + 2];
    ce::_snwprintf(path, sizeof path / sizeof path[0], TEXT("\\%s\\%s"), card, name);
    logFile = ce::CreateFileW(path, ce::GENERIC_WRITE, 0, nullptr, ce::CREATE_ALWAYS,
                              ce::FILE_ATTRIBUTE_NORMAL, nullptr);
    if (logFile == ce::INVALID_HANDLE_VALUE)
        return false;
    ce::WCHAR announcement[2 * ce::MAX_PATH + 16];
    ce::_snwprintf(announcement, sizeof announcement / sizeof announcement[0],
                   TEXT("log file is %s\n"), path);
    appendText(announcement, true);
    return true;
}

void ConsolePage::writeToLog(const ce::WCHAR* text) {
    // Written in small pieces so that no buffer has to hold a whole message.
    char bytes[64];
    size_t used = 0;
    ce::DWORD written = 0;
    for (const ce::WCHAR* p = text; *p; ++p) {
        bytes[used++] = char(*p & kLowSevenBits);
        if (used == sizeof bytes) {
            ce::WriteFile(logFile, bytes, ce::DWORD(used), &written, nullptr);
            used = 0;
        }
    }
    if (used)
        ce::WriteFile(logFile, bytes, ce::DWORD(used), &written, nullptr);
    ce::FlushFileBuffers(logFile);
}

void ConsolePage::showInBox(const ce::WCHAR* text) {
    size_t length = ce::wcslen(text);
    size_t lineFeeds = 0;
    for (const ce::WCHAR* p = text; *p; ++p)
        lineFeeds += *p == u'\n';
    std::unique_ptr<ce::WCHAR[]> copy = allocateArray<ce::WCHAR>(length + lineFeeds + 1);
    if (!copy)
        return;
    size_t out = 0;
    for (const ce::WCHAR* p = text; *p; ++p) {
        if (*p == u'\n')
            copy[out++] = u'\r';
        copy[out++] = *p;
    }
    copy[out] = 0;
    ce::WPARAM end = ce::WPARAM(ce::GetWindowTextLengthW(textBox));
    ce::SendMessageW(textBox, ce::EM_SETSEL, end, ce::LPARAM(end));
    ce::SendMessageW(textBox, ce::EM_REPLACESEL, ce::FALSE,
                     reinterpret_cast<ce::LPARAM>(copy.get()));
    ce::SendMessageW(textBox, ce::EM_SCROLLCARET, 0, 0);
    ce::UpdateWindow(textBox);
}
