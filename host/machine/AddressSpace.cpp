#include "machine/AddressSpace.h"

#include <sys/mman.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "machine/PhysicalMemory.h"
#include "platform/ce/CeFile.h"
#include "platform/ce/CeMemory.h"

namespace host {
namespace {

constexpr uint32_t kPage = AddressSpace::kPageSize;
// Other places for the window when the preferred one is taken; every one
// ends below 0x7FFF0000.
constexpr uint32_t kFallbackBases[] = {0x22000000, 0x52000000, 0x12000000};

[[noreturn]] void fatal(const char* what) {
    std::fprintf(stderr, "kestrel host: address space: %s: %s\n", what, std::strerror(errno));
    std::abort();
}

uint64_t roundUp(uint64_t x, uint64_t unit) {
    return (x + unit - 1) / unit * unit;
}

void* hostPointer(uint32_t va) {
    return reinterpret_cast<void*>(uintptr_t(va));
}

uint32_t address(const void* p) {
    return uint32_t(reinterpret_cast<uintptr_t>(p));
}

bool fail(ce::DWORD error) {
    ce::SetLastError(error);
    return false;
}

// Windows protection flags -> host protection.
int hostProtection(uint32_t protect) {
    constexpr uint32_t kWritable = 0x04 | 0x08 | 0x40 | 0x80;  // READWRITE, WRITECOPY, EXECUTE_*
    uint32_t access = protect & 0xFF;
    if (access == ce::PAGE_NOACCESS)
        return PROT_NONE;
    return (access & kWritable) ? PROT_READ | PROT_WRITE : PROT_READ;
}

uint8_t* tryWindow(uint32_t base, uint32_t size) {
    void* p = mmap(hostPointer(base), size, PROT_NONE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_FIXED_NOREPLACE, -1, 0);
    if (p == MAP_FAILED)
        return nullptr;
    if (p != hostPointer(base)) {  // kernels without MAP_FIXED_NOREPLACE treat it as a hint
        munmap(p, size);
        return nullptr;
    }
    return static_cast<uint8_t*>(p);
}

}  // namespace

AddressSpace::AddressSpace(Machine& machine) : memory_(machine.component<PhysicalMemory>()) {
    uint8_t* window = tryWindow(kPreferredBase, kWindowSize);
    for (uint32_t base : kFallbackBases) {
        if (!window)
            window = tryWindow(base, kWindowSize);
    }
    if (!window)
        fatal("no free host range below 0x7FFF0000 for the process");
    windowBase_ = address(window);
}

AddressSpace::~AddressSpace() {
    for (auto& [base, r] : reservations_) {
        for (Page& page : r.pages) {
            if (page.kind == PageKind::kCommitted)
                memory_.releaseFrame(page.pa);
        }
    }
    munmap(hostPointer(windowBase_), kWindowSize);
}

AddressSpace::Reservation* AddressSpace::find(uint32_t va) {
    auto it = reservations_.upper_bound(va);
    if (it == reservations_.begin())
        return nullptr;
    --it;
    return va - it->second.base < it->second.size ? &it->second : nullptr;
}

const AddressSpace::Reservation* AddressSpace::find(uint32_t va) const {
    return const_cast<AddressSpace*>(this)->find(va);
}

uint32_t AddressSpace::placeReservation(uint32_t size) const {
    uint64_t candidate = windowBase_;
    uint64_t span = roundUp(size, kGranularity);
    for (const auto& [base, r] : reservations_) {
        if (candidate + span <= base)
            break;
        candidate = roundUp(uint64_t(base) + r.size, kGranularity);
    }
    if (candidate + span > uint64_t(windowBase_) + kWindowSize)
        return 0;
    return uint32_t(candidate);
}

AddressSpace::Reservation* AddressSpace::reserve(uint32_t size) {
    uint32_t base = placeReservation(size);
    if (base == 0)
        return nullptr;
    uint32_t bytes = uint32_t(roundUp(size, kPage));
    Reservation& r = reservations_[base];
    r.base = base;
    r.size = bytes;
    r.pages.assign(bytes / kPage, Page{});
    return &r;
}

AddressSpace::Reservation* AddressSpace::rangeOwner(uint32_t va, uint32_t size, uint32_t& first,
                                                    uint32_t& count) {
    Reservation* r = find(va);
    uint64_t start = va & ~(kPage - 1);
    uint64_t end = roundUp(uint64_t(va) + size, kPage);
    if (!r || size == 0 || end > uint64_t(r->base) + r->size) {
        ce::SetLastError(ce::ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    first = uint32_t((start - r->base) / kPage);
    count = uint32_t((end - start) / kPage);
    return r;
}

void AddressSpace::mapFrames(uint32_t va, uint32_t pa, uint32_t bytes, int prot) {
    void* p = mmap(hostPointer(va), bytes, prot, MAP_SHARED | MAP_FIXED, memory_.fd(),
                   off_t(memory_.fileOffset(pa)));
    if (p == MAP_FAILED)
        fatal("mmap of a frame");
}

void AddressSpace::mapDevice(uint32_t va, uint32_t bytes, int prot) {
    void* p = mmap(hostPointer(va), bytes, prot, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
    if (p == MAP_FAILED)
        fatal("mmap of a device window");
}

void AddressSpace::restoreReserved(uint32_t va, uint32_t bytes) {
    void* p = mmap(hostPointer(va), bytes, PROT_NONE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_FIXED, -1, 0);
    if (p == MAP_FAILED)
        fatal("mmap of a reserved range");
}

bool AddressSpace::commit(Reservation& r, uint32_t first, uint32_t count, int prot) {
    uint32_t needed = 0;
    for (uint32_t i = first; i < first + count; ++i) {
        if (r.pages[i].kind == PageKind::kReserved)
            ++needed;
    }
    std::vector<uint32_t> frames;
    if (!memory_.takeFrames(needed, frames))
        return fail(ce::ERROR_NOT_ENOUGH_MEMORY);
    size_t next = 0;
    for (uint32_t i = first; i < first + count; ++i) {
        Page& page = r.pages[i];
        if (page.kind != PageKind::kReserved)
            continue;
        page = Page{PageKind::kCommitted, prot, frames[next++], 0};
        std::memset(memory_.ram(page.pa, kPage), 0, kPage);  // fresh pages read as zero
        mapFrames(r.base + i * kPage, page.pa, kPage, prot);
    }
    return true;
}

void* AddressSpace::virtualAlloc(void* address, uint32_t size, uint32_t type, uint32_t protect) {
    uint32_t va = host::address(address);
    bool reserveFirst = (type & ce::MEM_RESERVE) || !address;
    if (size == 0 || !(type & (ce::MEM_RESERVE | ce::MEM_COMMIT))) {
        ce::SetLastError(ce::ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (reserveFirst) {
        // A wanted address is a hint here: the window decides where blocks go.
        Reservation* r = reserve(size);
        if (!r) {
            ce::SetLastError(ce::ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        if ((type & ce::MEM_COMMIT) &&
            !commit(*r, 0, uint32_t(r->pages.size()), hostProtection(protect))) {
            reservations_.erase(r->base);
            return nullptr;
        }
        return hostPointer(r->base);
    }
    uint32_t first = 0, count = 0;
    Reservation* r = rangeOwner(va, size, first, count);
    if (!r || !commit(*r, first, count, hostProtection(protect)))
        return nullptr;
    return hostPointer(r->base + first * kPage);
}

void AddressSpace::decommit(Reservation& r, uint32_t first, uint32_t count) {
    for (uint32_t i = first; i < first + count; ++i) {
        Page& page = r.pages[i];
        if (page.kind == PageKind::kReserved)
            continue;
        if (page.kind == PageKind::kCommitted)
            memory_.releaseFrame(page.pa);
        page = Page{};
    }
    restoreReserved(r.base + first * kPage, count * kPage);
}

bool AddressSpace::virtualFree(void* address, uint32_t size, uint32_t type) {
    uint32_t va = host::address(address);
    if (type == ce::MEM_RELEASE) {
        auto it = reservations_.find(va);
        if (it == reservations_.end() || size != 0)
            return fail(ce::ERROR_INVALID_PARAMETER);
        decommit(it->second, 0, uint32_t(it->second.pages.size()));
        reservations_.erase(it);
        return true;
    }
    if (type != ce::MEM_DECOMMIT)
        return fail(ce::ERROR_INVALID_PARAMETER);
    if (size == 0) {  // the whole reservation, given its base
        auto it = reservations_.find(va);
        if (it == reservations_.end())
            return fail(ce::ERROR_INVALID_PARAMETER);
        size = it->second.size;
    }
    uint32_t first = 0, count = 0;
    Reservation* r = rangeOwner(va, size, first, count);
    if (!r)
        return false;
    decommit(*r, first, count);
    return true;
}

bool AddressSpace::copyPhysical(Reservation& r, uint32_t first, uint32_t count, uint32_t pa,
                                int prot) {
    if ((pa & (kPage - 1)) || uint64_t(pa) + uint64_t(count) * kPage > 0x100000000ULL)
        return fail(ce::ERROR_INVALID_PARAMETER);
    // machine.conf "refuse_physical = ADDRESS" makes the page holding ADDRESS
    // unmappable, as when a driver keeps a device to itself.
    std::string refused = Machine::current().profile().value("refuse_physical");
    if (!refused.empty()) {
        uint32_t page = uint32_t(std::strtoul(refused.c_str(), nullptr, 0)) & ~(kPage - 1);
        if (page >= pa && uint64_t(page) < uint64_t(pa) + uint64_t(count) * kPage)
            return fail(ce::ERROR_ACCESS_DENIED);
    }
    uint32_t i = 0;
    while (i < count) {
        // One host mapping per run of RAM frames that are adjacent in the memfd.
        uint32_t runPa = pa + i * kPage;
        bool ram = memory_.isRam(runPa, kPage);
        uint32_t n = 1;
        while (i + n < count && memory_.isRam(runPa + n * kPage, kPage) == ram &&
               (!ram || memory_.fileOffset(runPa + n * kPage) ==
                            memory_.fileOffset(runPa) + uint64_t(n) * kPage))
            ++n;
        uint32_t va = r.base + (first + i) * kPage;
        if (ram) {
            mapFrames(va, runPa, n * kPage, prot);
        } else {
            mapDevice(va, n * kPage, prot);
        }
        for (uint32_t k = 0; k < n; ++k) {
            r.pages[first + i + k] =
                Page{ram ? PageKind::kCopied : PageKind::kDevice, prot, runPa + k * kPage, 0};
        }
        i += n;
    }
    return true;
}

bool AddressSpace::copyVirtual(Reservation& r, uint32_t first, uint32_t count, uint32_t source,
                               int prot) {
    std::vector<std::pair<uint32_t, bool>> frames;  // physical address, device
    for (uint32_t k = 0; k < count; ++k) {
        const Reservation* from = find(source + k * kPage);
        if (!from)
            return fail(ce::ERROR_INVALID_PARAMETER);
        const Page& page = from->pages[(source + k * kPage - from->base) / kPage];
        if (page.kind == PageKind::kReserved)
            return fail(ce::ERROR_INVALID_PARAMETER);
        frames.emplace_back(page.pa, page.kind == PageKind::kDevice);
    }
    for (uint32_t k = 0; k < count; ++k) {
        uint32_t va = r.base + (first + k) * kPage;
        if (frames[k].second) {
            mapDevice(va, kPage, prot);
        } else {
            mapFrames(va, frames[k].first, kPage, prot);
        }
        r.pages[first + k] = Page{frames[k].second ? PageKind::kDevice : PageKind::kCopied, prot,
                                  frames[k].first, 0};
    }
    return true;
}

bool AddressSpace::virtualCopy(void* dest, void* source, uint32_t size, uint32_t protect) {
    uint32_t va = address(dest);
    uint32_t first = 0, count = 0;
    if (va & (kPage - 1))
        return fail(ce::ERROR_INVALID_PARAMETER);
    Reservation* r = rangeOwner(va, size, first, count);
    if (!r)
        return false;
    for (uint32_t i = first; i < first + count; ++i) {
        if (r->pages[i].kind != PageKind::kReserved)
            return fail(ce::ERROR_INVALID_PARAMETER);
    }
    int prot = hostProtection(protect);
    uintptr_t from = reinterpret_cast<uintptr_t>(source);
    if (protect & ce::PAGE_PHYSICAL) {
        if (from > 0xFFFFFF)
            return fail(ce::ERROR_INVALID_PARAMETER);  // pa >> 8 fits 24 bits
        return copyPhysical(*r, first, count, uint32_t(from << 8), prot);
    }
    if ((from & (kPage - 1)) || from > 0xFFFFFFFF)
        return fail(ce::ERROR_INVALID_PARAMETER);
    return copyVirtual(*r, first, count, uint32_t(from), prot);
}

AddressSpace::Reservation* AddressSpace::backedRange(void* address, uint32_t size, uint32_t& first,
                                                     uint32_t& count) {
    Reservation* r = rangeOwner(host::address(address), size, first, count);
    if (!r)
        return nullptr;
    for (uint32_t i = first; i < first + count; ++i) {
        if (r->pages[i].kind == PageKind::kReserved) {
            fail(ce::ERROR_INVALID_PARAMETER);
            return nullptr;
        }
    }
    return r;
}

bool AddressSpace::lockPages(void* address, uint32_t size, uint32_t* frames, int options) {
    uint32_t first = 0, count = 0;
    Reservation* r = backedRange(address, size, first, count);
    if (!r)
        return false;
    for (uint32_t i = first; i < first + count; ++i) {
        ++r->pages[i].locks;
        if (frames)
            frames[i - first] = r->pages[i].pa;
    }
    return true;
}

bool AddressSpace::unlockPages(void* address, uint32_t size) {
    uint32_t first = 0, count = 0;
    Reservation* r = backedRange(address, size, first, count);
    if (!r)
        return false;
    for (uint32_t i = first; i < first + count; ++i) {
        if (r->pages[i].locks > 0)
            --r->pages[i].locks;
    }
    return true;
}

bool AddressSpace::translate(uint32_t va, uint32_t& pa) const {
    const Reservation* r = find(va);
    if (!r)
        return false;
    const Page& page = r->pages[(va - r->base) / kPage];
    if (page.kind == PageKind::kReserved)
        return false;
    pa = page.pa + (va & (kPage - 1));
    return true;
}

std::vector<AddressSpace::Mapping> AddressSpace::mappings() const {
    std::vector<Mapping> out;
    for (const auto& [base, r] : reservations_) {
        for (size_t i = 0; i < r.pages.size(); ++i) {
            const Page& page = r.pages[i];
            if (page.kind == PageKind::kReserved)
                continue;
            uint32_t va = base + uint32_t(i) * kPage;
            bool device = page.kind == PageKind::kDevice;
            bool writable = (page.prot & PROT_WRITE) != 0;
            if (!out.empty()) {
                Mapping& last = out.back();
                if (last.va + last.size == va && last.pa + last.size == page.pa &&
                    last.isDevice == device && last.writable == writable) {
                    last.size += kPage;
                    continue;
                }
            }
            out.push_back(Mapping{va, page.pa, kPage, device, writable});
        }
    }
    return out;
}

size_t AddressSpace::lockedPageCount() const {
    size_t n = 0;
    for (const auto& [base, r] : reservations_) {
        for (const Page& page : r.pages)
            n += page.locks > 0;
    }
    return n;
}

}  // namespace host
