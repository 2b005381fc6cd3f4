// Output names, control-file paths, the overwrite question, the NC viewer and the
// clean-up of a job's control file.
#include "job/output_files.h"

#include <gtest/gtest.h>

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
        EXPECT_EQ("ファイル " + output + " を削除しました。", log.lines[2]);
        EXPECT_EQ(1u, log.boxes.size());
        EXPECT_EQ(0, file_exists(output.c_str()));
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
        EXPECT_EQ("エラー：プログラム設定ファイルがありません。", log.lines[0]);
        ASSERT_EQ(1u, log.boxes.size());
        EXPECT_EQ(BOX_ERROR, log.boxes[0].kind);
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
        EXPECT_EQ("エラー：ＮＣビューワー " + viewer + " がありません。", log.lines[0]);
        EXPECT_EQ(1u, log.boxes.size());
    }
    write_file_bytes(viewer, "not a program");
    {
        CapturedLog log;
        EXPECT_EQ(-1, open_in_viewer(nullptr, output.c_str()));
        ASSERT_EQ(1u, log.lines.size());
        EXPECT_EQ("エラー：ＮＣファイル " + output + " がありません。", log.lines[0]);
        EXPECT_EQ(1u, log.boxes.size());
    }
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
