// The simulated handheld's window system on its own: timers on the simulated
// clock, window longs, dialog templates in dialog units, the dialog
// manager's tab order and radio groups, and the screen's device context.
#include <gtest/gtest.h>

#include <vector>

#include "ce/WindowSystem.h"
#include "platform/ce/Ce.h"
#include "support/DeviceFolder.h"

using testing_support::DeviceFolder;

namespace {

std::vector<ce::MSG>& received() {
    static std::vector<ce::MSG> messages;
    return messages;
}

ce::LRESULT recordingProc(ce::HWND h, ce::UINT message, ce::WPARAM w, ce::LPARAM l) {
    received().push_back({h, message, w, l, 0, {0, 0}});
    return ce::DefWindowProcW(h, message, w, l);
}

ce::HWND makeWindow(int extraBytes = 4) {
    ce::WNDCLASSW c{};
    c.lpfnWndProc = recordingProc;
    c.cbWndExtra = extraBytes;
    c.lpszClassName = u"TestWindow";
    ce::RegisterClassW(&c);
    return ce::CreateWindowExW(0, u"TestWindow", u"t", ce::WS_VISIBLE, ce::CW_USEDEFAULT,
                               ce::CW_USEDEFAULT, ce::CW_USEDEFAULT, ce::CW_USEDEFAULT, nullptr,
                               nullptr, nullptr, nullptr);
}

host::WindowSystem& ws() {
    return host::WindowSystem::current();
}

}  // namespace

TEST(WindowSystem, TimersRunOnTheSimulatedClock) {
    DeviceFolder device;
    received().clear();
    ce::HWND w = makeWindow();
    ASSERT_TRUE(w);
    uint64_t start = ws().now();
    ce::SetTimer(w, 2, 5000, nullptr);
    ce::SetTimer(w, 3, 2000, nullptr);
    ce::MSG m;
    std::vector<std::pair<ce::UINT_PTR, uint64_t>> fired;
    while (fired.size() < 3 && ce::GetMessageW(&m, nullptr, 0, 0)) {
        if (m.message != ce::WM_TIMER)
            continue;
        fired.emplace_back(m.wParam, ws().now() - start);
        if (m.wParam == 2)
            ce::KillTimer(w, 2);
    }
    // Rows: the 2 s timer twice, then the 5 s timer after 5 simulated seconds.
    ASSERT_EQ(fired.size(), 3u);
    EXPECT_EQ(fired[0], (std::pair<ce::UINT_PTR, uint64_t>{3, 2000}));
    EXPECT_EQ(fired[1], (std::pair<ce::UINT_PTR, uint64_t>{3, 4000}));
    EXPECT_EQ(fired[2], (std::pair<ce::UINT_PTR, uint64_t>{2, 5000}));
    EXPECT_FALSE(ce::KillTimer(w, 2)) << "a stopped timer is gone; killing it again is harmless";
    ce::KillTimer(w, 3);
    // Nothing left to wait for: the wait ends with WM_QUIT.
    EXPECT_EQ(ce::GetMessageW(&m, nullptr, 0, 0), ce::FALSE);
    EXPECT_EQ(m.message, ce::WM_QUIT);
}

TEST(WindowSystem, WindowLongsStayInsideTheExtraBytes) {
    DeviceFolder device;
    ce::HWND w = makeWindow(4);
    int object = 0;
    struct Row {
        int index;
        bool stored;
    };
    const Row rows[] = {
        {0, true},    // the one slot of 4 extra bytes holds a pointer
        {4, false},   // past the extra bytes
        {-8, false},  // no such system index
        {2, false},   // not a slot boundary
    };
    for (const Row& row : rows) {
        ce::SetWindowLongW(w, row.index, reinterpret_cast<ce::LONG_PTR>(&object));
        EXPECT_EQ(ce::GetWindowLongW(w, row.index) == reinterpret_cast<ce::LONG_PTR>(&object),
                  row.stored)
            << row.index;
    }
    EXPECT_EQ(ce::GetWindowLongW(w, ce::GWL_STYLE) & ce::WS_VISIBLE, ce::LONG_PTR(ce::WS_VISIBLE));
}

TEST(WindowSystem, DeviceContextDescribesTheScreen) {
    DeviceFolder device("wzero3");
    ce::HDC dc = ce::GetDC(nullptr);
    EXPECT_EQ(ce::GetDeviceCaps(dc, ce::HORZRES), 480);
    EXPECT_EQ(ce::GetDeviceCaps(dc, ce::VERTRES), 640);
    EXPECT_EQ(ce::GetDeviceCaps(dc, ce::BITSPIXEL), 16);
    EXPECT_EQ(ce::GetDeviceCaps(dc, ce::LOGPIXELSX), 192);
    EXPECT_EQ(ce::GetDeviceCaps(dc, ce::LOGPIXELSY), 192);
    ce::ReleaseDC(nullptr, dc);
}

namespace {

ce::BOOL pageProc(ce::HWND, ce::UINT message, ce::WPARAM, ce::LPARAM) {
    return message == ce::WM_INITDIALOG ? ce::FALSE : ce::FALSE;
}

ce::HWND dialogFrom(const char16_t* name, ce::HWND parent) {
    ce::HMODULE module = ce::GetModuleHandleW(nullptr);
    ce::HRSRC r = ce::FindResourceW(module, name, ce::RT_DIALOG());
    if (!r)
        return nullptr;
    auto* t = static_cast<const ce::DLGTEMPLATE*>(ce::LoadResource(module, r));
    return ce::CreateDialogIndirectParamW(module, t, parent, pageProc, 0);
}

}  // namespace

