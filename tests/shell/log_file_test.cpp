// Saving the message log beside the executable.
#include "shell/log_file.h"

#include <gtest/gtest.h>

#include "settings/program_values.h"
#include "test_support.h"

TEST(LogFile, SavesEveryLineWithCrLf) {
    TempDir dir;
    SettingsHome home(dir.path);
    CapturedLog log;

    std::string whole(1023, 'a');
    whole[0] = '\x95';  // a double-byte character at the start: 表
    whole[1] = '\x5c';
    const std::vector<std::string> lines = {"first", "", whole, "last"};
    ASSERT_EQ(0, log_save_lines(nullptr, lines));
    EXPECT_EQ("first\r\n\r\n" + whole + "\r\nlast\r\n", read_file_bytes(dir.file("Pivora.log")));
    EXPECT_TRUE(log.boxes.empty());
    EXPECT_TRUE(log.lines.empty());

    // Saving again replaces the file.
    ASSERT_EQ(0, log_save_lines(nullptr, {"again"}));
    EXPECT_EQ("again\r\n", read_file_bytes(dir.file("Pivora.log")));

    // The extension comes from FILES / LOGFILE; empty gives log.
    profile_write_string("FILES", "LOGFILE", "txt", SettingsPath.c_str());
    ASSERT_EQ(0, log_save_lines(nullptr, {"as text"}));
    EXPECT_EQ("as text\r\n", read_file_bytes(dir.file("Pivora.txt")));
    profile_write_string("FILES", "LOGFILE", "", SettingsPath.c_str());
    std::string path;
    log_file_path(path);
    EXPECT_EQ(dir.file("Pivora.log"), path);
}

TEST(LogFile, FailuresShowABoxAndNoLogLine) {
    TempDir dir;
    SettingsHome home(dir.path);
    CapturedLog log;

    EXPECT_EQ(-1, log_save_lines(nullptr, {}));
    ASSERT_EQ(1u, log.boxes.size());
    EXPECT_EQ("エラー：保存するログがありません", log.boxes[0].text);
    EXPECT_EQ(BOX_ERROR, log.boxes[0].kind);
    EXPECT_FALSE(file_exists(dir.file("Pivora.log").c_str()));

    // A directory that does not exist stands for one that cannot be written.
    ExeDirectory = dir.file("missing") + dir.path.substr(dir.path.size() - 1);
    EXPECT_EQ(-1, log_save_lines(nullptr, {"line"}));
    ASSERT_EQ(2u, log.boxes.size());
    EXPECT_EQ("エラー：ログファイル " + ExeDirectory + "Pivora.log が開けません", log.boxes[1].text);
    EXPECT_TRUE(log.lines.empty());
    EXPECT_EQ('\0', MessageText[0]);
}
