#include "ui/OptionPage.h"

#include "boot/MenuInterface.h"
#include "platform/ce/CeControls.h"
#include "platform/ce/CeText.h"
#include "ui/Application.h"

namespace {

enum : int {
    kAutoBoot = 200,
    kReverseVideo = 201,
    kPauseBeforeBoot = 202,
    kLoadDebugInfo = 203,
    kSafetyMessage = 205,
    kExtraOptions = 206,
    kSeconds = 2000,
    kSecondsSpin = 2001,
};

constexpr ce::DWORD kSpinStyle =
    0x50800006;  // visible child, border, right of its buddy, sets its number
constexpr int kSpinUpper = 60;
constexpr int kSpinLower = 1;
constexpr int kSpinStart = 30;
constexpr int kSecondsUnits = 32;

}  // namespace

OptionPage::OptionPage(TabControl* tabControl, int index)
    : TabPage(tabControl, index, TEXT("WOption")) {}

void OptionPage::init(ce::HWND dialog) {
    TabPage::init(dialog);
    const BootSettings& settings = MenuInterface::instance()->settings();
    ScreenMetrics m = screenMetrics();

    secondsBox = item(kSeconds);
    secondsSpin = ce::CreateUpDownControl(kSpinStyle, scale(80, m.dpiX), 0, scale(50, m.dpiX),
                                          scale(50, m.dpiY), window, kSecondsSpin, app->instance,
                                          secondsBox, kSpinUpper, kSpinLower, kSpinStart);
    bool autoBoot = settings.autoBootSeconds != 0;
    ce::EnableWindow(secondsBox, autoBoot ? ce::TRUE : ce::FALSE);
    ce::EnableWindow(secondsSpin, autoBoot ? ce::TRUE : ce::FALSE);
    check(kAutoBoot, autoBoot);
    if (autoBoot) {
        ce::WCHAR seconds[16];
        ce::_snwprintf(seconds, 16, TEXT("%d"), int(settings.autoBootSeconds));
        ce::SetWindowTextW(secondsBox, seconds);
    }

    check(kReverseVideo, settings.reverseVideo != 0);
    check(kPauseBeforeBoot, settings.pauseBeforeBoot != 0);
    check(kLoadDebugInfo, settings.loadDebugInfo != 0);
    check(kSafetyMessage, settings.safetyMessage != 0);
    ce::SetWindowTextW(item(kExtraOptions), settings.extraOptions);
}

void OptionPage::command(int id, int) {
    if (id != kAutoBoot)
        return;
    ce::BOOL on = checked(kAutoBoot) ? ce::TRUE : ce::FALSE;
    ce::EnableWindow(secondsBox, on);
    ce::EnableWindow(secondsSpin, on);
}

void OptionPage::store() {
    BootSettings& settings = MenuInterface::instance()->settings();
    if (checked(kAutoBoot)) {
        ce::WCHAR seconds[kSecondsUnits] = {};
        ce::GetWindowTextW(secondsBox, seconds, kSecondsUnits);
        settings.autoBootSeconds = uint32_t(ce::_wtoi(seconds));
    } else {
        settings.autoBootSeconds = 0;
    }
    settings.reverseVideo = checked(kReverseVideo) ? 1 : 0;
    settings.pauseBeforeBoot = checked(kPauseBeforeBoot) ? 1 : 0;
    settings.loadDebugInfo = checked(kLoadDebugInfo) ? 1 : 0;
    settings.safetyMessage = checked(kSafetyMessage) ? 1 : 0;
    ce::GetWindowTextW(item(kExtraOptions), settings.extraOptions, BootSettings::kExtraOptionUnits);
}
