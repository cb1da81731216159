// The simulated process's virtual memory: reservations, committed pages
// backed by frames of PhysicalMemory, and VirtualCopy windows onto RAM frames
// or device registers.
//
// Host layout: every virtual address is a real host address inside one
// window reserved below 0x7FFF0000 (AddressSanitizer keeps its shadow above),
// so the system dereferences the addresses it gets. A committed page is a
// MAP_SHARED|MAP_FIXED mapping of its frame from the RAM memfd: writes through
// a virtual address land in physical memory. A device page (VirtualCopy of a
// physical range outside RAM) is backed by an ordinary host page so plain
// reads do not fault; the register models reach it through translate().
//
// Process identifier: the process runs with identifier 0. Its addresses lie
// in the range Windows CE gives large reservations (from 0x42000000 up) and
// are never relocated, so the MMU's modified virtual address equals the
// virtual address: translation tables built from mappings() agree with
// LockPages page for page.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "machine/Machine.h"

namespace host {

class PhysicalMemory;

class AddressSpace : public MachineComponent {
  public:
    static constexpr uint32_t kPageSize = 4096;
    static constexpr uint32_t kGranularity = 0x10000;  // reservations start on 64 KiB
    static constexpr uint32_t kProcessId = 0;
    // Where the window is placed when the host has that range free; all of
    // it stays below 0x7FFF0000.
    static constexpr uint32_t kPreferredBase = 0x42000000;
    static constexpr uint32_t kWindowSize = 0x10000000;

    struct Mapping {
        uint32_t va;
        uint32_t pa;
        uint32_t size;
        bool isDevice;  // a register window outside RAM
        bool writable;
    };

    explicit AddressSpace(Machine& machine);
    ~AddressSpace() override;
    AddressSpace(const AddressSpace&) = delete;
    AddressSpace& operator=(const AddressSpace&) = delete;

    // The Windows CE calls. Failures set the last error and return null /
    // false: ERROR_NOT_ENOUGH_MEMORY when RAM or addresses run out,
    // ERROR_INVALID_PARAMETER / ERROR_INVALID_ADDRESS for bad arguments.
    void* virtualAlloc(void* address, uint32_t size, uint32_t type, uint32_t protect);
    bool virtualFree(void* address, uint32_t size, uint32_t type);
    bool virtualCopy(void* dest, void* source, uint32_t size, uint32_t protect);
    // One frame address (page aligned) per page of the range; false unless
    // every page is mapped.
    bool lockPages(void* address, uint32_t size, uint32_t* frames, int options);
    bool unlockPages(void* address, uint32_t size);

    // The physical address behind a virtual address of a mapped page.
    bool translate(uint32_t va, uint32_t& pa) const;
    // Every mapped page, as runs of consecutive virtual and physical pages.
    std::vector<Mapping> mappings() const;
    // Pages that are locked right now.
    size_t lockedPageCount() const;
    uint32_t windowBase() const { return windowBase_; }

  private:
    enum class PageKind : uint8_t { kReserved, kCommitted, kCopied, kDevice };
    struct Page {
        PageKind kind = PageKind::kReserved;
        int prot = 0;  // host protection of the mapping
        uint32_t pa = 0;
        uint32_t locks = 0;
    };
    struct Reservation {
        uint32_t base;
        uint32_t size;
        std::vector<Page> pages;
    };

    Reservation* find(uint32_t va);
    const Reservation* find(uint32_t va) const;
    uint32_t placeReservation(uint32_t size) const;
    Reservation* reserve(uint32_t size);
    // Checks that [va, va + size) lies in one reservation; sets the error.
    Reservation* rangeOwner(uint32_t va, uint32_t size, uint32_t& first, uint32_t& count);
    // rangeOwner, with every page of the range backed (committed or copied).
    Reservation* backedRange(void* address, uint32_t size, uint32_t& first, uint32_t& count);
    bool commit(Reservation& r, uint32_t first, uint32_t count, int prot);
    bool copyPhysical(Reservation& r, uint32_t first, uint32_t count, uint32_t pa, int prot);
    bool copyVirtual(Reservation& r, uint32_t first, uint32_t count, uint32_t source, int prot);
    void decommit(Reservation& r, uint32_t first, uint32_t count);
    void mapFrames(uint32_t va, uint32_t pa, uint32_t bytes, int prot);
    void mapDevice(uint32_t va, uint32_t bytes, int prot);
    void restoreReserved(uint32_t va, uint32_t bytes);

    PhysicalMemory& memory_;
    uint32_t windowBase_ = 0;
    std::map<uint32_t, Reservation> reservations_;
};

}  // namespace host