TEST(WindowSystem, DialogTemplatesAreLaidOutInDialogUnits) {
    DeviceFolder device;
    ce::HWND parent = makeWindow();
    // Lower case finds the template too: resource names ignore case.
    ce::HWND page = dialogFrom(u"WMain", parent);
    ASSERT_TRUE(page);
    EXPECT_FALSE(ce::IsWindowVisible(page)) << "the templates are not visible";
    struct Row {
        int id;
        const char16_t* cls;
        ce::RECT expected;  // 6 x 13 pixels per 4 x 8 dialog units at 96 dpi
    };
    const Row rows[] = {
        {1003, u"EDIT", {112, 8, 172, 27}},     // 75, 5, 40, 12
        {100, u"BUTTON", {7, 50, 172, 128}},    // 5, 31, 110, 48
        {152, u"BUTTON", {7, 95, 187, 109}},    // 5, 59, 120, 9: y and height each rounded down
        {1002, u"COMBOBOX", {7, 32, 172, 53}},  // 5, 20, 110, 80: only the edit part's height
    };
    for (const Row& row : rows) {
        ce::HWND c = ce::GetDlgItem(page, row.id);
        host::WindowRecord* r = ws().find(c);
        ASSERT_TRUE(r) << row.id;
        EXPECT_EQ(r->className, row.cls);
        EXPECT_EQ(r->rect.left, row.expected.left) << row.id;
        EXPECT_EQ(r->rect.top, row.expected.top) << row.id;
        EXPECT_EQ(r->rect.right, row.expected.right) << row.id;
        EXPECT_EQ(r->rect.bottom, row.expected.bottom) << row.id;
    }
    EXPECT_EQ(ce::FindResourceW(ce::GetModuleHandleW(nullptr), u"WNONE", ce::RT_DIALOG()), nullptr);
}

TEST(WindowSystem, TabOrderSkipsWhatCannotTakeTheFocus) {
    DeviceFolder device;
    ce::HWND parent = makeWindow();
    ce::HWND page = dialogFrom(u"WOPTION", parent);
    ASSERT_TRUE(page);
    ce::ShowWindow(page, ce::SW_SHOW);
    auto id = [](ce::HWND h) { return ce::GetDlgCtrlID(h); };
    // Without a page object nothing disables the seconds box: 2000 follows 200.
    EXPECT_EQ(id(ce::GetNextDlgTabItem(page, ce::GetDlgItem(page, 200), ce::FALSE)), 2000);
    EXPECT_EQ(id(ce::GetNextDlgTabItem(page, nullptr, ce::FALSE)), 200);
    EXPECT_EQ(id(ce::GetNextDlgTabItem(page, nullptr, ce::TRUE)), 206);
    ce::EnableWindow(ce::GetDlgItem(page, 2000), ce::FALSE);
    EXPECT_EQ(id(ce::GetNextDlgTabItem(page, ce::GetDlgItem(page, 200), ce::FALSE)), 201);
    EXPECT_EQ(id(ce::GetNextDlgTabItem(page, ce::GetDlgItem(page, 206), ce::FALSE)), 200)
        << "wraps around";
    EXPECT_EQ(id(ce::GetNextDlgTabItem(page, ce::GetDlgItem(page, 200), ce::TRUE)), 206);
}

TEST(WindowSystem, AutoRadioButtonsOfAGroupExcludeEachOther) {
    DeviceFolder device;
    ce::HWND parent = makeWindow();
    ce::HWND page = dialogFrom(u"WMAIN", parent);
    ASSERT_TRUE(page);
    ce::SendDlgItemMessageW(page, 101, ce::BM_SETCHECK, ce::BST_CHECKED, 0);
    ce::SendDlgItemMessageW(page, 104, ce::BM_CLICK, 0, 0);
    EXPECT_EQ(ce::SendDlgItemMessageW(page, 101, ce::BM_GETCHECK, 0, 0), 0);
    EXPECT_EQ(ce::SendDlgItemMessageW(page, 104, ce::BM_GETCHECK, 0, 0), 1);
    // A check box is no radio button: it keeps its state.
    ce::SendDlgItemMessageW(page, 152, ce::BM_CLICK, 0, 0);
    ce::SendDlgItemMessageW(page, 105, ce::BM_CLICK, 0, 0);
    EXPECT_EQ(ce::SendDlgItemMessageW(page, 152, ce::BM_GETCHECK, 0, 0), 1);
    EXPECT_EQ(ce::SendDlgItemMessageW(page, 104, ce::BM_GETCHECK, 0, 0), 0);
}

TEST(WindowSystem, TabPicturesAreSixteenByThirtySix) {
    DeviceFolder device;
    ce::HINSTANCE module = ce::GetModuleHandleW(nullptr);
    for (const char16_t* name :
         {u"IDI_VADIVER_MAIN", u"IDI_VADIVER_OPTION", u"IDI_VADIVER_CONSOLE"}) {
        ce::HBITMAP b = ce::LoadBitmapW(module, name);
        host::Picture* p = ws().picture(b);
        ASSERT_TRUE(p) << host::toUtf8(name);
        EXPECT_EQ(p->width, 16);
        EXPECT_EQ(p->height, 36);
        EXPECT_TRUE(ce::DeleteObject(b));
    }
    EXPECT_EQ(ce::LoadBitmapW(module, u"IDI_NONE"), nullptr);
    EXPECT_TRUE(ce::LoadIconW(module, ce::MAKEINTRESOURCEW(1)));
}
