// A UART that the ARM support writes to straight through its registers: the
// serial console and the "Hello World" diagnostic. The two families' UARTs
// differ in where their registers are and in how a byte is handed over.
#pragma once

#include <cstddef>
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

    // Hands `put` the bytes of `text` up to its NUL (at most `limit`), a
    // carriage return before each line feed, as a terminal wants its lines.
    template <typename Put>
    static void writeText(const char* text, size_t limit, Put put) {
        for (size_t i = 0; i < limit && text[i] != 0; ++i) {
            uint8_t c = uint8_t(text[i]);
            if (c == kLineFeed)
                put(kCarriageReturn);
            put(c);
        }
    }

  private:
    static constexpr uint8_t kCarriageReturn = 0x0D;
    static constexpr uint8_t kLineFeed = 0x0A;

    Model model_;
};
