// The wide-to-narrow name conversion that the backends share.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "file/fat/FatFileManager.h"
#include "support/CaptureConsole.h"
#include "support/DeviceFolder.h"

namespace {

using testing_support::CaptureConsole;
using testing_support::DeviceFolder;

// FileManager's conversion, reached through the simplest backend.
class Converter : public FatFileManager {
  public:
    using FatFileManager::FatFileManager;
    using FileManager::toAscii;
};

struct Case {
    const char* what;
    std::u16string source;
    uint32_t capacity;
    bool converts;
    std::string expected;  // the converted name, or the message printed
};

const Case kCases[] = {
    {"an empty name converts to nothing, which is refused", u"", 8, false,
     "can't convert to ASCII.\n"},
    {"capacity - 1 characters fit with the terminator", u"kernel7", 8, true, "kernel7"},
    {"one more does not fit", u"kernel78", 8, false, "buffer insufficeint. 9 > 8\n"},
    {"no room even for the terminator", u"", 0, false, "buffer insufficeint. 1 > 0\n"},
    {"a path keeps its separators", u"boot/keldos.gz", 260, true, "boot/keldos.gz"},
    {"Latin-1 letters become one byte each in the code page", u"k\u00e9rnel", 7, true, "k\xe9rnel"},
};

TEST(ToAsciiTest, ConvertsWithinTheCapacityOrSaysWhy) {
    DeviceFolder device;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        CaptureConsole console;
        Console* slot = &console;
        Converter converter(slot);
        console.text.clear();
        char buffer[300];
        std::memset(buffer, 0x55, sizeof buffer);
        EXPECT_EQ(converter.toAscii(buffer, c.source.c_str(), c.capacity), c.converts);
        if (c.converts) {
            EXPECT_EQ(std::string(buffer), c.expected);
            EXPECT_EQ(console.utf8(), "");
        } else {
            EXPECT_EQ(console.utf8(), c.expected);
        }
        // Nothing is written at or beyond the capacity.
        for (size_t i = c.capacity; i < sizeof buffer; ++i)
            ASSERT_EQ(buffer[i], 0x55) << i;
    }
}

}  // namespace
