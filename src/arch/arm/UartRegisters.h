// The UARTs that the ARM support writes to directly, named once: offsets
// from the register block's base and the status bits polled. Used by the
// serial consoles, the diagnostics and the simulated handheld's models.
#pragma once

#include <cstdint>

// StrongARM SA-11x0 serial port 3 (32-bit registers).
namespace sa11x0 {
constexpr uint32_t kSerial3Base = 0x80050000;
constexpr uint32_t kUTDR = 0x14;       // data register: a write sends one byte
constexpr uint32_t kUTSR1 = 0x20;      // status register 1
constexpr uint32_t kUTSR1_TBY = 0x01;  // transmitter busy
constexpr uint32_t kUTSR1_RNE = 0x02;  // receive FIFO not empty
constexpr uint32_t kUTSR1_TNF = 0x04;  // transmit FIFO not full

// LCD controller: DMA base address register 1 holds the frame buffer's
// physical address.
constexpr uint32_t kLcdBase = 0xB0100000;
constexpr uint32_t kDBAR1 = 0x10;
}  // namespace sa11x0

// XScale PXA-2x0 full-function UART (8-bit accesses).
namespace pxa2x0 {
constexpr uint32_t kFfuartBase = 0x40100000;
constexpr uint32_t kTHR = 0x00;       // transmit holding register
constexpr uint32_t kIIR = 0x08;       // interrupt identification
constexpr uint32_t kLSR = 0x14;       // line status
constexpr uint32_t kLSR_TDRQ = 0x20;  // transmit data request: room for a byte
constexpr uint32_t kLSR_TEMT = 0x40;  // transmitter empty
constexpr uint32_t kIIR_NoInterrupt = 0x01;
}  // namespace pxa2x0

// Both register windows are mapped as this many bytes.
constexpr uint32_t kUartWindowSize = 256;
