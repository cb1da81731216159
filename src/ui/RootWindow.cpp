#include "ui/RootWindow.h"

#include <initializer_list>

#include "boot/BuildNumber.h"
#include "boot/MenuInterface.h"
#include "console/Console.h"
#include "platform/Allocate.h"
#include "platform/ce/CeControls.h"
#include "platform/ce/CeText.h"
#include "resources/StringTable.h"
#include "ui/Application.h"
#include "ui/BootButton.h"
#include "ui/CancelButton.h"
#include "ui/ConsolePage.h"
#include "ui/MainPage.h"
#include "ui/OptionPage.h"
#include "ui/ProgressBar.h"
#include "ui/TabControl.h"
#include "ui/TabPage.h"

namespace {

constexpr int kNarrowButtonWidth = 50;
constexpr int kNarrowScreen = 320;
constexpr int kShiftDown = 0x8000;

bool shiftDown() {
    return (ce::GetKeyState(ce::VK_SHIFT) & kShiftDown) != 0;
}

}  // namespace

RootWindow::RootWindow(Application* app) : Window(nullptr, app) {}

RootWindow::~RootWindow() {
    bootButton.reset();
    cancelButton.reset();
    progressBar.reset();
    MenuInterface* menu = MenuInterface::instance();
    // The pages go with this object: nothing printed afterwards may reach
    // them through MenuInterface.
    if (menu->rootWindow == this)
        menu->rootWindow = nullptr;
    menu->mainPage = nullptr;
    menu->optionPage = nullptr;
    menu->consolePage = nullptr;
    mainPage.reset();
    optionPage.reset();
    consolePage.reset();
    tabControl.reset();
}

bool RootWindow::create() {
    ce::WCHAR className[64];
    const ce::WCHAR* name = stringResource(IDS_CLASS_NAME);
    ce::wcsncpy(className, name ? name : TEXT(""), 63);
    className[63] = 0;
    ce::WCHAR title[96];
    ce::_snwprintf(title, 96, TEXT("%s Build %d"), className, kBuildNumber);
    window = ce::CreateWindowExW(0, className, title, ce::WS_VISIBLE, ce::CW_USEDEFAULT,
                                 ce::CW_USEDEFAULT, ce::CW_USEDEFAULT, ce::CW_USEDEFAULT, nullptr,
                                 nullptr, app->instance, this);
    if (!window)
        return false;
    uint32_t seconds = MenuInterface::instance()->settings().autoBootSeconds;
    if (seconds > 0)
        ce::SetTimer(window, kAutoBootTimer, seconds * 1000, nullptr);
    ce::ShowWindow(window, ce::SW_SHOW);
    ce::UpdateWindow(window);
    return true;
}

ce::LRESULT RootWindow::windowProcedure(ce::HWND hwnd, ce::UINT message, ce::WPARAM wParam,
                                        ce::LPARAM lParam) {
    Window* object = nullptr;
    if (message == ce::WM_CREATE) {
        const auto* creation = reinterpret_cast<const ce::CREATESTRUCTW*>(lParam);
        object = creation ? static_cast<Window*>(creation->lpCreateParams) : nullptr;
        ce::SetWindowLongW(hwnd, 0, reinterpret_cast<ce::LONG_PTR>(object));
    } else {
        object = reinterpret_cast<Window*>(ce::GetWindowLongW(hwnd, 0));
    }
    if (object && object->proc(hwnd, message, wParam, lParam))
        return 0;
    return ce::DefWindowProcW(hwnd, message, wParam, lParam);
}

void RootWindow::createChildren(ce::HWND hwnd, const ce::CREATESTRUCTW* creation) {
    window = hwnd;
    app->commandBar = ce::CommandBar_Create(creation->hInstance, hwnd, kCommandBarId);
    ce::CommandBar_AddAdornments(app->commandBar, 0, 0);
    buttonHeight_ = ce::CommandBar_Height(app->commandBar);

    buttonWidth_ = kNarrowButtonWidth;
    ce::HDC screen = ce::GetDC(nullptr);
    if (ce::GetDeviceCaps(screen, ce::HORZRES) > kNarrowScreen)
        buttonWidth_ += buttonWidth_ / 2;
    ce::ReleaseDC(nullptr, screen);

    ce::RECT row;
    ce::GetClientRect(hwnd, &row);
    row.top += buttonHeight_;
    // A control that cannot be made is left out; the others still come.
    const ButtonRow buttons{hwnd, app, row, buttonWidth_, buttonHeight_};
    bootButton = allocate<BootButton>(buttons, kBootButtonId);
    if (bootButton)
        bootButton->create(creation);
    cancelButton = allocate<CancelButton>(buttons, kCancelButtonId);
    if (cancelButton)
        cancelButton->create(creation);
    progressBar = allocate<ProgressBar>(buttons, kProgressBarId);
    if (progressBar)
        progressBar->create(creation);

    MenuInterface* menu = MenuInterface::instance();
    menu->rootWindow = this;

    ce::RECT tabs = row;
    tabs.top += buttonHeight_;
    tabControl = allocate<TabControl>(hwnd, app, tabs, kTabControlId);
    if (tabControl)
        tabControl->create(creation);

    mainPage = createPage(0);
    optionPage = createPage(1);
    consolePage = createPage(2);
    if (mainPage)
        mainPage->show();
    ce::SetFocus(childHandle(bootButton.get()));
}

