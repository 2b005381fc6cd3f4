// Files, the executable's path, the tick counter and the local time.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#ifdef _WIN32
#include <direct.h>
#endif

#include "platform/platform.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

// A folder made through the C runtime with a code page 932 name, as the program names them.
int make_folder(const std::string &path) {
#ifdef _WIN32
    return _mkdir(path.c_str());
#else
    return mkdir(path.c_str(), 0755);
#endif
}

}  // namespace

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

TEST(Files, NamesEndingInByte5CAreFilesAndFoldersAsTheyAre) {
    // 表 and ソ end in the byte 0x5C, which is also the path separator.
    TempDir dir;
    const std::string file = dir.file("部品表");
    const std::string kana_file = dir.file("ソ");
    const std::string folder = dir.file("図表");
    write_file_bytes(file, "G90\r\nM30\r\n");
    write_file_bytes(kana_file, "G91\r\n");
    ASSERT_EQ(0, make_folder(folder));

    EXPECT_EQ(1, file_exists(file.c_str()));
    EXPECT_EQ(0, is_directory(file.c_str()));
    EXPECT_EQ(1, file_exists(kana_file.c_str()));
    EXPECT_EQ(0, is_directory(kana_file.c_str()));
    EXPECT_EQ(0, file_exists(folder.c_str()));
    EXPECT_EQ(1, is_directory(folder.c_str()));
    EXPECT_EQ(1, is_directory(dir.path.c_str()));
    EXPECT_EQ(0, is_directory(dir.file("missing").c_str()));

    TextReader reader;
    ASSERT_EQ(0, text_open_read(reader, file.c_str()));
    std::string line;
    EXPECT_EQ(1, text_read_line(reader, line));
    EXPECT_EQ("G90", line);
    text_close_read(reader);
    ASSERT_EQ(0, text_open_read(reader, kana_file.c_str()));
    text_close_read(reader);
    EXPECT_EQ(-1, text_open_read(reader, folder.c_str()));

    // A file inside the folder is found through the name that ends in 0x5C.
    const std::string inner = folder + "\\in.nc";
    const std::string inner_posix = folder + "/in.nc";
#ifdef _WIN32
    write_file_bytes(inner, "G90\r\n");
    EXPECT_EQ(1, file_exists(inner.c_str()));
#else
    write_file_bytes(inner_posix, "G90\r\n");
    EXPECT_EQ(1, file_exists(inner_posix.c_str()));
#endif
    EXPECT_EQ(1, file_writable(file.c_str()));
    EXPECT_EQ(0, file_writable(folder.c_str()));
}

TEST(Files, WritableReplaceAndTheSamePath) {
    TempDir dir;
    const std::string old_file = dir.file("out.nc");
    const std::string new_file = dir.file("out.nc.tmp");
    write_file_bytes(old_file, "old\r\n");
    write_file_bytes(new_file, "new\r\n");

    EXPECT_EQ(1, file_writable(old_file.c_str()));
    EXPECT_EQ(0, file_writable(dir.file("missing.nc").c_str()));
    EXPECT_EQ(0, file_writable(dir.path.c_str()));
    EXPECT_EQ("old\r\n", read_file_bytes(old_file));

#ifndef _WIN32
    // The replaced file keeps the permission bits of the one it replaces.
    ASSERT_EQ(0, chmod(old_file.c_str(), 0640));
#endif
    EXPECT_EQ(1, file_replace(new_file.c_str(), old_file.c_str()));
    EXPECT_EQ("new\r\n", read_file_bytes(old_file));
    EXPECT_EQ(0, file_exists(new_file.c_str()));
#ifndef _WIN32
    struct stat info;
    ASSERT_EQ(0, stat(old_file.c_str(), &info));
    EXPECT_EQ(0640u, info.st_mode & 07777u);
#endif
    // Nothing to move: the target stays as it is.
    EXPECT_EQ(0, file_replace(new_file.c_str(), old_file.c_str()));
    EXPECT_EQ("new\r\n", read_file_bytes(old_file));
    // A target not there yet is created.
    write_file_bytes(new_file, "first\r\n");
    EXPECT_EQ(1, file_replace(new_file.c_str(), dir.file("fresh.nc").c_str()));
    EXPECT_EQ("first\r\n", read_file_bytes(dir.file("fresh.nc")));
    // A target that is a folder is never replaced.
    fs::create_directory(dir.file("folder"));
    write_file_bytes(new_file, "x\r\n");
    EXPECT_EQ(0, file_replace(new_file.c_str(), dir.file("folder").c_str()));
    EXPECT_TRUE(fs::is_directory(dir.file("folder")));
    EXPECT_EQ("x\r\n", read_file_bytes(new_file));

    // Read-only: refused for writing (an account that writes them anyway skips).
    const std::string locked = dir.file("locked.nc");
    write_file_bytes(locked, "kept\r\n");
    fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    if (!std::ofstream(locked, std::ios::app)) {
        EXPECT_EQ(0, file_writable(locked.c_str()));
    }
    fs::permissions(locked, fs::perms::owner_all);

    // One file under several spellings, also before it exists.
    fs::create_directory(dir.file("sub"));
    const std::string separator(1, static_cast<char>(fs::path::preferred_separator));
    const std::string around = dir.path + "sub" + separator + ".." + separator;
    EXPECT_EQ(1, same_path(old_file.c_str(), (around + "out.nc").c_str()));
    EXPECT_EQ(1, same_path(dir.file("later.nc").c_str(), (around + "later.nc").c_str()));
    EXPECT_EQ(full_path(dir.file("later.nc").c_str()), full_path((around + "later.nc").c_str()));
    EXPECT_EQ(0, same_path(dir.file("later.nc").c_str(), dir.file("other.nc").c_str()));
    EXPECT_EQ(0, same_path(old_file.c_str(), dir.file("fresh.nc").c_str()));
    EXPECT_EQ(0, same_path("", ""));
#ifdef _WIN32
    EXPECT_EQ(1, same_path(dir.file("later.nc").c_str(), dir.file("LATER.NC").c_str()));
    EXPECT_EQ(1, same_path((dir.path + "sub/../later.nc").c_str(), dir.file("later.nc").c_str()));
#else
    EXPECT_EQ(0, same_path(dir.file("later.nc").c_str(), dir.file("LATER.NC").c_str()));
    std::error_code error;
    fs::create_symlink(old_file, dir.file("link.nc"), error);
    if (!error) {
        EXPECT_EQ(full_path(old_file.c_str()), full_path(dir.file("link.nc").c_str()));
        EXPECT_EQ(1, same_path(old_file.c_str(), dir.file("link.nc").c_str()));
    }
#endif
    EXPECT_NE(0ul, process_id());
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
