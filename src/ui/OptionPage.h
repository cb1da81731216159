// The Option page: automatic boot, reverse video, pause before boot, debug
// information, safety message and extra kernel options.
#pragma once

#include "boot/SettingsForm.h"
#include "ui/TabPage.h"

class OptionPage : public TabPage, public SettingsForm {
  public:
    OptionPage(TabControl* tabControl, int index);
    void init(ce::HWND dialog) override;
    void command(int id, int code) override;
    // Writes the page's controls into the settings.
    void store() override;

  private:
    ce::HWND secondsBox = nullptr;
    ce::HWND secondsSpin = nullptr;
};
