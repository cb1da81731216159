#include "app/WinMain.h"

#include "app/BootApp.h"
#include "boot/Boot.h"
#include "boot/MenuInterface.h"
#include "console/Console.h"
#include "platform/Allocate.h"
#include "platform/ce/CeControls.h"
#include "resources/Resources.h"
#include "resources/StringTable.h"
#include "ui/RootWindow.h"

namespace {

// The class of the root window: no class style, the application's icon, the
// stock light-grey background, no cursor (a handheld has none) and no menu.
bool registerWindowClass(BootApp* app) {
    ce::WCHAR className[64];
    if (!ce::LoadStringW(app->instance, IDS_CLASS_NAME, className, 64))
        return false;
    ce::WNDCLASSW windowClass{};
    windowClass.style = 0;
    windowClass.lpfnWndProc = RootWindow::windowProcedure;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 4;  // the window object
    windowClass.hInstance = app->instance;
    windowClass.hIcon = ce::LoadIconW(app->instance, ce::MAKEINTRESOURCEW(IDI_APPLICATION_ICON));
    windowClass.hCursor = nullptr;
    windowClass.hbrBackground = static_cast<ce::HBRUSH>(ce::GetStockObject(ce::LTGRAY_BRUSH));
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = className;
    return ce::RegisterClassW(&windowClass) != 0;
}

bool startsInput(ce::UINT message) {
    return message == ce::WM_KEYDOWN || message == ce::WM_LBUTTONDOWN;
}

}  // namespace

int runMessageLoop(BootApp* app) {
    MenuInterface* menu = MenuInterface::instance();
    ce::MSG message{};
    // -1 reports a broken wait; it ends the loop as WM_QUIT would, rather
    // than spinning on it.
    for (;;) {
        ce::BOOL got = ce::GetMessageW(&message, nullptr, 0, 0);
        if (got == 0 || got == -1)
            break;
        // Any key or tap cancels the automatic boot.
        if (menu->settings().autoBootSeconds > 0 && app->rootWindow && startsInput(message.message))
            app->rootWindow->stopAutoBoot();
        if (app->rootWindow && app->rootWindow->isDialogMessage(&message))
            continue;
        ce::TranslateMessage(&message);
        ce::DispatchMessageW(&message);
    }
    return int(message.wParam);
}

int WinMain(ce::HINSTANCE instance, ce::HINSTANCE, ce::LPWSTR, int) {
    MenuInterface::instance();
    ce::InitCommonControls();
    std::unique_ptr<BootApp> app = allocate<BootApp>(instance);
    std::unique_ptr<RootWindow> rootWindow = app ? allocate<RootWindow>(app.get()) : nullptr;

    int exitCode = 0;
    bool bootCreated = false;
    if (rootWindow) {
        app->console = Console::instance();
        app->rootWindow = rootWindow.get();
        if (registerWindowClass(app.get()) && rootWindow->create()) {
            Boot::instance();
            bootCreated = true;
            exitCode = runMessageLoop(app.get());
        }
    }

    if (bootCreated)
        Boot::destroyInstance();
    // The root window goes before the application object it points to.
    rootWindow.reset();
    app.reset();
    Console::destroy();
    MenuInterface::destroyInstance();
    return exitCode;
}
