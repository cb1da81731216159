// A UART that the ARM support writes to straight through its registers: the
// serial console and the "Hello World" diagnostic. The two families' UARTs
// differ in where their registers are and in how a byte is handed over.
#pragma once

#include <cstdint>

class Uart {
  public:
    enum class Model : uint8_t {
        Sa11x0Serial3,  // StrongARM serial port 3
        Pxa2x0Ffuart,   // XScale full-function UART
    };

    constexpr explicit Uart(Model model) : model_(model) {}

    // The register block's physical address.
    uint32_t base() const;
    // Waits until the transmitter takes a byte, then hands it `c`. `window`
    // is the register block as mapped here (kUartWindowSize bytes).
    void put(uint32_t window, uint8_t c) const;

  private:
    Model model_;
};
