// Files, the executable's path, the tick counter and the local time.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "test_support.h"

namespace fs = std::filesystem;

TEST(Files, ExistsDeleteAndSameFile) {
    TempDir dir;
    std::string part = dir.file("part.nc");
    std::string twin = dir.file("twin.nc");
    write_file_bytes(part, "G90\r\n");
    write_file_bytes(twin, "G90\r\n");
    fs::create_directory(dir.file("sub"));

    EXPECT_EQ(file_exists(part.c_str()), 1);
    EXPECT_EQ(file_exists(dir.file("missing.nc").c_str()), 0);
    EXPECT_EQ(file_exists(dir.file("sub").c_str()), 0);
    EXPECT_EQ(file_exists(dir.path.c_str()), 0);

    // The same file under another spelling; a copy with the same text is another file.
    EXPECT_EQ(same_file(part.c_str(), part.c_str()), 1);
    EXPECT_EQ(same_file(part.c_str(), (dir.file("sub") + "/../part.nc").c_str()), 1);
    EXPECT_EQ(same_file(part.c_str(), twin.c_str()), 0);
    EXPECT_EQ(same_file(part.c_str(), dir.file("missing.nc").c_str()), 0);
    EXPECT_EQ(same_file(dir.file("missing.nc").c_str(), dir.file("missing.nc").c_str()), 0);
    std::error_code error;
    fs::create_hard_link(part, dir.file("link.nc"), error);
    if (!error) {
        EXPECT_EQ(same_file(part.c_str(), dir.file("link.nc").c_str()), 1);
    }

    EXPECT_EQ(file_delete(part.c_str()), 1);
    EXPECT_EQ(file_exists(part.c_str()), 0);
    EXPECT_EQ(file_delete(part.c_str()), 0);
    EXPECT_EQ(file_delete(dir.file("sub").c_str()), 0);
    EXPECT_TRUE(fs::is_directory(dir.file("sub")));
    EXPECT_EQ(file_exists(twin.c_str()), 1);
}

TEST(Files, ExecutablePathNamesTheRunningProgram) {
    std::string path = executable_path();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(file_exists(path.c_str()), 1);
    PathParts parts;
    split_path(path.c_str(), parts);
    EXPECT_EQ(parts.name, "pivora_tests");
    EXPECT_FALSE(parts.directory.empty());
}

TEST(Clock, TicksGoForwardAcrossASleep) {
    uint32_t before = tick_count_ms();
    sleep_ms(50);
    uint32_t elapsed = tick_count_ms() - before;
    EXPECT_GE(elapsed, 1u);
}

TEST(Clock, LocalTimeFieldsAreTheCalendarOfToday) {
    DateTimeFields now{};
    std::tm reference{};
    for (int attempt = 0; attempt < 3; ++attempt) {
        read_local_time(now);
        std::time_t seconds = std::time(nullptr);
        reference = *std::localtime(&seconds);
        if (reference.tm_min == now.minute) break;
    }
    EXPECT_EQ(now.year, reference.tm_year + 1900);
    EXPECT_EQ(now.month, reference.tm_mon + 1);
    EXPECT_EQ(now.day, reference.tm_mday);
    EXPECT_EQ(now.hour, reference.tm_hour);
    EXPECT_EQ(now.minute, reference.tm_min);
    EXPECT_GE(now.second, 0);
    EXPECT_LE(now.second, 59);
}
