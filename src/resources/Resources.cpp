#include "resources/Resources.h"

#include "platform/ce/CeWindow.h"

const ModuleResource* moduleResources(uint32_t* count) {
    static ModuleResource table[7];
    static bool built = false;
    if (!built) {
        uint32_t size = 0;
        const void* data = mainPageTemplate(&size);
        table[0] = {ce::RT_DIALOG_ID, TEXT("WMAIN"), 0, data, size};
        data = optionPageTemplate(&size);
        table[1] = {ce::RT_DIALOG_ID, TEXT("WOPTION"), 0, data, size};
        data = consolePageTemplate(&size);
        table[2] = {ce::RT_DIALOG_ID, TEXT("WCONSOLE"), 0, data, size};
        table[3] = {ce::RT_BITMAP_ID, TEXT("IDI_VADIVER_MAIN"), 0, mainTabPicture(),
                    sizeof(BitmapResource)};
        table[4] = {ce::RT_BITMAP_ID, TEXT("IDI_VADIVER_OPTION"), 0, optionTabPicture(),
                    sizeof(BitmapResource)};
        table[5] = {ce::RT_BITMAP_ID, TEXT("IDI_VADIVER_CONSOLE"), 0, consoleTabPicture(),
                    sizeof(BitmapResource)};
        table[6] = {ce::RT_ICON_ID, nullptr, IDI_APPLICATION_ICON, applicationIcon(),
                    sizeof(BitmapResource)};
        built = true;
    }
    *count = sizeof table / sizeof table[0];
    return table;
}
