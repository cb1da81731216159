// The simulated handheld's window system: registered classes, windows and
// their state, the message queue, timers on a simulated clock, the focus,
// and scripted input standing in for the person holding the handheld.
// Nothing is shown live; the screen is rendered to a PNG on request
// (ScreenRenderer.h).
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "machine/Machine.h"
#include "platform/ce/CeControls.h"
#include "platform/ce/CeWindow.h"

namespace host {

// Per-class state of a built-in control (text lists, check state, ...).
class ControlState {
  public:
    virtual ~ControlState() = default;
};

struct WindowRecord {
    ce::HWND handle = nullptr;
    std::u16string className;
    ce::WNDPROC proc = nullptr;
    ce::HINSTANCE instance = nullptr;
    std::u16string text;
    uint32_t style = 0;
    uint32_t exStyle = 0;
    int id = 0;
    ce::HWND parent = nullptr;
    ce::RECT rect{};  // in the parent's client coordinates; screen for top-level windows
    int extraBytes = 0;
    std::map<int, ce::LONG_PTR> longs;  // by byte index; each slot holds one LONG_PTR
    ce::LONG_PTR userData = 0;
    ce::DLGPROC dialogProc = nullptr;  // dialogs only
    std::vector<ce::HWND> children;    // bottom of the z-order first
    std::unique_ptr<ControlState> state;
    bool destroyed = false;

    bool visible() const { return (style & ce::WS_VISIBLE) != 0; }
    bool enabled() const { return (style & ce::WS_DISABLED) == 0; }
    int width() const { return rect.right - rect.left; }
    int height() const { return rect.bottom - rect.top; }
    template <class T>
    T* stateAs() const {
        return dynamic_cast<T*>(state.get());
    }
};

struct WindowClassRecord {
    std::u16string name;
    ce::WNDPROC proc = nullptr;
    int extraBytes = 0;
    ce::HINSTANCE instance = nullptr;
    ce::HICON icon = nullptr;
    ce::HBRUSH background = nullptr;
    bool builtin = false;
};

struct TimerRecord {
    ce::HWND window;
    ce::UINT_PTR id;
    uint32_t interval;
    uint64_t due;  // simulated milliseconds
};

// One step of a script of user input.
struct InputEvent {
    enum Kind { TapPoint, TapControl, TapTab, Key, Text, Pick, Wait };
    Kind kind;
    int x = 0, y = 0;           // TapPoint: screen coordinates
    int id = 0;                 // TapControl, Pick: control id
    int key = 0;                // Key: virtual key
    bool shift = false;         // Key: with Shift held
    std::u16string text;        // Text; Pick: the entry's text (when index < 0)
    int index = -1;             // Pick: the entry's position; TapTab: the tab
    uint32_t milliseconds = 0;  // Wait
    std::string step;           // how the script wrote it ("--tap 153"), for errors
};

// A bitmap object (LoadBitmapW) or image list (ImageList_Create): RGB pixels.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB, rows top to bottom
};

class WindowSystem : public MachineComponent {
  public:
    explicit WindowSystem(Machine& machine);
    ~WindowSystem() override;

    static WindowSystem& current();

    // Classes and windows.
    WindowClassRecord* findClass(const std::u16string& name);
    bool registerClass(const WindowClassRecord& record);
    bool unregisterClass(const std::u16string& name);
    WindowRecord* find(ce::HWND window) const;  // null for unknown or destroyed windows
    WindowRecord& add(std::unique_ptr<WindowRecord> record);
    std::vector<ce::HWND> topLevelWindows() const;
    // The window's top-left corner in screen coordinates.
    ce::POINT screenOrigin(ce::HWND window) const;
    // The deepest visible, enabled window under the screen point, or null.
    ce::HWND windowAt(int x, int y) const;
    // The first visible window with this control id (any depth), else the
    // first hidden one; null when none.
    ce::HWND findControl(int id) const;
    bool isDescendant(ce::HWND ancestor, ce::HWND window) const;
    // The top-level window that holds `window` (or is it); null for none.
    ce::HWND topLevel(ce::HWND window) const;
    // Shown: visible itself and every ancestor visible.
    bool shown(ce::HWND window) const;

    // Queue and timers.
    void post(const ce::MSG& message);
    void postQuit(int code);
    bool getMessage(ce::MSG& message);
    void setTimer(ce::HWND window, ce::UINT_PTR id, uint32_t interval);
    bool killTimer(ce::HWND window, ce::UINT_PTR id);
    void forgetWindow(ce::HWND window);
    uint64_t now() const { return clock_; }
    bool timerPending(ce::HWND window, ce::UINT_PTR id) const;
    size_t timerCount() const { return timers_.size(); }
    // How often the application called KillTimer, whether or not a timer went.
    size_t killTimerCalls() const { return killTimerCalls_; }
    void countKillTimerCall() { ++killTimerCalls_; }

