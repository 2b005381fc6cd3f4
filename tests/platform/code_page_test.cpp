// The Windows build runs with code page 932 as its ANSI code page, as in the shop.
#include <gtest/gtest.h>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

TEST(CodePage, AnsiCodePageIs932) { EXPECT_EQ(GetACP(), 932u); }
#endif
