// The handheld's memory-mapped devices: the UART the kernel and the serial
// consoles write to, and the SA-11x0 LCD controller's DMA base register.
// Emulated ARM code reaches them through the CPU's MMIO hooks, system code
// through the register accessors (ce::read8 ...): both land here, on the
// same models.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "machine/Machine.h"

namespace host {

class DeviceModel {
  public:
    virtual ~DeviceModel() = default;
    virtual uint32_t read(uint32_t offset, unsigned size) = 0;
    virtual void write(uint32_t offset, unsigned size, uint32_t value) = 0;
};

class DeviceBus : public MachineComponent {
  public:
    // A device's physical window (page-aligned, a multiple of 4 KiB).
    struct Window {
        uint32_t base;
        uint32_t size;
        DeviceModel* model;
    };

    explicit DeviceBus(Machine& machine);
    ~DeviceBus() override;

    const std::vector<Window>& windows() const { return windows_; }
    // True when `physical` belongs to a device; then the access is done.
    bool read(uint32_t physical, unsigned size, uint32_t& value);
    bool write(uint32_t physical, unsigned size, uint32_t value);

    // Every byte sent through the machine's UART so far (it also goes to
    // the machine's output as it comes).
    const std::string& uartOutput() const { return uartOutput_; }
    void uartSend(uint8_t byte);
    // The frame buffer's physical address as the LCD controller holds it
    // (SA-11x0 only; 0 elsewhere).
    uint32_t frameBuffer() const { return frameBuffer_; }

  private:
    const Window* find(uint32_t physical) const;
    void add(uint32_t base, uint32_t size, std::unique_ptr<DeviceModel> model);

    Machine& machine_;
    std::vector<Window> windows_;
    std::vector<std::unique_ptr<DeviceModel>> models_;
    std::string uartOutput_;
    uint32_t frameBuffer_ = 0;
};

}  // namespace host
