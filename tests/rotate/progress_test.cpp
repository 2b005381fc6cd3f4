// A long job says in the log that it is still at work: one line for every
// million program lines a driver handles, counted across its passes.
#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "rotate/pass.h"
#include "test_support.h"

TEST(Progress, OneLineEveryMillionLinesAcrossPasses) {
    CapturedLog log;
    CancelRequested = 0;
    begin_progress();
    // A first pass of 600,000 lines, the turn between passes (no line), a second pass.
    for (long long line = 1; line <= 600000; ++line) ASSERT_EQ(0, check_interruption(nullptr, line));
    EXPECT_TRUE(log.lines.empty());
    ASSERT_EQ(0, check_interruption(nullptr, 0));
    for (long long line = 1; line <= 1500000; ++line) ASSERT_EQ(0, check_interruption(nullptr, line));
    ASSERT_EQ(2u, log.lines.size());
    EXPECT_EQ("処理中：1000000行", log.lines[0]);
    EXPECT_EQ("処理中：2000000行", log.lines[1]);
    // The next job counts from the start again.
    begin_progress();
    for (long long line = 1; line <= 999999; ++line) ASSERT_EQ(0, check_interruption(nullptr, line));
    EXPECT_EQ(2u, log.lines.size());
    CancelRequested = 1;
    EXPECT_EQ(-1, check_interruption(nullptr, 1));
    CancelRequested = 0;
}
