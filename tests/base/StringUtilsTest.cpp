#include "base/StringUtils.h"

#include <gtest/gtest.h>

namespace util {
namespace {

TEST(StringUtilsTest, WideningTakesEachByteAsACharacter) {
    EXPECT_EQ(StringUtils::toOSWideFromOSNarrow("\xC3\xA9"), std::wstring(L"\x00C3\x00A9"));
}

TEST(StringUtilsTest, Utf16ToUtf8EncodesAndSkipsBrokenSurrogates) {
    EXPECT_EQ(StringUtils::toUTF8FromUTF16(L"\x00E9"), "\xC3\xA9");
    EXPECT_EQ(StringUtils::toUTF8FromUTF16(L"\x20AC"), "\xE2\x82\xAC");
    std::wstring const pair{static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)};
    EXPECT_EQ(StringUtils::toUTF8FromUTF16(pair), "\xF0\x9F\x98\x80");
    EXPECT_EQ(StringUtils::toUTF8FromUTF16(std::wstring(1, static_cast<wchar_t>(0xDC00))), "");
    std::wstring const trailingHigh{L'a', static_cast<wchar_t>(0xD83D)};
    EXPECT_EQ(StringUtils::toUTF8FromUTF16(trailingHigh), "a");
    // A character beyond 16 bits is cut to its low 16 bits first.
    EXPECT_EQ(StringUtils::toUTF8FromUTF16(std::wstring(1, static_cast<wchar_t>(0x10041))), "A");
    EXPECT_EQ(StringUtils::toOSNarrowFromUTF16(L"abc"), "abc");
}

TEST(StringUtilsTest, CopyToCStrTruncatesAndReportsTheNeededSize) {
    char buffer[8] = {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x'};
    unsigned long length = 2;
    StringUtils::copyToCStr(std::string("abc"), buffer, length);
    EXPECT_STREQ(buffer, "a");
    EXPECT_EQ(buffer[2], 'x');  // nothing written past the given length
    EXPECT_EQ(length, 4u);
    length = 8;
    StringUtils::copyToCStr(std::string("abc"), buffer, length);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(buffer[7], 0);  // zero-filled to the given length
    wchar_t wide[4];
    length = 3;
    StringUtils::copyToCStr(std::wstring(L"wxyz"), wide, length);
    EXPECT_EQ(std::wstring(wide), L"wx");
    EXPECT_EQ(length, 5u);
}

}  // namespace
}  // namespace util
