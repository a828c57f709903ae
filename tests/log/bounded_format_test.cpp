#include <gtest/gtest.h>

#include "log/bounded_format.h"

TEST(BoundedFormat, WritesAtMostOneLessThanTheBufferAndAlwaysEndsIt) {
    char buffer[8];
    EXPECT_TRUE(BoundedFormat(buffer, sizeof buffer, "%s", "1234567"));
    EXPECT_STREQ(buffer, "1234567");
    EXPECT_FALSE(BoundedFormat(buffer, sizeof buffer, "%s%d", "1234567", 8));
    EXPECT_STREQ(buffer, "1234567");
}

TEST(BoundedFormat, WideFormTakesWideStringsAndCuts) {
    wchar_t buffer[6];
    EXPECT_TRUE(BoundedFormatW(buffer, 6, L"@%s", L"C:\\P"));
    EXPECT_STREQ(buffer, L"@C:\\P");
    EXPECT_FALSE(BoundedFormatW(buffer, 6, L"%s,-115", L"C:\\"));
    EXPECT_STREQ(buffer, L"C:\\,-");
}

TEST(BoundedAppend, LeavesTheBufferAloneWhenTheResultWouldNotFit) {
    wchar_t buffer[8] = L"abc";
    EXPECT_TRUE(BoundedAppendW(buffer, 8, L"defg"));
    EXPECT_STREQ(buffer, L"abcdefg");
    EXPECT_FALSE(BoundedAppendW(buffer, 8, L"h"));
    EXPECT_STREQ(buffer, L"abcdefg");
}
