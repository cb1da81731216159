// The state each built-in control keeps beside its window record; the
// controls' procedures change it and the renderer draws from it.
#pragma once

#include <string>
#include <vector>

#include "ce/WindowSystem.h"

namespace host {

class ButtonState : public ControlState {
  public:
    ce::WPARAM check = ce::BST_UNCHECKED;
    bool pressed = false;
};

// The text of an edit box (or a combo box's edit field) lives in the window
// record; this is the selection around it.
class EditState : public ControlState {
  public:
    size_t selStart = 0;
    size_t selEnd = 0;
    bool softBreaks = false;  // EM_FMTLINES
};

class ComboBoxState : public EditState {
  public:
    std::vector<std::u16string> items;
    int selected = -1;
};

class ProgressState : public ControlState {
  public:
    int low = 0;
    int high = 100;
    int position = 0;
    int step = 10;
};

class TabControlState : public ControlState {
  public:
    struct Item {
        int image = -1;
        ce::LPARAM param = 0;
        std::u16string text;
    };
    std::vector<Item> items;
    int selected = -1;
    ce::HIMAGELIST images = nullptr;
    int padX = 6;
    int padY = 3;
};

class UpDownState : public ControlState {
  public:
    ce::HWND buddy = nullptr;
    int lower = 0;
    int upper = 100;
    int position = 0;
};

class CommandBarState : public ControlState {
  public:
    bool closeBox = false;
};

// Placement helpers shared by the controls and the renderer.
// The rectangle of tab `index` in the tab control's client coordinates.
ce::RECT tabItemRect(const WindowRecord& tabs, int index);
// The display area of a tab control of the given rectangle.
ce::RECT tabDisplayArea(const WindowRecord& tabs, ce::RECT rect);
// The close box of a command bar, in its client coordinates.
ce::RECT closeBoxRect(const WindowRecord& bar);
// The size of one image of an image list (0 x 0 for none).
ce::POINT imageSize(ce::HIMAGELIST list);

}  // namespace host
