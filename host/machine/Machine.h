// The simulated handheld of one run: its device folder, its profile and the
// device models that hang off it. Exactly one machine is current at a time;
// the host programs open it from --device, tests from a temporary folder.
#pragma once

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <typeindex>
#include <vector>

#include "machine/MachineProfile.h"

namespace host {

// A device model (physical memory, CPU, UART, window system, ...). Created
// on first use by Machine::component<T>() and destroyed with the machine.
class MachineComponent {
  public:
    virtual ~MachineComponent() = default;
};

struct MessageBoxRecord {
    std::u16string caption;
    std::u16string text;
    uint32_t flags;
    int answer;
};

class Machine {
  public:
    // Opens DIR (machine.conf, root/, disks/) and makes it the current
    // machine, replacing any earlier one. False with a reason on failure.
    static bool open(const std::filesystem::path& dir, std::string& error);
    // As open, with the profile given instead of DIR/machine.conf.
    static void openWith(const std::filesystem::path& dir, const MachineProfile& profile);
    static bool active();
    static Machine& current();  // aborts when no machine is open
    static void close();

    const MachineProfile& profile() const { return profile_; }
    MachineProfile& profile() { return profile_; }
    const std::filesystem::path& deviceDir() const { return deviceDir_; }
    std::filesystem::path rootDir() const { return deviceDir_ / "root"; }

    // The device model of type T, created with (Machine&) on first use.
    template <class T>
    T& component() {
        MachineComponent*& slot = components_[std::type_index(typeid(T))];
        if (!slot) {
            order_.push_back(std::make_unique<T>(*this));
            slot = order_.back().get();
        }
        return static_cast<T&>(*slot);
    }

    // Where the machine shows what a person would see (message boxes, COM1
    // on stdout, the kernel's UART): standard output unless a test redirects.
    std::ostream& out() const { return *out_; }
    void setOut(std::ostream* out) { out_ = out; }

    // What a person would see, by where it comes from. Without a viewer the
    // bytes go to out() as they are; a host program sets a viewer that keeps
    // the channels apart.
    enum class Channel { MessageBox, Com1, Uart };
    using Viewer = std::function<void(Channel, const std::string& bytes)>;
    void show(Channel channel, const std::string& bytes);
    void setViewer(Viewer viewer) { viewer_ = std::move(viewer); }

    // Ends the run from inside the simulation when it cannot go on (the
    // system polls a register no device answers). The host program's stopper
    // says so in its own words; without one the reason goes to stderr and the
    // process exits with `status`.
    using Stopper = std::function<void(int status, const std::string& reason)>;
    [[noreturn]] void stop(int status, const std::string& reason);
    void setStopper(Stopper stopper) { stopper_ = std::move(stopper); }

    // Message boxes: the answer for a caption comes from setAnswer or
    // addAnswer (the command line), then machine.conf, then the default
    // (yes / ok). Answers added for one caption are used in the order given,
    // the last one for every later box.
    void setAnswer(const std::string& caption, const std::string& answer);
    void addAnswer(const std::string& caption, const std::string& answer);
    int answerFor(const std::u16string& caption, uint32_t flags);
    std::vector<MessageBoxRecord>& messageBoxes() { return messageBoxes_; }

    // The debug output channel (OutputDebugStringW): kept here and appended to
    // DIR/debug.log, or handed to the sink a host program sets instead.
    void debugOutput(const std::string& text);
    void setDebugSink(std::function<void(const std::string&)> sink) {
        debugSink_ = std::move(sink);
    }
    const std::string& debugLog() const { return debugLog_; }

    // Call counts that tests look at ("LoadLibraryW", ...).
    std::map<std::string, int>& counters() { return counters_; }

    ~Machine();

  private:
    Machine() = default;
    MachineProfile profile_;
    std::filesystem::path deviceDir_;
    std::map<std::type_index, MachineComponent*> components_;
    std::vector<std::unique_ptr<MachineComponent>> order_;  // owned, in order of creation
    std::map<std::string, std::deque<std::string>> answers_;
    std::vector<MessageBoxRecord> messageBoxes_;
    std::string debugLog_;
    std::ofstream debugFile_;  // DIR/debug.log, open from the first line on
    std::map<std::string, int> counters_;
    std::ostream* out_;
    Viewer viewer_;
    Stopper stopper_;
    std::function<void(const std::string&)> debugSink_;
};

std::string toUtf8(const std::u16string& text);
std::u16string fromUtf8(const std::string& text);

}  // namespace host
