// The Main page: kernel directory and name, platform, root file system,
// kernel flags, serial console and its speed.
#pragma once

#include <cstdint>
#include <memory>

#include "boot/SettingsForm.h"
#include "ui/TabPage.h"

class MainPage : public TabPage, public SettingsForm {
  public:
    MainPage(TabControl* tabControl, int index);
    // Releases the platform order.
    ~MainPage() override;
    void init(ce::HWND dialog) override;
    void command(int id, int code) override;
    // Writes the page's controls into the settings.
    void store() override;

  private:
    struct PlatformEntry {
        uint32_t index;
        const ce::WCHAR* name;
    };
    void fillPlatforms();
    void placeFlags();

    ce::HWND imageNameBox = nullptr;
    ce::HWND speedBox = nullptr;
    // Owned, and released with the page, so that it outlives every use of
    // the platform box; null when it could not be made.
    std::unique_ptr<PlatformEntry[]> platformOrder;
};
