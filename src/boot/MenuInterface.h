// The one object through which the boot machinery and the user interface
// meet: it owns the settings, knows the root window and the pages, carries
// the progress and print hooks and holds the boot hook.
#pragma once

#include <cstdint>

#include "boot/BootSettings.h"
#include "boot/SettingsReader.h"
#include "console/BoxOwner.h"
#include "console/ConsoleSink.h"
#include "platform/ce/CeTypes.h"

class MenuWindow;
class SettingsForm;

// As the window console's sink it passes every line to the Console page; as
// the owner of the lower layers' boxes it names the root window.
class MenuInterface : public ConsoleSink, public BoxOwner {
  public:
    using BootHook = void (*)(uint32_t argument);
    using ConsoleButtonHook = void (*)(uint32_t argument, uint8_t mask);
    struct ConsoleButton {
        ConsoleButtonHook function;
        uint32_t argument;
    };

    // Creates the object on first use (loading the settings or taking the
    // defaults) and returns it.
    static MenuInterface* instance();
    // At exit: destroys the object. The settings are not saved.
    static void destroyInstance();
    // Leaves the window console without a sink.
    virtual ~MenuInterface();

    // Reads the configuration file into the settings; false when there is no
    // card, no file, a read error or a foreign file.
    bool load();
    // Writes the settings to the configuration file; true when all `size`
    // bytes were written.
    bool save();
    void setDefaults();

    // Entry i of the directory list, or null outside it. Index 13 is the
    // saved directory once one was saved.
    const ce::WCHAR* directoryName(int i) const;
    int defaultDirectoryIndex() const;

    // The selectable platforms: the i-th name (null past the last), the
    // index of the settings' platform (0 when it is none of them), and
    // choosing one into cpuId and machineId.
    const ce::WCHAR* platformName(int i) const;
    int platformIndex() const;
    void selectPlatform(int i);

    // Text for the Console page; dropped while there is no page.
    void print(const ce::WCHAR* text);
    void write(const ce::WCHAR* text) override { print(text); }
    // The Main and Option pages store their controls into the settings.
    void getOptions();
    // One progress step: "[progress] <step>" on the console when step is not
    // null, then the progress bar moves by one.
    void progress(const char* step);
    void unprogress();
    void setBootHook(BootHook hook, uint32_t argument);
    // The refusal check, then the boot hook.
    void boot();

    BootSettings& settings() { return settings_; }
    const BootSettings& settings() const { return settings_; }
    // The root window's handle (owner of every message box), or null.
    ce::HWND rootHandle() const;
    ce::HWND boxOwner() const override { return rootHandle(); }

    // Registered by the user interface while its windows exist.
    MenuWindow* rootWindow = nullptr;
    SettingsForm* mainPage = nullptr;
    SettingsForm* optionPage = nullptr;
    ConsoleSink* consolePage = nullptr;

  private:
    MenuInterface();
    // Fills `path` with "\<card>\kestrel.cnf"; false without a card.
    bool configurationPath(ce::WCHAR* path) const;
    // That file opened with `access` and `disposition`; INVALID_HANDLE_VALUE
    // without a card or when it does not open.
    ce::HANDLE openConfiguration(ce::DWORD access, ce::DWORD disposition) const;

    // The fields keep the object's layout: the pages, the settings record
    // directly followed by the boot hook, then the Console page's hooks.
    BootSettings settings_;
    BootHook bootHook_;
    uint32_t bootHookArgument_;

  public:
    ConsoleButton consoleButtons[4];
    uint32_t consoleCheckMask;

    // What the last load found: whether the file held a record, how many of
    // its bytes were used and the first field that took its default.
    const SettingsReader::Result& loadedRecord() const { return loaded_; }

  private:
    SettingsReader::Result loaded_{false, 0, nullptr};
};

// A machine on which booting is refused (CPU word 0 ends the table).
struct RefusedMachine {
    uint32_t cpu;
    uint32_t machine;
    const ce::WCHAR* message;
};
const RefusedMachine* refusedMachines();
