// wsprintfW and its bounded form: the conversions the system's messages use,
// and that no output ever lands past the buffer.
#include <gtest/gtest.h>

#include <string>

#include "machine/Machine.h"
#include "platform/ce/CeFile.h"
#include "platform/ce/CeText.h"
#include "support/DeviceFolder.h"

namespace {

using testing_support::DeviceFolder;

std::string formatted(const char16_t* format, ...) {
    char16_t buffer[ce::WSPRINTF_LIMIT];
    va_list args;
    va_start(args, format);
    ce::wvsprintfW(buffer, format, args);
    va_end(args);
    return host::toUtf8(buffer);
}

TEST(Format, Conversions) {
    DeviceFolder device;
    // Each row: one conversion of the system's messages.
    EXPECT_EQ(formatted(u"open file \"%s\"", u"\\Storage Card\\k"),
              "open file \"\\Storage Card\\k\"");
    EXPECT_EQ(formatted(u"[progress] %S\n", "10"), "[progress] 10\n");
    EXPECT_EQ(formatted(u"%c%C", u'a', 'b'), "ab");
    EXPECT_EQ(formatted(u"%d %d %d", 0, -42, 2147483647), "0 -42 2147483647");
    EXPECT_EQ(formatted(u"%d", int32_t(0x80000000)), "-2147483648");
    EXPECT_EQ(formatted(u"%x", 0xC0234567u), "c0234567");
    EXPECT_EQ(formatted(u"%08x", 0x1000u), "00001000");
    EXPECT_EQ(formatted(u"flag=0x%02x", 0x5u), "flag=0x05");
    EXPECT_EQ(formatted(u"%#x", 0x1fu), "0x1f");
    EXPECT_EQ(formatted(u"100%%"), "100%");
    EXPECT_EQ(formatted(u"%5d|%-5d|", 42, 42), "   42|42   |");
    EXPECT_EQ(formatted(u"%s", static_cast<const char16_t*>(nullptr)), "(null)");
}

TEST(Format, NarrowStringsTakeTheMachineCodePage) {
    DeviceFolder western("jornada720");
    EXPECT_EQ(formatted(u"%S", "caf\xE9"), "caf\u00e9");
    DeviceFolder japanese("wzero3");
    // "メモリ" in Shift-JIS.
    EXPECT_EQ(formatted(u"%S", "\x83\x81\x83\x82\x83\x8A"), "\u30e1\u30e2\u30ea");
}

TEST(Format, BoundedFormCutsAndTerminates) {
    DeviceFolder device;
    char16_t buffer[16];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    EXPECT_EQ(ce::_snwprintf(buffer, 8, u"%s-%d", u"abcdef", 12345), -1);
    EXPECT_EQ(host::toUtf8(buffer), "abcdef-");
    EXPECT_EQ(buffer[8], u'#');  // nothing past the count
    EXPECT_EQ(ce::_snwprintf(buffer, 8, u"%d", 7), 1);
    EXPECT_EQ(ce::_snwprintf(buffer, 0, u"%d", 7), -1);
}

TEST(Format, UnboundedFormStopsAtItsLimit) {
    DeviceFolder device;
    std::u16string huge(3000, u'x');
    std::u16string buffer(ce::WSPRINTF_LIMIT + 8, u'#');
    int n = ce::wsprintfW(buffer.data(), u"%s%s", huge.c_str(), huge.c_str());
    EXPECT_EQ(n, int(ce::WSPRINTF_LIMIT - 1));
    EXPECT_EQ(buffer[ce::WSPRINTF_LIMIT - 1], 0);
    EXPECT_EQ(buffer[ce::WSPRINTF_LIMIT], u'#');
}

TEST(WideCharToMultiByte, LengthQueryAndConversion) {
    DeviceFolder device("jornada720");
    const char16_t* name = u"caf\u00e9.gz";
    int n = ce::WideCharToMultiByte(ce::CP_ACP, 0, name, 7, nullptr, 0, nullptr, nullptr);
    ASSERT_EQ(n, 7);
    char out[8] = {};
    EXPECT_EQ(ce::WideCharToMultiByte(ce::CP_ACP, 0, name, 7, out, n, nullptr, nullptr), 7);
    EXPECT_EQ(std::string(out, 7), "caf\xE9.gz");
    // A character the code page lacks becomes the default character.
    ce::BOOL used = 0;
    EXPECT_EQ(ce::WideCharToMultiByte(ce::CP_ACP, 0, u"\u30ab", 1, out, 8, nullptr, &used), 1);
    EXPECT_EQ(out[0], '?');
    EXPECT_TRUE(used);
    // Nothing to convert, or no room: failure (0).
    EXPECT_EQ(ce::WideCharToMultiByte(ce::CP_ACP, 0, u"", 0, out, 8, nullptr, nullptr), 0);
    EXPECT_EQ(ce::WideCharToMultiByte(ce::CP_ACP, 0, name, 7, out, 3, nullptr, nullptr), 0);
    EXPECT_EQ(ce::GetLastError(), ce::ERROR_INSUFFICIENT_BUFFER);
}

TEST(WideCharToMultiByte, JapaneseCodePage) {
    DeviceFolder device("wzero3");
    const char16_t* card = u"\\microSD\u30ab\u30fc\u30c9\\";
    int n = ce::WideCharToMultiByte(ce::CP_ACP, 0, card, -1, nullptr, 0, nullptr, nullptr);
    EXPECT_EQ(n, 1 + 7 + 6 + 1 + 1);  // three double-byte characters and the terminator
}

}  // namespace
