// Starting the NC viewer: the shell's result tells whether the program started.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "test_support.h"

#ifndef _WIN32
#include <cstdlib>
#endif

namespace fs = std::filesystem;

TEST(ShellExecute, MissingProgramIsReportedAsNotFound) {
    TempDir dir;
    intptr_t result = shell_execute("open", dir.file("no-viewer.exe").c_str(), "C:\\nc\\out.nc");
    EXPECT_LE(result, 32);
    EXPECT_EQ(result, 2);
}

#ifndef _WIN32
namespace {

// Waits (without a deadline that could fail a slow machine for good) until the
// started program has left its mark; gives up after about twenty seconds.
std::string wait_for_file(const std::string &path) {
    for (int round = 0; round < 2000; ++round) {
        if (fs::exists(path + ".done")) return read_file_bytes(path);
        sleep_ms(10);
    }
    return "(not started)";
}

std::string make_script(const TempDir &dir, const std::string &name, const std::string &body) {
    std::string path = dir.file(name);
    write_file_bytes(path, body);
    fs::permissions(path, fs::perms::owner_all);
    return path;
}

// Restores PATH when it goes.
struct SavedPath {
    std::string value;
    int had;
    SavedPath() : had(std::getenv("PATH") != nullptr) {
        if (had) value = std::getenv("PATH");
    }
    ~SavedPath() {
        if (had) setenv("PATH", value.c_str(), 1);
        else unsetenv("PATH");
    }
};

}  // namespace

TEST(ShellExecute, OpenStartsAProgramWithOneArgumentAndDoesNotWait) {
    TempDir dir;
    std::string mark = dir.file("mark");
    std::string viewer = make_script(dir, "viewer",
                                     "#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > '" + mark + "'\ntouch '" + mark + ".done'\n");
    EXPECT_EQ(shell_execute("open", viewer.c_str(), "\"/my nc/out.nc\""), 33);
    EXPECT_EQ(wait_for_file(mark), "1|/my nc/out.nc");

    fs::remove(mark + ".done");
    EXPECT_EQ(shell_execute("open", viewer.c_str(), "/nc/out.nc"), 33);
    EXPECT_EQ(wait_for_file(mark), "1|/nc/out.nc");

    fs::remove(mark + ".done");
    EXPECT_EQ(shell_execute("open", viewer.c_str(), nullptr), 33);
    EXPECT_EQ(wait_for_file(mark), "0|");
}

TEST(ShellExecute, ProgramsThatCannotRunAreReported) {
    TempDir dir;
    // Executable bits on bytes that are no program: the exec itself fails.
    std::string garbage = make_script(dir, "garbage", std::string("\x7F" "ELF\x01\x02", 6));
    intptr_t result = shell_execute("open", garbage.c_str(), nullptr);
    EXPECT_GT(result, 0);
    EXPECT_LE(result, 32);

    std::string interpreterless = make_script(dir, "broken", "#!/no/such/interpreter\n");
    result = shell_execute("open", interpreterless.c_str(), nullptr);
    EXPECT_GT(result, 0);
    EXPECT_LE(result, 32);

    // Without a desktop opener, a document or a folder has no association.
    SavedPath saved;
    setenv("PATH", dir.path.c_str(), 1);
    std::string document = dir.file("out.nc");
    write_file_bytes(document, "M30\r\n");
    EXPECT_EQ(shell_execute("open", document.c_str(), nullptr), 31);
    EXPECT_EQ(shell_execute("explore", dir.path.c_str(), nullptr), 31);
    EXPECT_EQ(shell_execute("print", document.c_str(), nullptr), 31);
    EXPECT_EQ(shell_execute("explore", dir.file("missing").c_str(), nullptr), 2);
    EXPECT_EQ(shell_execute("open", "", nullptr), 2);
    EXPECT_EQ(shell_execute("open", nullptr, nullptr), 2);
}
#endif
