#include "arch/arm/Uart.h"

#include "arch/arm/UartRegisters.h"
#include "platform/ce/CeRegisters.h"

namespace {

void putSa11x0(uint32_t window, uint8_t c) {
    // Idle with room in the FIFO: a byte written now is neither lost nor
    // sent ahead of one still going out.
    for (;;) {
        uint8_t status = ce::read8(window + sa11x0::kUTSR1);
        if (!(status & sa11x0::kUTSR1_TBY) && (status & sa11x0::kUTSR1_TNF))
            break;
    }
    ce::write8(window + sa11x0::kUTDR, c);
}

void waitForRoom(uint32_t window) {
    while (!(ce::read8(window + pxa2x0::kLSR) & pxa2x0::kLSR_TDRQ)) {
    }
}

void putPxa2x0(uint32_t window, uint8_t c) {
    waitForRoom(window);
    ce::write8(window + pxa2x0::kTHR, c);
    // The byte is on its way once the holding register is free again;
    // reading IIR then acknowledges the transmit interrupt it raises.
    waitForRoom(window);
    ce::read8(window + pxa2x0::kIIR);
}

}  // namespace

uint32_t Uart::base() const {
    return model_ == Model::Sa11x0Serial3 ? sa11x0::kSerial3Base : pxa2x0::kFfuartBase;
}

void Uart::put(uint32_t window, uint8_t c) const {
    if (model_ == Model::Sa11x0Serial3)
        putSa11x0(window, c);
    else
        putPxa2x0(window, c);
}
