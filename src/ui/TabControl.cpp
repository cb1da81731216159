#include "ui/TabControl.h"

#include "platform/ce/CeControls.h"
#include "ui/Application.h"

namespace {

constexpr ce::DWORD kStyle =
    0x54010280;  // visible child, clip siblings, tab stop, multi-line, vertical
constexpr int kPictureWidth = 16;
constexpr int kPictureHeight = 36;

const ce::WCHAR* const kPictures[] = {
    TEXT("IDI_VADIVER_MAIN"),
    TEXT("IDI_VADIVER_OPTION"),
    TEXT("IDI_VADIVER_CONSOLE"),
};

}  // namespace

TabControl::TabControl(ce::HWND parent, Application* app, const ce::RECT& rect, int id)
    : Window(parent, app), rect(rect), id(id) {}

bool TabControl::create(const ce::CREATESTRUCTW* creation) {
    window = ce::CreateWindowExW(0, ce::WC_TABCONTROLW, TEXT(""), kStyle, rect.left, rect.top,
                                 rect.right - rect.left, rect.bottom - rect.top, parent,
                                 reinterpret_cast<ce::HMENU>(uintptr_t(id)), creation->hInstance,
                                 nullptr);
    if (!ce::IsWindow(window))
        return false;
    ce::HIMAGELIST images = ce::ImageList_Create(kPictureWidth, kPictureHeight, 0, 3, 0);
    for (const ce::WCHAR* name : kPictures) {
        ce::HBITMAP picture = ce::LoadBitmapW(app->instance, name);
        ce::ImageList_Add(images, picture, nullptr);
        ce::DeleteObject(picture);
    }
    ce::SendMessageW(window, ce::TCM_SETPADDING, 0, ce::MAKELPARAM(1, 1));
    ce::SendMessageW(window, ce::TCM_SETIMAGELIST, 0, reinterpret_cast<ce::LPARAM>(images));
    return true;
}
