#include "machine/ArmCpu.h"

#include <unicorn/unicorn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "machine/ArmCodeImage.h"
#include "machine/DeviceBus.h"
#include "machine/PhysicalMemory.h"

namespace host {
namespace {

constexpr uint32_t kPage = 0x1000;
constexpr uint32_t kL1Size = 0x4000;  // 4096 section entries
constexpr uint32_t kL2Size = 0x400;   // a coarse table: 256 small pages
constexpr uint32_t kL1Coarse = 0x11;  // coarse table, bit 4 set, domain 0
constexpr uint32_t kL2Small = 0x2;
constexpr uint32_t kCacheable = 0xC;      // C and B
constexpr uint32_t kApUserWrite = 0xFF0;  // AP 11 in all four subpages
constexpr uint32_t kApUserRead = 0xAA0;   // AP 10: user read-only
constexpr uint32_t kDomainClient = 0x1;   // domain 0 checks the AP bits
constexpr uint32_t kSupervisor = 0x13;
constexpr uint32_t kInterruptsMasked = 0xC0;
// What Windows CE runs with: MMU, data cache, write buffer, instruction
// cache and system protection on, exception vectors high.
constexpr uint32_t kCeControl = 0x317D;
constexpr uint32_t kBranchToSelf = 0xEAFFFFFE;
constexpr uint64_t kCallLimit = 1'000'000;  // instructions a primitive may take
constexpr uint32_t kMrcMask = 0x0F100F10;   // MRC of coprocessor 15, any register
constexpr uint32_t kMrcP15 = 0x0E100F10;
constexpr int kEmulatedReadLimit = 64;

uc_cpu_arm cpuModel(const std::string& cpu) {
    if (cpu == "SA1100")
        return UC_CPU_ARM_SA1100;
    if (cpu == "PXA250")
        return UC_CPU_ARM_PXA250;
    if (cpu == "PXA270")
        return UC_CPU_ARM_PXA270;
    return UC_CPU_ARM_SA1110;
}

const char* exceptionName(uint32_t number) {
    switch (number) {
        case 1:
            return "undefined instruction";
        case 2:
            return "software interrupt";
        case 3:
            return "prefetch abort";
        case 4:
            return "data abort";
        case 5:
            return "interrupt";
        case 6:
            return "fast interrupt";
        case 7:
            return "breakpoint";
        default:
            return "exception";
    }
}

std::string hex(uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", v);
    return text;
}

std::function<void(const ArmCpu::JumpOutcome&)>& jumpHandler() {
    static std::function<void(const ArmCpu::JumpOutcome&)> handler;
    return handler;
}

uint64_t mmioRead(uc_engine*, uint64_t offset, unsigned size, void* window) {
    auto* w = static_cast<const DeviceBus::Window*>(window);
    return w->model->read(uint32_t(offset), size);
}

void mmioWrite(uc_engine*, uint64_t offset, unsigned size, uint64_t value, void* window) {
    auto* w = static_cast<const DeviceBus::Window*>(window);
    w->model->write(uint32_t(offset), size, uint32_t(value));
}

bool sameMappings(const std::vector<AddressSpace::Mapping>& a,
                  const std::vector<AddressSpace::Mapping>& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].va != b[i].va || a[i].pa != b[i].pa || a[i].size != b[i].size ||
            a[i].isDevice != b[i].isDevice || a[i].writable != b[i].writable)
            return false;
    }
    return true;
}

}  // namespace

ArmCpu::ArmCpu(Machine& machine)
    : machine_(machine),
      memory_(machine.component<PhysicalMemory>()),
      space_(machine.component<AddressSpace>()),
      bus_(machine.component<DeviceBus>()) {
    check(uc_open(UC_ARCH_ARM, UC_MODE_ARM, &uc_), "uc_open");
    check(uc_ctl_set_cpu_model(uc_, cpuModel(machine.profile().cpu)), "setting the CPU model");
    mapMemory();
    uc_hook hook;
    check(uc_hook_add(uc_, &hook, UC_HOOK_BLOCK, reinterpret_cast<void*>(&onBlock), this, 1, 0),
          "adding the block hook");
    check(uc_hook_add(uc_, &hook, UC_HOOK_INTR, reinterpret_cast<void*>(&onInterrupt), this, 1, 0),
          "adding the exception hook");
    check(uc_hook_add(uc_, &hook, UC_HOOK_MEM_UNMAPPED, reinterpret_cast<void*>(&onUnmapped), this,
                      1, 0),
          "adding the unmapped-access hook");
    loadCode();
    enableMmu();
}

ArmCpu::~ArmCpu() {
    if (uc_)
        if (uc_err err = uc_close(uc_); err != UC_ERR_OK)
            std::fprintf(stderr, "kestrel host: CPU: uc_close failed: %s\n", uc_strerror(err));
}

