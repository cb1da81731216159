// The handheld's ARM processor, emulated by Unicorn with the profile's CPU
// model (SA-1100/SA-1110, PXA250, PXA270). It sees the same RAM as the rest
// of the machine (each bank of PhysicalMemory mapped in place) and the
// device models of DeviceBus behind MMIO hooks.
//
// While Windows CE runs, the CPU is the application thread's: MMU on with
// real level-1/level-2 translation tables that the simulated OS keeps in its
// own RAM (built from AddressSpace's mappings, so a table walk finds the
// frames LockPages reports), User mode unless SetKMode asked for kernel
// mode (System mode). Calling one of the system's CPU primitives runs its
// assembled code in this state; a privileged instruction in User mode traps.
// The flat jump leaves all that: the CPU then runs the second-stage loader
// and the kernel, for a bounded number of instructions.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "machine/AddressSpace.h"
#include "machine/Machine.h"

struct uc_struct;

namespace host {

class DeviceBus;
class PhysicalMemory;

class ArmCpu : public MachineComponent {
  public:
    static constexpr uint32_t kUserMode = 0x10;
    static constexpr uint32_t kSystemMode = 0x1F;
    static constexpr uint32_t kModeMask = 0x1F;
    static constexpr uint64_t kDefaultBudget = 200'000'000;  // instructions after the jump

    // How a jump ended.
    struct JumpOutcome {
        bool entered = false;        // the second-stage loader branched out of its page
        bool halted = false;         // the kernel parked itself in a branch-to-self
        bool returned = false;       // the flat jump came back to its caller
        uint32_t entry = 0;          // where the second-stage loader branched to
        uint32_t entryRegs[4] = {};  // r0..r3 at that moment
        uint32_t entrySp = 0;
        uint32_t entryCpsr = 0;
        uint32_t pc = 0;  // where the CPU stopped
        uint64_t instructions = 0;
        std::string reason;  // "halted", "budget ran out", or the fault
    };

    explicit ArmCpu(Machine& machine);
    ~ArmCpu() override;
    ArmCpu(const ArmCpu&) = delete;
    ArmCpu& operator=(const ArmCpu&) = delete;

    // SetKMode: System mode for kernel, User mode otherwise; the previous
    // state. With "kernel_mode = refused" in machine.conf the thread stays
    // in User mode (as on Windows CE versions that ignore the call).
    bool setKernelMode(bool kernel);
    bool kernelMode() const { return (threadCpsr_ & kModeMask) != kUserMode; }

    // Runs the routine `name` of the code block as the application thread,
    // with r0..r3; returns r0. A fault is reported on stderr and kept in
    // lastFault() (empty after a clean call); r0 is then 0.
    uint32_t call(const std::string& name, uint32_t r0 = 0, uint32_t r1 = 0, uint32_t r2 = 0,
                  uint32_t r3 = 0);
    const std::string& lastFault() const { return lastFault_; }

    // Runs a flat jump: through the second-stage loader into the kernel,
    // until the kernel halts, faults or the budget is spent. The jump handler
    // (if any) then sees the outcome.
    JumpOutcome jump(const std::string& routine, uint32_t r0, uint32_t r1, uint32_t r2,
                     uint32_t r3);
    void setBudget(uint64_t instructions) { budget_ = instructions; }
    // Called after every jump; the kestrel program ends the run there.
    static void setJumpHandler(std::function<void(const JumpOutcome&)> handler);

    // Where a routine of the code block is (virtual = physical).
    uint32_t address(const std::string& name) const;
    // A CP15 register as the CPU holds it (crn, opc2), for tests.
    uint32_t cp15(uint32_t crn, uint32_t opc2 = 0);
    uint32_t cpsr() const { return threadCpsr_; }
    uint32_t translationTable() const { return l1_; }
    uc_struct* engine() { return uc_; }

  private:
    struct Run {
        bool ok;
        uint32_t pc;
        std::string fault;
    };

    void check(int err, const char* what);
    void mapMemory();
    void loadCode();
    void enableMmu();
    void syncTables();
    void mapPage(uint32_t va, uint32_t pa, uint32_t ap, bool cached);
    uint32_t l2Table(uint32_t megabyte);
    void writeWord(uint32_t physical, uint32_t value);
    uint32_t readWord(uint32_t physical);
    Run run(uint32_t pc, const uint32_t (&regs)[4], uint32_t cpsr, uint64_t count);
    // uc_emu_start, stepping over privileged reads of unmodelled CP15 registers.
    int start(uint32_t pc, uint64_t count);
    bool emulateCoprocessorRead();
    void stop();  // from a hook: the run ends after the current instruction
    void setRegs(const uint32_t (&regs)[4], uint32_t cpsr);
    uint32_t reg(int id);
    std::string describeFault(int err, uint32_t pc);

    static void onBlock(uc_struct* uc, uint64_t address, uint32_t size, void* self);
    static void onInterrupt(uc_struct* uc, uint32_t number, void* self);
    static bool onUnmapped(uc_struct* uc, int type, uint64_t address, int size, int64_t value,
                           void* self);

    Machine& machine_;
    PhysicalMemory& memory_;
    AddressSpace& space_;
    DeviceBus& bus_;
    uc_struct* uc_ = nullptr;
    uint32_t code_ = 0;  // physical (= virtual) address of the code block
    uint32_t codeSize_ = 0;
    uint32_t l1_ = 0;
    std::vector<std::pair<uint32_t, uint32_t>> l2Tables_;  // megabyte -> table
    std::vector<AddressSpace::Mapping> mapped_;
    bool tablesBuilt_ = false;
    uint32_t threadCpsr_ = kUserMode;
    uint64_t budget_ = kDefaultBudget;
    std::string lastFault_;

    // State of a jump in progress (the hooks fill it).
    bool jumping_ = false;
    uint32_t loaderPage_ = 0;
    bool inLoader_ = false;
    JumpOutcome* outcome_ = nullptr;
    std::string pendingFault_;
};

}  // namespace host