std::unique_ptr<TabPage> RootWindow::createPage(int type) {
    MenuInterface* menu = MenuInterface::instance();
    std::unique_ptr<TabPage> page;
    switch (type) {
        case 0: {
            std::unique_ptr<MainPage> main = allocate<MainPage>(tabControl.get(), type);
            menu->mainPage = main.get();
            page = std::move(main);
            break;
        }
        case 1: {
            std::unique_ptr<OptionPage> options = allocate<OptionPage>(tabControl.get(), type);
            menu->optionPage = options.get();
            page = std::move(options);
            break;
        }
        case 2: {
            std::unique_ptr<ConsolePage> console = allocate<ConsolePage>(tabControl.get(), type);
            menu->consolePage = console.get();
            page = std::move(console);
            break;
        }
        default:
            return nullptr;
    }
    if (page)
        page->create();
    return page;
}

bool RootWindow::proc(ce::HWND hwnd, ce::UINT message, ce::WPARAM wParam, ce::LPARAM lParam) {
    switch (message) {
        case ce::WM_CREATE:
            createChildren(hwnd, reinterpret_cast<const ce::CREATESTRUCTW*>(lParam));
            return true;
        case ce::WM_DESTROY:
            ce::PostQuitMessage(0);
            return true;
        case ce::WM_ACTIVATE:
            if (ce::LOWORD(wParam) == ce::WA_INACTIVE) {
                savedFocus = ce::GetFocus();
            } else {
                restoreFocus();
            }
            return true;
        case ce::WM_PAINT: {
            ce::PAINTSTRUCT paint;
            ce::BeginPaint(hwnd, &paint);
            ce::EndPaint(hwnd, &paint);
            return true;
        }
        case ce::WM_NOTIFY:
            return tabNotification(reinterpret_cast<const ce::NMHDR*>(lParam));
        case ce::WM_COMMAND:
            // Only a plain click (notification 0) is a command.
            if (wParam == ce::WPARAM(kBootButtonId))
                bootCommand();
            if (wParam == ce::WPARAM(kCancelButtonId))
                ce::PostQuitMessage(0);
            return true;
        case ce::WM_TIMER:
            stopAutoBoot();
            bootStart();
            return true;
        case ce::WM_ENTERMENULOOP:
            savedFocus = ce::GetFocus();
            return true;
        case ce::WM_EXITMENULOOP:
            restoreFocus();
            return true;
        default:
            return false;
    }
}

void RootWindow::restoreFocus() {
    if (savedFocus && ce::IsWindowEnabled(savedFocus)) {
        ce::SetFocus(savedFocus);
    } else {
        ce::SetFocus(childHandle(bootButton.get()));
    }
}

void RootWindow::bootCommand() {
    MenuInterface* menu = MenuInterface::instance();
    menu->getOptions();
    const BootSettings& settings = menu->settings();
    if (settings.safetyMessage) {
        ce::UINT icon = settings.pauseBeforeBoot ? ce::MB_ICONQUESTION : ce::MB_ICONEXCLAMATION;
        int answer = ce::MessageBoxW(window, TEXT("Data in memory will be lost.\nAre you sure?"),
                                     TEXT("WARNING"), ce::MB_YESNO | icon);
        if (answer != ce::IDYES)
            return;
        ce::UpdateWindow(window);
    }
    bootStart();
}

void RootWindow::bootStart() {
    ce::SendMessageW(childHandle(progressBar.get()), ce::PBM_SETPOS, 0, 0);
    MenuInterface* menu = MenuInterface::instance();
    menu->print(TEXT("BOOT START\n"));
    menu->getOptions();
    menu->save();
    menu->boot();
}