void ArmCpu::check(int err, const char* what) {
    if (err == UC_ERR_OK)
        return;
    std::fprintf(stderr, "kestrel host: CPU: %s failed: %s\n", what,
                 uc_strerror(static_cast<uc_err>(err)));
    std::abort();
}

void ArmCpu::mapMemory() {
    for (const PhysicalMemory::Bank& b : memory_.banks()) {
        check(uc_mem_map_ptr(uc_, b.base, b.size, UC_PROT_ALL, b.host), "mapping a RAM bank");
    }
    for (const DeviceBus::Window& w : bus_.windows()) {
        auto* user = const_cast<DeviceBus::Window*>(&w);
        check(uc_mmio_map(uc_, w.base, w.size, &mmioRead, user, &mmioWrite, user),
              "mapping a device window");
    }
    // This Unicorn checks an access's virtual address against its map of
    // regions before translating it; the process's virtual window therefore
    // needs a placeholder there. Translated accesses reach the frames the
    // tables name; the placeholder itself is never the target.
    check(uc_mem_map(uc_, space_.windowBase(), AddressSpace::kWindowSize, UC_PROT_ALL),
          "mapping the process window placeholder");
}

void ArmCpu::loadCode() {
    const std::vector<uint8_t>& bytes = armCodeBytes();
    codeSize_ = (address("codeEnd") + kPage - 1) / kPage * kPage;
    code_ = 0;
    code_ = memory_.allocateOsPrivate(codeSize_, kPage);
    if (code_ == 0) {
        std::fprintf(stderr, "kestrel host: CPU: no OS RAM left for the code block\n");
        std::abort();
    }
    std::memcpy(memory_.ram(code_, codeSize_), bytes.data(), bytes.size());
}

void ArmCpu::enableMmu() {
    l1_ = memory_.allocateOsPrivate(kL1Size, kL1Size);
    if (l1_ == 0) {
        std::fprintf(stderr, "kestrel host: CPU: no OS RAM left for the translation table\n");
        std::abort();
    }
    syncTables();
    uint32_t regs[4] = {l1_, kDomainClient, AddressSpace::kProcessId, kCeControl};
    Run r = run(address("ceSetTranslation"), regs, kSupervisor | kInterruptsMasked, kCallLimit);
    if (!r.ok) {
        std::fprintf(stderr, "kestrel host: CPU: turning the MMU on failed: %s\n", r.fault.c_str());
        std::abort();
    }
}

uint32_t ArmCpu::address(const std::string& name) const {
    for (const ArmCodeSymbol& s : armCodeSymbols()) {
        if (name == s.name)
            return code_ + s.offset;
    }
    std::fprintf(stderr, "kestrel host: CPU: no routine %s in the code block\n", name.c_str());
    std::abort();
}

void ArmCpu::writeWord(uint32_t physical, uint32_t value) {
    std::memcpy(memory_.ram(physical, 4), &value, 4);
}

uint32_t ArmCpu::readWord(uint32_t physical) {
    uint32_t value = 0;
    if (uint8_t* p = memory_.ram(physical, 4))
        std::memcpy(&value, p, 4);
    return value;
}

uint32_t ArmCpu::l2Table(uint32_t megabyte) {
    uint32_t entry = readWord(l1_ + megabyte * 4);
    if (entry & 3)
        return entry & ~(kL2Size - 1);
    uint32_t table = 0;
    for (auto& [mb, t] : l2Tables_) {
        if (mb == megabyte)
            table = t;
    }
    if (table == 0) {
        table = memory_.allocateOsPrivate(kL2Size, kL2Size);
        if (table == 0) {
            std::fprintf(stderr, "kestrel host: CPU: no OS RAM left for a page table\n");
            std::abort();
        }
        l2Tables_.emplace_back(megabyte, table);
    }
    std::memset(memory_.ram(table, kL2Size), 0, kL2Size);
    writeWord(l1_ + megabyte * 4, table | kL1Coarse);
    return table;
}

void ArmCpu::mapPage(uint32_t va, uint32_t pa, uint32_t ap, bool cached) {
    uint32_t table = l2Table(va >> 20);
    writeWord(table + ((va >> 12) & 0xFF) * 4,
              (pa & ~(kPage - 1)) | ap | (cached ? kCacheable : 0) | kL2Small);
}

