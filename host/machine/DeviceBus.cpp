#include "machine/DeviceBus.h"

#include "arch/arm/UartRegisters.h"
#include "machine/PhysicalMemory.h"

namespace host {
namespace {

constexpr uint32_t kDevicePage = 0x1000;
constexpr uint32_t kFrameBufferBytes = 0x50000;  // 512-byte palette + 640x480 bytes, rounded

// SA-11x0 serial port 3: always ready to send; what is written to UTDR goes
// out at once.
class Sa11x0Serial3 : public DeviceModel {
  public:
    explicit Sa11x0Serial3(DeviceBus& bus) : bus_(bus) {}
    uint32_t read(uint32_t offset, unsigned) override {
        if (offset == sa11x0::kUTSR1)
            return sa11x0::kUTSR1_TNF;
        return 0;
    }
    void write(uint32_t offset, unsigned, uint32_t value) override {
        if (offset == sa11x0::kUTDR)
            bus_.uartSend(uint8_t(value));
    }

  private:
    DeviceBus& bus_;
};

// SA-11x0 LCD controller: only the DMA base address register matters here.
class Sa11x0Lcd : public DeviceModel {
  public:
    explicit Sa11x0Lcd(uint32_t frameBuffer) : dbar1_(frameBuffer) {}
    uint32_t read(uint32_t offset, unsigned) override {
        return offset == sa11x0::kDBAR1 ? dbar1_ : 0;
    }
    void write(uint32_t offset, unsigned, uint32_t value) override {
        if (offset == sa11x0::kDBAR1)
            dbar1_ = value;
    }

  private:
    uint32_t dbar1_;
};

// PXA-2x0 full-function UART: the transmitter is always empty and asking
// for data; no interrupt is ever pending.
class Pxa2x0Ffuart : public DeviceModel {
  public:
    explicit Pxa2x0Ffuart(DeviceBus& bus) : bus_(bus) {}
    uint32_t read(uint32_t offset, unsigned) override {
        if (offset == pxa2x0::kLSR)
            return pxa2x0::kLSR_TDRQ | pxa2x0::kLSR_TEMT;
        if (offset == pxa2x0::kIIR)
            return pxa2x0::kIIR_NoInterrupt;
        return 0;
    }
    void write(uint32_t offset, unsigned, uint32_t value) override {
        if (offset == pxa2x0::kTHR)
            bus_.uartSend(uint8_t(value));
    }

  private:
    DeviceBus& bus_;
};

}  // namespace

DeviceBus::DeviceBus(Machine& machine) : machine_(machine) {
    if (machine.profile().isStrongArm()) {
        add(sa11x0::kSerial3Base, kDevicePage, std::make_unique<Sa11x0Serial3>(*this));
        frameBuffer_ =
            machine.component<PhysicalMemory>().allocateOsPrivate(kFrameBufferBytes, kDevicePage);
        add(sa11x0::kLcdBase, kDevicePage, std::make_unique<Sa11x0Lcd>(frameBuffer_));
    } else {
        add(pxa2x0::kFfuartBase, kDevicePage, std::make_unique<Pxa2x0Ffuart>(*this));
    }
}

DeviceBus::~DeviceBus() = default;

void DeviceBus::add(uint32_t base, uint32_t size, std::unique_ptr<DeviceModel> model) {
    windows_.push_back(Window{base, size, model.get()});
    models_.push_back(std::move(model));
}

const DeviceBus::Window* DeviceBus::find(uint32_t physical) const {
    for (const Window& w : windows_) {
        if (physical >= w.base && physical - w.base < w.size)
            return &w;
    }
    return nullptr;
}

bool DeviceBus::read(uint32_t physical, unsigned size, uint32_t& value) {
    const Window* w = find(physical);
    if (!w)
        return false;
    value = w->model->read(physical - w->base, size);
    return true;
}

bool DeviceBus::write(uint32_t physical, unsigned size, uint32_t value) {
    const Window* w = find(physical);
    if (!w)
        return false;
    w->model->write(physical - w->base, size, value);
    return true;
}

void DeviceBus::uartSend(uint8_t byte) {
    uartOutput_ += char(byte);
    machine_.show(Machine::Channel::Uart, std::string(1, char(byte)));
}

}  // namespace host
