// Output names, control-file paths, the overwrite question, the temporary
// output, the NC viewer and the clean-up of a job's control file.
#include "job/output_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "settings/program_values.h"
#include "settings/settings_file.h"
#include "test_support.h"

TEST(OutputNames, SuffixAndControlFile) {
    std::string name;
    propose_output_name("C:\\nc\\part.nc", name, "_rot");
    EXPECT_EQ("C:\\nc\\part_rot.nc", name);
    propose_output_name("C:\\nc\\part.nc", name, "_r.txt");
    EXPECT_EQ("C:\\nc\\part_r.txt", name);
    propose_output_name("C:\\nc\\part", name, "_rot");
    EXPECT_EQ("C:\\nc\\part_rot", name);
    // A point in a directory name is not an extension.
    propose_output_name("C:\\v1.2\\part", name, "_new");
    EXPECT_EQ("C:\\v1.2\\part_new", name);
    // 0x5C as the second byte of a double-byte character is not a separator.
    propose_output_name("C:\\\x95\x5c\\\x95\x5c.nc", name, "_rot");
    EXPECT_EQ("C:\\\x95\x5c\\\x95\x5c_rot.nc", name);

    control_file_path("C:\\nc\\part.nc", name, "ini");
    EXPECT_EQ("C:\\nc\\part.ini", name);
    control_file_path("C:\\nc\\part.nc", name, ".ini");
    EXPECT_EQ("C:\\nc\\part.ini", name);
    control_file_path("C:\\nc\\part", name, "ini");
    EXPECT_EQ("C:\\nc\\part.ini", name);
    control_file_path("C:\\\x95\x5c\\part.nc", name, "ini");
    EXPECT_EQ("C:\\\x95\x5c\\part.ini", name);
}

TEST(ConfirmOverwrite, AsksOnlyWhenTheFileExistsAndOverwriteIsOn) {
    TempDir dir;
    SettingsHome home(dir.path);
    const std::string output = dir.file("out.nc");
    {
        CapturedLog log;
        ActiveCommandFlags.overwrite = 1;
        EXPECT_EQ(0, confirm_overwrite(nullptr, output.c_str()));
        EXPECT_TRUE(log.lines.empty());
        EXPECT_TRUE(log.boxes.empty());
    }
    write_file_bytes(output, "old\r\n");
    {
        // OVERWRITE 0 replaces silently: nothing asked, nothing logged, nothing deleted yet.
        CapturedLog log;
        ActiveCommandFlags.overwrite = 0;
        EXPECT_EQ(0, confirm_overwrite(nullptr, output.c_str()));
        EXPECT_TRUE(log.lines.empty());
        EXPECT_TRUE(log.boxes.empty());
        EXPECT_EQ("old\r\n", read_file_bytes(output));
    }
    int owner_marker = 0;
    WindowHandle owner = &owner_marker;
    ActiveCommandFlags.overwrite = 1;
    {
        CapturedLog log;
        log.answer = 0;
        EXPECT_EQ(-1, confirm_overwrite(owner, output.c_str()));
        const std::vector<std::string> lines = {"同じ名前のファイルが存在します。",
                                                "ファイル " + output + " 削除しますか？", "処理を中止します"};
        EXPECT_EQ(lines, log.lines);
        ASSERT_EQ(1u, log.boxes.size());
        EXPECT_EQ(BOX_QUESTION, log.boxes[0].kind);
        EXPECT_EQ(owner, log.boxes[0].owner);
        EXPECT_EQ("同じ名前のファイルが存在します。\n\nファイル " + output + " を\n\n削除しますか？", log.boxes[0].text);
        EXPECT_EQ("old\r\n", read_file_bytes(output));
        EXPECT_EQ('\0', MessageText[0]);
    }
    {
        CapturedLog log;
        log.answer = 1;
        EXPECT_EQ(0, confirm_overwrite(owner, output.c_str()));
        ASSERT_EQ(3u, log.lines.size());
        EXPECT_EQ("ファイル " + output + " は変換が終わってから置き換えます。", log.lines[2]);
        EXPECT_EQ(1u, log.boxes.size());
        // Yes deletes nothing: the finished output replaces the file at the end.
        EXPECT_EQ("old\r\n", read_file_bytes(output));
        EXPECT_EQ('\0', MessageText[0]);
    }
}

TEST(OpenInViewer, EachCheckInTurn) {
    TempDir dir;
    SettingsHome home(dir.path);
    const std::string output = dir.file("out.nc");
    {
        CapturedLog log;
        EXPECT_EQ(-1, open_in_viewer(nullptr, output.c_str()));
        ASSERT_EQ(1u, log.lines.size());
        EXPECT_EQ("警　告：プログラム設定ファイルがありません。ＮＣビューワーは起動しません。", log.lines[0]);
        ASSERT_EQ(1u, log.boxes.size());
        EXPECT_EQ(BOX_WARNING, log.boxes[0].kind);
    }
    ASSERT_EQ(0, create_default_settings());
    {
        // The created file names no viewer: nothing to start, and no error.
        CapturedLog log;
        EXPECT_EQ(0, open_in_viewer(nullptr, output.c_str()));
        EXPECT_TRUE(log.lines.empty());
        EXPECT_TRUE(log.boxes.empty());
    }
    const std::string viewer = dir.file("viewer.exe");
    profile_write_string("QUILLO", "NCVIEWER", viewer.c_str(), SettingsPath.c_str());
    {
        CapturedLog log;
        EXPECT_EQ(-1, open_in_viewer(nullptr, output.c_str()));
        ASSERT_EQ(1u, log.lines.size());
        EXPECT_EQ("警　告：ＮＣビューワー " + viewer + " がありません。", log.lines[0]);
        ASSERT_EQ(1u, log.boxes.size());
        EXPECT_EQ(BOX_WARNING, log.boxes[0].kind);
    }
    write_file_bytes(viewer, "not a program");
    {
        CapturedLog log;
        EXPECT_EQ(-1, open_in_viewer(nullptr, output.c_str()));
        ASSERT_EQ(1u, log.lines.size());
        EXPECT_EQ("警　告：ＮＣファイル " + output + " がありません。", log.lines[0]);
        EXPECT_EQ(1u, log.boxes.size());
    }
}