// The tables follow the process's mappings: rebuilt whenever they changed,
// before the CPU runs again.
void ArmCpu::syncTables() {
    std::vector<AddressSpace::Mapping> now = space_.mappings();
    if (tablesBuilt_ && sameMappings(now, mapped_))
        return;
    std::memset(memory_.ram(l1_, kL1Size), 0, kL1Size);
    for (uint32_t off = 0; off < codeSize_; off += kPage) {
        mapPage(code_ + off, code_ + off, kApUserRead, true);
    }
    for (const AddressSpace::Mapping& m : now) {
        for (uint32_t off = 0; off < m.size; off += kPage) {
            mapPage(m.va + off, m.pa + off, m.writable ? kApUserWrite : kApUserRead, !m.isDevice);
        }
    }
    mapped_ = std::move(now);
    if (tablesBuilt_) {
        uint32_t none[4] = {};
        Run r = run(address("ceFlushTlb"), none, kSupervisor | kInterruptsMasked, kCallLimit);
        if (!r.ok)
            std::fprintf(stderr, "kestrel host: CPU: TLB flush: %s\n", r.fault.c_str());
    }
    tablesBuilt_ = true;
}

void ArmCpu::setRegs(const uint32_t (&regs)[4], uint32_t cpsr) {
    check(uc_reg_write(uc_, UC_ARM_REG_CPSR, &cpsr), "writing CPSR");
    const int ids[4] = {UC_ARM_REG_R0, UC_ARM_REG_R1, UC_ARM_REG_R2, UC_ARM_REG_R3};
    for (int i = 0; i < 4; ++i)
        check(uc_reg_write(uc_, ids[i], &regs[i]), "writing a register");
    uint32_t lr = address("ceReturn");
    check(uc_reg_write(uc_, UC_ARM_REG_LR, &lr), "writing LR");
}

uint32_t ArmCpu::reg(int id) {
    uint32_t value = 0;
    check(uc_reg_read(uc_, id, &value), "reading a register");
    return value;
}

// This Unicorn does not model every CP15 register of these processors
// (register 14, the debug registers, is missing). The real CPU answers a
// privileged read of it, so the emulated one does too, with 0, instead of
// trapping; in User mode the trap stays.
bool ArmCpu::emulateCoprocessorRead() {
    uint32_t pc = reg(UC_ARM_REG_PC);
    uint32_t insn = 0;
    if ((reg(UC_ARM_REG_CPSR) & kModeMask) == kUserMode)
        return false;
    if (uc_mem_read(uc_, pc, &insn, 4) != UC_ERR_OK)
        return false;
    if ((insn & kMrcMask) != kMrcP15)
        return false;
    uint32_t rd = (insn >> 12) & 0xF;
    if (rd == 15)
        return false;
    uint32_t zero = 0;
    int id = rd == 13 ? UC_ARM_REG_SP : rd == 14 ? UC_ARM_REG_LR : UC_ARM_REG_R0 + int(rd);
    check(uc_reg_write(uc_, id, &zero), "writing a register");
    machine_.debugOutput("CPU: unmodelled coprocessor read at " + hex(pc) + " gives 0\n");
    return true;
}

int ArmCpu::start(uint32_t pc, uint64_t count) {
    uc_err err = uc_emu_start(uc_, pc, address("ceReturn"), 0, count);
    for (int i = 0; i < kEmulatedReadLimit && err == UC_ERR_INSN_INVALID && pendingFault_.empty() &&
                    emulateCoprocessorRead();
         ++i) {
        err = uc_emu_start(uc_, reg(UC_ARM_REG_PC) + 4, address("ceReturn"), 0, count);
    }
    return err;
}

ArmCpu::Run ArmCpu::run(uint32_t pc, const uint32_t (&regs)[4], uint32_t cpsr, uint64_t count) {
    setRegs(regs, cpsr);
    pendingFault_.clear();
    int err = start(pc, count);
    Run r{true, reg(UC_ARM_REG_PC), ""};
    if (err != UC_ERR_OK || !pendingFault_.empty()) {
        r.ok = false;
        r.fault = describeFault(err, r.pc);
    } else if (r.pc != address("ceReturn")) {
        r.ok = false;
        r.fault = "did not return within " + std::to_string(count) + " instructions (pc " +
                  hex(r.pc) + ")";
    }
    return r;
}

std::string ArmCpu::describeFault(int err, uint32_t pc) {
    if (!pendingFault_.empty())
        return pendingFault_;
    const char* mode = (reg(UC_ARM_REG_CPSR) & kModeMask) == kUserMode ? " in User mode" : "";
    std::string what = err == UC_ERR_INSN_INVALID ? "undefined instruction"
                                                  : uc_strerror(static_cast<uc_err>(err));
    return what + " at " + hex(pc) + mode;
}

uint32_t ArmCpu::call(const std::string& name, uint32_t r0, uint32_t r1, uint32_t r2, uint32_t r3) {
    syncTables();
    uint32_t regs[4] = {r0, r1, r2, r3};
    Run r = run(address(name), regs, threadCpsr_, kCallLimit);
    if (!r.ok) {
        lastFault_ = name + ": " + r.fault;
        std::fprintf(stderr, "kestrel host: CPU: %s\n", lastFault_.c_str());
        machine_.debugOutput("CPU: " + lastFault_ + "\n");
        return 0;
    }
    lastFault_.clear();
    threadCpsr_ = reg(UC_ARM_REG_CPSR);
    return reg(UC_ARM_REG_R0);
}

