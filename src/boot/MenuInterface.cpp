#include "boot/MenuInterface.h"

#include "boot/MenuWindow.h"
#include "boot/SettingsForm.h"
#include "boot/SettingsReader.h"
#include "boot/StorageCard.h"
#include "console/Console.h"
#include "platform/PlatformTable.h"
#include "platform/ce/CeFile.h"
#include "platform/ce/CeText.h"
#include "platform/ce/CeWindow.h"
#include "resources/StringTable.h"

namespace {

MenuInterface*& holder() {
    static MenuInterface* menu = nullptr;
    return menu;
}

const RefusedMachine kRefused[] = {
    {0, 0, nullptr},
};

constexpr int kUserDefinedIndex = 13;

}  // namespace

const RefusedMachine* refusedMachines() {
    return kRefused;
}

MenuInterface* MenuInterface::instance() {
    if (!holder())
        holder() = new MenuInterface();
    return holder();
}

void MenuInterface::destroyInstance() {
    delete holder();
    holder() = nullptr;
}

MenuInterface::MenuInterface() {
    if (!load())
        setDefaults();
    settings_.version = BootSettings::kVersion;
    settings_.size = BootSettings::kSize;
    bootHook_ = nullptr;
    bootHookArgument_ = 0;
    for (ConsoleButton& b : consoleButtons)
        b = ConsoleButton{nullptr, 0};
    consoleCheckMask = 0;
    Console::setSink(this);
}

MenuInterface::~MenuInterface() {
    Console::setSink(nullptr);
}

void MenuInterface::setDefaults() {
    setDefaultSettings(settings_);
}

bool MenuInterface::configurationPath(ce::WCHAR* path) const {
    ce::WCHAR card[ce::MAX_PATH];
    if (!findStorageCard(card, ce::MAX_PATH))
        return false;
    // "\" + card + "\kestrel.cnf" must fit the path buffer.
    if (ce::wcslen(card) + 13 >= size_t(ce::MAX_PATH))
        return false;
    ce::wsprintfW(path, TEXT("\\%s\\kestrel.cnf"), card);
    return true;
}

ce::HANDLE MenuInterface::openConfiguration(ce::DWORD access, ce::DWORD disposition) const {
    ce::WCHAR path[ce::WSPRINTF_LIMIT];
    if (!configurationPath(path))
        return ce::INVALID_HANDLE_VALUE;
    return ce::CreateFileW(path, access, 0, nullptr, disposition, ce::FILE_ATTRIBUTE_NORMAL,
                           nullptr);
}

bool MenuInterface::load() {
    loaded_ = SettingsReader::Result{false, 0, nullptr};
    ce::HANDLE file = openConfiguration(ce::GENERIC_READ, ce::OPEN_EXISTING);
    if (file == ce::INVALID_HANDLE_VALUE)
        return false;
    // Never more than our record: a longer one is read up to our end.
    uint8_t bytes[BootSettings::kSize];
    ce::DWORD got = 0;
    bool ok = ce::ReadFile(file, bytes, sizeof bytes, &got, nullptr) != 0;
    ce::CloseHandle(file);
    if (!ok)
        return false;
    BootSettings loaded;
    SettingsReader::Result result = SettingsReader::read(bytes, got, loaded);
    if (!result.accepted)
        return false;
    settings_ = loaded;
    loaded_ = result;
    return true;
}

bool MenuInterface::save() {
    ce::HANDLE file = openConfiguration(ce::GENERIC_WRITE, ce::CREATE_ALWAYS);
    if (file == ce::INVALID_HANDLE_VALUE)
        return false;
    ce::DWORD size = settings_.size < BootSettings::kSize ? settings_.size : BootSettings::kSize;
    ce::DWORD written = 0;
    ce::WriteFile(file, &settings_, size, &written, nullptr);
    ce::CloseHandle(file);
    return written == settings_.size;
}

const ce::WCHAR* MenuInterface::directoryName(int i) const {
    if (i < 0 || i > kUserDefinedIndex)
        return nullptr;
    if (i == kUserDefinedIndex && settings_.directorySaved)
        return settings_.directory;
    return stringResource(IDS_DIRECTORY_FIRST + 2 * uint32_t(i));
}

int MenuInterface::defaultDirectoryIndex() const {
    return settings_.directorySaved ? kUserDefinedIndex : 0;
}

const ce::WCHAR* MenuInterface::platformName(int i) const {
    return selectablePlatformName(i);
}

int MenuInterface::platformIndex() const {
    return selectablePlatformIndex(PlatformId{settings_.cpuId, settings_.machineId});
}

void MenuInterface::selectPlatform(int i) {
    PlatformId id;
    if (!selectablePlatform(i, id))
        return;
    settings_.cpuId = id.cpu;
    settings_.machineId = id.machine;
}

void MenuInterface::print(const ce::WCHAR* text) {
    if (consolePage)
        consolePage->write(text);
}

void MenuInterface::getOptions() {
    if (mainPage)
        mainPage->store();
    if (optionPage)
        optionPage->store();
}

void MenuInterface::progress(const char* step) {
    if (rootWindow) {
        rootWindow->progress(step);
    } else if (step) {
        // No window to show a bar in (the boot runs headless): the line alone.
        Console::instance()->print(TEXT("[progress] %S\n"), step);
    }
}

void MenuInterface::unprogress() {
    if (rootWindow)
        rootWindow->unprogress();
}

void MenuInterface::setBootHook(BootHook hook, uint32_t argument) {
    bootHook_ = hook;
    bootHookArgument_ = argument;
}

ce::HWND MenuInterface::rootHandle() const {
    return rootWindow ? rootWindow->windowHandle() : nullptr;
}

void MenuInterface::boot() {
    if (settings_.safetyMessage) {
        for (const RefusedMachine* row = refusedMachines(); row->cpu != 0; ++row) {
            if (row->cpu != settings_.cpuId || row->machine != settings_.machineId)
                continue;
            ce::MessageBoxW(rootHandle(), row->message ? row->message : TEXT("Not supported yet."),
                            TEXT("BOOT FAILED"), ce::MB_OK | ce::MB_ICONSTOP);
            return;
        }
    }
    if (bootHook_)
        bootHook_(bootHookArgument_);
}
