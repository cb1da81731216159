// The application's only top-level window: the command bar, the row with
// the Boot button, the progress bar and the Cancel button, and the tab
// control with the three pages. It starts boots (from the Boot button or
// the auto-boot timer), shows their progress and moves the focus between
// its controls.
#pragma once

#include <memory>

#include "boot/MenuWindow.h"
#include "ui/Window.h"

class BootButton;
class CancelButton;
class ProgressBar;
class TabControl;
class TabPage;

class RootWindow : public Window, public MenuWindow {
  public:
    static constexpr int kCommandBarId = 3;
    static constexpr int kProgressBarId = 4;
    static constexpr int kBootButtonId = 5;
    static constexpr int kCancelButtonId = 6;
    static constexpr int kTabControlId = 7;
    static constexpr ce::UINT_PTR kAutoBootTimer = 2;

    explicit RootWindow(Application* app);
    // Destroys the child objects (not the platform windows).
    ~RootWindow() override;
    bool proc(ce::HWND hwnd, ce::UINT message, ce::WPARAM wParam, ce::LPARAM lParam) override;
    // Creates the platform window and arms the auto-boot timer;
    // false when there is no window.
    virtual bool create();

    // The procedure of the window class: routes messages to the object kept
    // in the window's extra bytes.
    static ce::LRESULT windowProcedure(ce::HWND hwnd, ce::UINT message, ce::WPARAM wParam,
                                       ce::LPARAM lParam);
    // Called by the message loop for every message; true when it took it.
    bool isDialogMessage(ce::MSG* message);
    // "[progress] <step>" through the process-wide console when step is not
    // null, then the progress bar moves one step.
    void progress(const char* step) override;
    // The progress bar back to 0.
    void unprogress() override;
    ce::HWND windowHandle() const override { return handle(); }
    void stopAutoBoot();

    int buttonWidth() const { return buttonWidth_; }
    int buttonHeight() const { return buttonHeight_; }

  private:
    void createChildren(ce::HWND hwnd, const ce::CREATESTRUCTW* creation);
    // Creates page `type` (0 Main, 1 Option, 2 Console) of the tab control
    // with its dialog and registers it in MenuInterface.
    std::unique_ptr<TabPage> createPage(int type);
    void bootCommand();
    void bootStart();
    void restoreFocus();
    bool tabNotification(const ce::NMHDR* header);
    bool tabKey(ce::WORD key);
    bool moveFocus(const ce::MSG* message);
    TabPage* visiblePage() const;
    ce::HWND childHandle(const Window* child) const;

    std::unique_ptr<BootButton> bootButton;
    std::unique_ptr<CancelButton> cancelButton;
    std::unique_ptr<ProgressBar> progressBar;
    std::unique_ptr<TabControl> tabControl;
    std::unique_ptr<TabPage> mainPage;
    std::unique_ptr<TabPage> optionPage;
    std::unique_ptr<TabPage> consolePage;
    int buttonWidth_ = 0;
    int buttonHeight_ = 0;
    ce::HWND savedFocus = nullptr;
};