bool ArmCpu::setKernelMode(bool kernel) {
    bool previous = kernelMode();
    if (machine_.profile().value("kernel_mode") == "refused")
        return previous;
    threadCpsr_ = (threadCpsr_ & ~kModeMask) | (kernel ? kSystemMode : kUserMode);
    return previous;
}

void ArmCpu::stop() {
    check(uc_emu_stop(uc_), "stopping the emulation");
}

uint32_t ArmCpu::cp15(uint32_t crn, uint32_t opc2) {
    uc_arm_cp_reg r{};
    r.cp = 15;
    r.crn = crn;
    r.opc2 = opc2;
    check(uc_reg_read(uc_, UC_ARM_REG_CP_REG, &r), "reading a CP15 register");
    return uint32_t(r.val);
}

void ArmCpu::setJumpHandler(std::function<void(const JumpOutcome&)> handler) {
    jumpHandler() = std::move(handler);
}

ArmCpu::JumpOutcome ArmCpu::jump(const std::string& routine, uint32_t r0, uint32_t r1, uint32_t r2,
                                 uint32_t r3) {
    syncTables();
    JumpOutcome o;
    outcome_ = &o;
    jumping_ = true;
    inLoader_ = false;
    loaderPage_ = r3 & ~(kPage - 1);
    uint32_t regs[4] = {r0, r1, r2, r3};
    setRegs(regs, threadCpsr_);
    pendingFault_.clear();
    int err = start(address(routine), budget_);
    jumping_ = false;
    outcome_ = nullptr;
    o.pc = reg(UC_ARM_REG_PC);
    if (o.halted) {
        o.reason = "halted";
    } else if (err != UC_ERR_OK || !pendingFault_.empty()) {
        o.reason = "CPU fault: " + describeFault(err, o.pc);
    } else if (o.pc == address("ceReturn")) {
        o.returned = true;
        o.reason = "the flat jump returned";
    } else {
        o.reason = "budget of " + std::to_string(budget_) + " instructions ran out at " + hex(o.pc);
    }
    threadCpsr_ = reg(UC_ARM_REG_CPSR);
    if (jumpHandler())
        jumpHandler()(o);
    return o;
}

void ArmCpu::onBlock(uc_struct* uc, uint64_t address, uint32_t size, void* self) {
    auto* cpu = static_cast<ArmCpu*>(self);
    if (!cpu->jumping_)
        return;
    JumpOutcome& o = *cpu->outcome_;
    o.instructions += size / 4;
    uint32_t a = uint32_t(address);
    if (!o.entered) {
        if ((a & ~(kPage - 1)) == cpu->loaderPage_) {
            cpu->inLoader_ = true;
        } else if (cpu->inLoader_) {
            o.entered = true;
            o.entry = a;
            const int ids[4] = {UC_ARM_REG_R0, UC_ARM_REG_R1, UC_ARM_REG_R2, UC_ARM_REG_R3};
            for (int i = 0; i < 4; ++i)
                o.entryRegs[i] = cpu->reg(ids[i]);
            o.entrySp = cpu->reg(UC_ARM_REG_SP);
            o.entryCpsr = cpu->reg(UC_ARM_REG_CPSR);
        }
        return;
    }
    uint32_t insn = 0;
    if (uc_mem_read(uc, a, &insn, 4) == UC_ERR_OK && insn == kBranchToSelf) {
        o.halted = true;
        cpu->stop();
    }
}

void ArmCpu::onInterrupt(uc_struct* uc, uint32_t number, void* self) {
    auto* cpu = static_cast<ArmCpu*>(self);
    uint32_t lr = cpu->reg(UC_ARM_REG_LR);
    cpu->pendingFault_ = std::string(exceptionName(number)) + " (return address " + hex(lr) + ")";
    if (number == 4)
        cpu->pendingFault_ += ", fault address " + hex(cpu->cp15(6));
    cpu->stop();
}

bool ArmCpu::onUnmapped(uc_struct* uc, int type, uint64_t address, int, int64_t, void* self) {
    auto* cpu = static_cast<ArmCpu*>(self);
    const char* what = type == UC_MEM_FETCH_UNMAPPED   ? "fetch from"
                       : type == UC_MEM_WRITE_UNMAPPED ? "write to"
                                                       : "read of";
    cpu->pendingFault_ = std::string(what) + " unmapped address " + hex(uint32_t(address)) +
                         " at pc " + hex(cpu->reg(UC_ARM_REG_PC));
    return false;
}

}  // namespace host
