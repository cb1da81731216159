#include "ui/MainPage.h"

#include <algorithm>

#include "boot/MenuInterface.h"
#include "platform/Allocate.h"
#include "platform/ce/CeText.h"

namespace {

enum : int {
    kRootFirst = 101,  // "wd"; 101 + rootDevice
    kRootMdButton = 103,
    kRootLast = 106,
    kImageName = 107,
    kAskName = 150,
    kSingleUser = 151,
    kVerbose = 152,
    kSerialConsole = 153,
    kSpeed = 154,
    kKernelDebugger = 155,
    kDirectory = 1001,
    kPlatform = 1002,
    kKernelName = 1003,
};

const ce::WCHAR* const kSpeeds[] = {TEXT("9600"), TEXT("19200"), TEXT("115200")};
constexpr int kSpeedUnits = 8;  // at most 7 digits

// Where the flag check boxes go, in 1/96 inch from the page's corner.
struct FlagPlace {
    int id;
    int dx;
    int dy;
};
const FlagPlace kFlagPlaces[] = {
    {kVerbose, 0, 0},         {kSingleUser, 0, 20},    {kAskName, 0, 40},
    {kKernelDebugger, 0, 60}, {kSerialConsole, 0, 80}, {kSpeed, 100, 80},
};

}  // namespace

MainPage::MainPage(TabControl* tabControl, int index) : TabPage(tabControl, index, TEXT("WMain")) {}

MainPage::~MainPage() = default;

void MainPage::init(ce::HWND dialog) {
    TabPage::init(dialog);
    MenuInterface* menu = MenuInterface::instance();
    const BootSettings& settings = menu->settings();

    ce::HWND directory = item(kDirectory);
    for (int i = 0; const ce::WCHAR* name = menu->directoryName(i); ++i)
        ce::SendMessageW(directory, ce::CB_ADDSTRING, 0, reinterpret_cast<ce::LPARAM>(name));
    ce::SendMessageW(directory, ce::CB_SETCURSEL, ce::WPARAM(menu->defaultDirectoryIndex()), 0);

    fillPlatforms();

    ce::SetWindowTextW(item(kKernelName),
                       settings.kernelNameSaved ? settings.kernelName : TEXT("keldos.gz"));

    int root = kRootFirst + int(settings.rootDevice);
    check(root, true);
    imageNameBox = item(kImageName);
    ce::SetWindowTextW(imageNameBox, settings.imageName);
    ce::EnableWindow(imageNameBox, root == kRootMdButton ? ce::TRUE : ce::FALSE);

    placeFlags();

    check(kAskName, settings.askName != 0);
    check(kKernelDebugger, settings.kernelDebugger != 0);
    check(kSingleUser, settings.singleUser != 0);
    check(kVerbose, settings.verbose != 0);
    check(kSerialConsole, settings.serialConsole != 0);

    speedBox = item(kSpeed);
    int selected = 0;
    for (int i = 0; i < int(sizeof kSpeeds / sizeof kSpeeds[0]); ++i) {
        ce::SendMessageW(speedBox, ce::CB_ADDSTRING, 0, reinterpret_cast<ce::LPARAM>(kSpeeds[i]));
        if (selected == 0 && ce::_wtoi(kSpeeds[i]) == int(settings.serialSpeed))
            selected = i;
    }
    ce::SendMessageW(speedBox, ce::CB_SETCURSEL, ce::WPARAM(selected), 0);
    ce::EnableWindow(speedBox, settings.serialConsole ? ce::TRUE : ce::FALSE);
}

void MainPage::fillPlatforms() {
    MenuInterface* menu = MenuInterface::instance();
    ce::HWND box = item(kPlatform);
    int count = 0;
    while (menu->platformName(count))
        ++count;

    platformOrder = allocateArray<PlatformEntry>(count > 0 ? count : 1);
    if (!platformOrder) {
        for (int i = 0; i < count; ++i)
            ce::SendMessageW(box, ce::CB_ADDSTRING, 0,
                             reinterpret_cast<ce::LPARAM>(menu->platformName(i)));
        ce::SendMessageW(box, ce::CB_SETCURSEL, ce::WPARAM(menu->platformIndex()), 0);
        return;
    }
    for (int i = 0; i < count; ++i)
        platformOrder[i] = {uint32_t(i), menu->platformName(i)};
    std::sort(platformOrder.get(), platformOrder.get() + count,
              [](const PlatformEntry& a, const PlatformEntry& b) {
                  return ce::wcscmp(a.name, b.name) < 0;
              });
    int selected = 0;
    for (int position = 0; position < count; ++position) {
        ce::SendMessageW(box, ce::CB_ADDSTRING, 0,
                         reinterpret_cast<ce::LPARAM>(platformOrder[position].name));
        if (int(platformOrder[position].index) == menu->platformIndex())
            selected = position;
    }
    ce::SendMessageW(box, ce::CB_SETCURSEL, ce::WPARAM(selected), 0);
}

// A wide, low screen puts the flags in a second column to the right;
// otherwise they go below the other controls.
void MainPage::placeFlags() {
    ScreenMetrics m = screenMetrics();
    bool wide = m.width > 320 && m.height <= 240;
    int x0 = wide ? 250 : 5;
    int y0 = wide ? 5 : 140;
    for (const FlagPlace& place : kFlagPlaces) {
        ce::SetWindowPos(item(place.id), nullptr, scale(x0 + place.dx, m.dpiX),
                         scale(y0 + place.dy, m.dpiY), 0, 0, ce::SWP_NOSIZE | ce::SWP_NOZORDER);
    }
}

void MainPage::command(int id, int) {
    if (id >= kRootFirst && id <= kRootLast)
        ce::EnableWindow(imageNameBox, checked(kRootMdButton) ? ce::TRUE : ce::FALSE);
    if (id == kSerialConsole)
        ce::EnableWindow(speedBox, checked(kSerialConsole) ? ce::TRUE : ce::FALSE);
}

void MainPage::store() {
    MenuInterface* menu = MenuInterface::instance();
    BootSettings& settings = menu->settings();
    ce::GetWindowTextW(item(kDirectory), settings.directory, ce::MAX_PATH);
    settings.directorySaved = 1;
    ce::GetWindowTextW(item(kKernelName), settings.kernelName, ce::MAX_PATH);
    settings.kernelNameSaved = 1;

    ce::LRESULT position = ce::SendMessageW(item(kPlatform), ce::CB_GETCURSEL, 0, 0);
    // With typed text no entry is selected and the platform stays.
    if (position != ce::CB_ERR && position >= 0) {
        int count = 0;
        while (menu->platformName(count))
            ++count;
        if (position < count)
            menu->selectPlatform(platformOrder ? int(platformOrder[position].index)
                                               : int(position));
    }

    for (int id = kRootFirst; id <= kRootLast; ++id) {
        if (!checked(id))
            continue;
        settings.rootDevice = uint32_t(id - kRootFirst);
        break;
    }
    settings.askName = checked(kAskName) ? 1 : 0;
    settings.kernelDebugger = checked(kKernelDebugger) ? 1 : 0;
    settings.verbose = checked(kVerbose) ? 1 : 0;
    settings.singleUser = checked(kSingleUser) ? 1 : 0;
    settings.serialConsole = checked(kSerialConsole) ? 1 : 0;
    ce::GetWindowTextW(imageNameBox, settings.imageName, ce::MAX_PATH);

    ce::WCHAR speed[kSpeedUnits] = {};
    ce::GetWindowTextW(speedBox, speed, kSpeedUnits);
    settings.serialSpeed = uint32_t(ce::_wtoi(speed));
}
