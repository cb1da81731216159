// One page of the tab control: a modeless dialog made from a template of
// the module's resources, placed in the tab control's display area.
#pragma once

#include "ui/Window.h"

class TabControl;

class TabPage : public Window {
  public:
    // `index`: the tab's position and picture; `templateName`: the dialog.
    TabPage(TabControl* tabControl, int index, const ce::WCHAR* templateName);
    ~TabPage() override = default;
    // WM_INITDIALOG runs init, WM_COMMAND runs command.
    bool proc(ce::HWND hwnd, ce::UINT message, ce::WPARAM wParam, ce::LPARAM lParam) override;
    // Creates the dialog (init runs before this returns); true when
    // there is one.
    virtual bool create();
    // Takes the dialog, inserts the page's tab, finds the display
    // area and hides the page.
    virtual void init(ce::HWND dialog);
    // A control of the page was used.
    virtual void command(int id, int code);
    virtual void hide();
    // Moves the page onto the display area and shows it.
    virtual void show();

    // The procedure of every page's dialog.
    static ce::BOOL dialogProcedure(ce::HWND dialog, ce::UINT message, ce::WPARAM wParam,
                                    ce::LPARAM lParam);

  protected:
    // A length in 1/96 inch on a screen of `dpi` dots per inch.
    static int scale(int value, int dpi) { return value * dpi / 96; }
    struct ScreenMetrics {
        int width;
        int height;
        int dpiX;
        int dpiY;
    };
    static ScreenMetrics screenMetrics();
    ce::HWND item(int id) const { return ce::GetDlgItem(window, id); }
    bool checked(int id) const;
    void check(int id, bool on) const;

    TabControl* tabControl;
    ce::RECT rect;
    int index;
    const ce::WCHAR* templateName;
};
