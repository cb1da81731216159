#include "ui/TabPage.h"

#include "platform/ce/CeControls.h"
#include "ui/Application.h"
#include "ui/TabControl.h"

TabPage::TabPage(TabControl* tabControl, int index, const ce::WCHAR* templateName)
    : Window(tabControl->handle(), tabControl->application()),
      tabControl(tabControl),
      rect(tabControl->rectangle()),
      index(index),
      templateName(templateName) {}

bool TabPage::proc(ce::HWND hwnd, ce::UINT message, ce::WPARAM wParam, ce::LPARAM) {
    switch (message) {
        case ce::WM_INITDIALOG:
            init(hwnd);
            return true;
        case ce::WM_COMMAND:
            command(ce::LOWORD(wParam), ce::HIWORD(wParam));
            return true;
        default:
            return false;
    }
}

bool TabPage::create() {
    ce::HRSRC found = ce::FindResourceW(app->instance, templateName, ce::RT_DIALOG());
    ce::HGLOBAL loaded = found ? ce::LoadResource(app->instance, found) : nullptr;
    if (!loaded)
        return false;
    window = ce::CreateDialogIndirectParamW(
        app->instance, static_cast<const ce::DLGTEMPLATE*>(loaded), tabControl->handle(),
        dialogProcedure, reinterpret_cast<ce::LPARAM>(this));
    return window != nullptr;
}

ce::BOOL TabPage::dialogProcedure(ce::HWND dialog, ce::UINT message, ce::WPARAM wParam,
                                  ce::LPARAM lParam) {
    TabPage* page;
    if (message == ce::WM_INITDIALOG) {
        ce::SetWindowLongW(dialog, ce::DWL_USER, lParam);
        page = reinterpret_cast<TabPage*>(lParam);
    } else {
        page = reinterpret_cast<TabPage*>(ce::GetWindowLongW(dialog, ce::DWL_USER));
    }
    if (!page)
        return ce::FALSE;
    return page->proc(dialog, message, wParam, lParam) ? ce::TRUE : ce::FALSE;
}

void TabPage::init(ce::HWND dialog) {
    window = dialog;
    ce::TCITEMW tab{};
    tab.mask = ce::TCIF_IMAGE | ce::TCIF_PARAM;
    tab.iImage = index;
    tab.lParam = reinterpret_cast<ce::LPARAM>(this);
    ce::SendMessageW(tabControl->handle(), ce::TCM_INSERTITEMW, ce::WPARAM(index),
                     reinterpret_cast<ce::LPARAM>(&tab));
    ce::SendMessageW(tabControl->handle(), ce::TCM_ADJUSTRECT, ce::FALSE,
                     reinterpret_cast<ce::LPARAM>(&rect));
    hide();
}

void TabPage::command(int, int) {}

void TabPage::hide() {
    ce::ShowWindow(window, ce::SW_HIDE);
}

void TabPage::show() {
    ce::MoveWindow(window, rect.left, 0, rect.right - rect.left, rect.bottom - rect.top, ce::TRUE);
    ce::ShowWindow(window, ce::SW_SHOW);
}

TabPage::ScreenMetrics TabPage::screenMetrics() {
    ce::HDC screen = ce::GetDC(nullptr);
    ScreenMetrics m{ce::GetDeviceCaps(screen, ce::HORZRES), ce::GetDeviceCaps(screen, ce::VERTRES),
                    ce::GetDeviceCaps(screen, ce::LOGPIXELSX),
                    ce::GetDeviceCaps(screen, ce::LOGPIXELSY)};
    ce::ReleaseDC(nullptr, screen);
    return m;
}

bool TabPage::checked(int id) const {
    return ce::SendMessageW(item(id), ce::BM_GETCHECK, 0, 0) == ce::LRESULT(ce::BST_CHECKED);
}

void TabPage::check(int id, bool on) const {
    ce::SendMessageW(item(id), ce::BM_SETCHECK, on ? ce::BST_CHECKED : ce::BST_UNCHECKED, 0);
}