TEST(TemporaryOutput, NewNamesBesideTheOutputNeverAFileThatIsThere) {
    TempDir dir;
    const std::string output = dir.file("out.nc");
    write_file_bytes(output, "old\r\n");
    CapturedLog log;
    TemporaryOutput first;
    TemporaryOutput second;
    ASSERT_EQ(0, create_temporary_output(nullptr, output.c_str(), first));
    ASSERT_EQ(0, create_temporary_output(nullptr, output.c_str(), second));
    EXPECT_NE(first.path, second.path);
    // "<output>.<process>.<counter>.tmp", in the output's folder.
    const std::string head = full_path(output.c_str()) + "." + std::to_string(process_id()) + ".";
    EXPECT_EQ(head, first.path.substr(0, head.size()));
    EXPECT_EQ(".tmp", first.path.substr(first.path.size() - 4));

    // A file standing at the next name is stepped over and left as it is.
    size_t counter_at = head.size();
    unsigned long next = std::stoul(second.path.substr(counter_at)) + 1;
    const std::string taken = head + std::to_string(next) + ".tmp";
    write_file_bytes(taken, "someone else's\r\n");
    TemporaryOutput third;
    ASSERT_EQ(0, create_temporary_output(nullptr, output.c_str(), third));
    EXPECT_EQ(head + std::to_string(next + 1) + ".tmp", third.path);
    EXPECT_EQ("someone else's\r\n", read_file_bytes(taken));

    text_puts(first.writer, "G90\n");
    EXPECT_EQ(0, text_close_write(first.writer));
    EXPECT_EQ(0, commit_temporary_output(nullptr, output.c_str(), first));
    EXPECT_EQ("G90\r\n", read_file_bytes(output));
    EXPECT_TRUE(first.path.empty());
    discard_temporary_output(second);
    discard_temporary_output(third);
    EXPECT_TRUE(log.lines.empty());
    int files = 0;
    for (const auto &entry : std::filesystem::directory_iterator(dir.path)) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(2, files);  // the output and the file that was already there

    // A folder that does not exist: the output is named in the error.
    const std::string nowhere = dir.file("missing") + "/out.nc";
    TemporaryOutput none;
    EXPECT_EQ(-1, create_temporary_output(nullptr, nowhere.c_str(), none));
    EXPECT_TRUE(none.path.empty());
    ASSERT_EQ(1u, log.lines.size());
    EXPECT_EQ("エラー：出力ＮＣファイル " + nowhere + " 開けません", log.lines[0]);
}

TEST(OpenInViewer, PathWithABlankIsQuoted) {
    std::string parameter;
    viewer_parameter("C:\\my nc\\out.nc", parameter);
    EXPECT_EQ("\"C:\\my nc\\out.nc\"", parameter);
    viewer_parameter("C:\\nc\\out.nc", parameter);
    EXPECT_EQ("C:\\nc\\out.nc", parameter);
    viewer_parameter("C:\\nc\\out.nc ", parameter);
    EXPECT_EQ("\"C:\\nc\\out.nc \"", parameter);
}

TEST(JobFileDiscard, WindowLogKeepsTheControlFile) {
    TempDir dir;
    SettingsHome home(dir.path);
    const std::string control = dir.file("part.ini");

    // No settings file: WINDOWLOG reads as 0 and the file goes.
    write_file_bytes(control, "[Pivora]\r\n");
    EXPECT_EQ(0, job_file_discard(control.c_str()));
    EXPECT_EQ(0, file_exists(control.c_str()));
    EXPECT_EQ(0, job_file_discard(control.c_str()));

    write_file_bytes(SettingsPath, "[COMMAND]\r\nWINDOWLOG=1\r\n");
    write_file_bytes(control, "[Pivora]\r\n");
    EXPECT_EQ(0, job_file_discard(control.c_str()));
    EXPECT_EQ(1, file_exists(control.c_str()));

    write_file_bytes(SettingsPath, "[COMMAND]\r\nWINDOWLOG=-2\r\n");
    EXPECT_EQ(0, job_file_discard(control.c_str()));
    EXPECT_EQ(1, file_exists(control.c_str()));

    write_file_bytes(SettingsPath, "[COMMAND]\r\nWINDOWLOG=0\r\n");
    EXPECT_EQ(0, job_file_discard(control.c_str()));
    EXPECT_EQ(0, file_exists(control.c_str()));
}