bool RootWindow::tabNotification(const ce::NMHDR* header) {
    if (!header)
        return true;
    ce::HWND tabs = childHandle(tabControl.get());
    ce::LRESULT selected = ce::SendMessageW(tabs, ce::TCM_GETCURSEL, 0, 0);
    ce::TCITEMW item{};
    item.mask = ce::TCIF_PARAM;
    TabPage* page = nullptr;
    if (ce::SendMessageW(tabs, ce::TCM_GETITEMW, ce::WPARAM(selected),
                         reinterpret_cast<ce::LPARAM>(&item)))
        page = reinterpret_cast<TabPage*>(item.lParam);
    switch (header->code) {
        case ce::TCN_SELCHANGING:
            if (page)
                page->hide();
            return true;
        case ce::TCN_SELCHANGE:
            if (page)
                page->show();
            return true;
        case ce::TCN_KEYDOWN:
            return tabKey(reinterpret_cast<const ce::NMTCKEYDOWN*>(header)->wVKey);
        default:
            return true;
    }
}

bool RootWindow::tabKey(ce::WORD key) {
    bool forwards;
    switch (key) {
        case ce::VK_TAB:
            forwards = !shiftDown();
            break;
        case ce::VK_LEFT:
            forwards = false;
            break;
        case ce::VK_RIGHT:
            forwards = true;
            break;
        default:
            return false;
    }
    if (!forwards) {
        ce::SetFocus(childHandle(cancelButton.get()));
        return true;
    }
    ce::HWND tabs = childHandle(tabControl.get());
    ce::TCITEMW item{};
    item.mask = ce::TCIF_PARAM;
    ce::LRESULT selected = ce::SendMessageW(tabs, ce::TCM_GETCURSEL, 0, 0);
    if (ce::SendMessageW(tabs, ce::TCM_GETITEMW, ce::WPARAM(selected),
                         reinterpret_cast<ce::LPARAM>(&item))) {
        auto* page = reinterpret_cast<TabPage*>(item.lParam);
        if (page)
            ce::SetFocus(ce::GetNextDlgTabItem(page->handle(), nullptr, ce::FALSE));
    }
    return true;
}

TabPage* RootWindow::visiblePage() const {
    for (TabPage* page : {mainPage.get(), optionPage.get(), consolePage.get()}) {
        if (page && ce::IsWindowVisible(page->handle()))
            return page;
    }
    return nullptr;
}

bool RootWindow::isDialogMessage(ce::MSG* message) {
    TabPage* page = visiblePage();
    if (moveFocus(message))
        return true;
    if (!page)
        return false;
    return ce::IsDialogMessageW(page->handle(), message) != 0;
}

bool RootWindow::moveFocus(const ce::MSG* message) {
    if (message->message != ce::WM_KEYDOWN)
        return false;
    ce::HWND boot = childHandle(bootButton.get());
    ce::HWND cancel = childHandle(cancelButton.get());
    ce::HWND tabs = childHandle(tabControl.get());
    ce::HWND next = nullptr;
    ce::HWND previous = nullptr;
    ce::LRESULT code = 0;
    if (message->hwnd && message->hwnd == boot) {
        next = cancel;
        previous = tabs;
    } else if (message->hwnd && message->hwnd == cancel) {
        next = tabs;
        previous = boot;
    } else {
        TabPage* page = visiblePage();
        if (!page)
            return false;
        ce::HWND last = ce::GetNextDlgTabItem(page->handle(), nullptr, ce::TRUE);
        if (!last || (last != message->hwnd && !ce::IsChild(last, message->hwnd)))
            return false;
        code = ce::SendMessageW(last, ce::WM_GETDLGCODE, 0, reinterpret_cast<ce::LPARAM>(message));
        next = tabs;
    }
    ce::HWND target = nullptr;
    switch (int(message->wParam)) {
        case ce::VK_TAB:
            if (code & ce::DLGC_WANTTAB)
                return false;
            target = shiftDown() ? previous : next;
            break;
        case ce::VK_LEFT:
        case ce::VK_UP:
            if (code & ce::DLGC_WANTARROWS)
                return false;
            target = previous;
            break;
        case ce::VK_RIGHT:
        case ce::VK_DOWN:
            if (code & ce::DLGC_WANTARROWS)
                return false;
            target = next;
            break;
        default:
            return false;
    }
    if (!target)
        return false;
    ce::SetFocus(target);
    return true;
}

void RootWindow::progress(const char* step) {
    if (step)
        Console::instance()->print(TEXT("[progress] %S\n"), step);
    ce::SendMessageW(childHandle(progressBar.get()), ce::PBM_STEPIT, 0, 0);
}

void RootWindow::unprogress() {
    ce::SendMessageW(childHandle(progressBar.get()), ce::PBM_SETPOS, 0, 0);
}

void RootWindow::stopAutoBoot() {
    ce::KillTimer(window, kAutoBootTimer);
}

ce::HWND RootWindow::childHandle(const Window* child) const {
    return child ? child->handle() : nullptr;
}