    // Focus and keyboard.
    ce::HWND focus() const { return focus_; }
    ce::HWND setFocus(ce::HWND window);
    bool shiftDown() const { return shiftDown_; }

    // The application's process has ended: its windows, classes, timers and
    // queued messages go without any message being sent (its objects are gone).
    void endProcess();

    // Scripted input, taken when the application waits for a message.
    void script(const InputEvent& event) { script_.push_back(event); }
    size_t scriptLeft() const { return script_.size(); }
    const std::deque<InputEvent>& scriptQueue() const { return script_; }

    // Pictures.
    void* addPicture(Picture picture);
    Picture* picture(const void* handle);
    bool deletePicture(const void* handle);

    // When the application waits with nothing queued, nothing scripted and
    // no timer armed, the wait cannot end: the system calls onIdle and, when
    // endWhenIdle is set, answers WM_QUIT so that the run ends.
    std::function<void()> onIdle;
    bool endWhenIdle = true;
    size_t timersArmed() const { return timers_.size(); }
    // A scripted step that finds nothing to act on (a tap on no window, a
    // control or tab that does not exist, a list entry that is not there)
    // is dropped; onScriptError, when set, hears why.
    std::function<void(const InputEvent& step, const std::string& problem)> onScriptError;
    // Text appended to a multi-line edit box (EM_REPLACESEL at its end).
    std::function<void(ce::HWND box, const std::u16string& text)> onTextAppended;
    // A run that would never end (a timer re-arming forever) stops after this
    // much simulated time.
    uint64_t clockLimit = 3600 * 1000;

    Machine& machine() const { return machine_; }
    int dialogBaseX() const;
    int dialogBaseY() const;
    int scaleY(int v) const;  // a length at 96 dpi on this screen

  private:
    void apply(const InputEvent& event);
    void scriptError(const InputEvent& event, const std::string& problem);
    // The position of the entry `event` picks in `list`; -1 (after
    // scriptError) when the list has no such entry.
    int pickIndex(ce::HWND list, const InputEvent& event);
    void postTap(ce::HWND window, int x, int y);
    bool fireNextTimer();

    Machine& machine_;
    std::map<std::u16string, WindowClassRecord> classes_;  // by upper-case name
    std::map<ce::HWND, std::unique_ptr<WindowRecord>> windows_;
    std::vector<ce::HWND> order_;  // creation order
    uintptr_t nextHandle_ = 0x00A00010;
    std::deque<ce::MSG> queue_;
    bool quitPosted_ = false;
    int quitCode_ = 0;
    std::vector<TimerRecord> timers_;
    size_t killTimerCalls_ = 0;
    uint64_t clock_ = 0;
    ce::HWND focus_ = nullptr;
    bool shiftDown_ = false;
    std::deque<InputEvent> script_;
    std::map<uintptr_t, Picture> pictures_;
    uintptr_t nextPicture_ = 0x00B00010;
};

std::u16string upperCase(const std::u16string& text);
// The private message by which a scripted pick reaches a combo box.
constexpr ce::UINT kPickMessage = 0x7FF0;

// The built-in controls' window procedures (registered on first use).
ce::LRESULT buttonProc(ce::HWND, ce::UINT, ce::WPARAM, ce::LPARAM);
ce::LRESULT editProc(ce::HWND, ce::UINT, ce::WPARAM, ce::LPARAM);
ce::LRESULT comboBoxProc(ce::HWND, ce::UINT, ce::WPARAM, ce::LPARAM);
ce::LRESULT staticProc(ce::HWND, ce::UINT, ce::WPARAM, ce::LPARAM);
ce::LRESULT progressProc(ce::HWND, ce::UINT, ce::WPARAM, ce::LPARAM);
ce::LRESULT tabControlProc(ce::HWND, ce::UINT, ce::WPARAM, ce::LPARAM);
ce::LRESULT upDownProc(ce::HWND, ce::UINT, ce::WPARAM, ce::LPARAM);
ce::LRESULT commandBarProc(ce::HWND, ce::UINT, ce::WPARAM, ce::LPARAM);
ce::LRESULT dialogProc(ce::HWND, ce::UINT, ce::WPARAM, ce::LPARAM);

// Sends a WM_COMMAND notification from a control to its parent.
void notifyParent(ce::HWND control, ce::WORD code);

}  // namespace host
