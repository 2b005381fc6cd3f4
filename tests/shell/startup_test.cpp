// Start-up: colours from the settings file, the help forms of the command line,
// the help file, and the banner and version texts.
#include "shell/startup.h"

#include <gtest/gtest.h>

#include <cstring>

#include "settings/program_values.h"
#include "settings/settings_file.h"
#include "test_support.h"

TEST(Startup, ParseRgbTakesUpToThreePieces) {
    int rgb[3] = {135, 215, 215};
    EXPECT_EQ(3, parse_rgb("135,215,215", rgb));
    EXPECT_EQ(135, rgb[0]);

    int partial[3] = {135, 215, 215};
    EXPECT_EQ(2, parse_rgb("255,0", partial));
    EXPECT_EQ(255, partial[0]);
    EXPECT_EQ(0, partial[1]);
    EXPECT_EQ(215, partial[2]);

    int extra[3] = {0, 0, 0};
    EXPECT_EQ(3, parse_rgb("10,20,30,40", extra));
    EXPECT_EQ(30, extra[2]);

    // Adjacent commas make no piece; pieces without digits read 0.
    int skipped[3] = {9, 9, 9};
    EXPECT_EQ(3, parse_rgb(",,1,,2,x", skipped));
    EXPECT_EQ(1, skipped[0]);
    EXPECT_EQ(2, skipped[1]);
    EXPECT_EQ(0, skipped[2]);

    int none[3] = {7, 7, 7};
    EXPECT_EQ(0, parse_rgb("", none));
    EXPECT_EQ(7, none[0]);

    // 400 digits neither overflow nor stop the parse.
    int huge[3] = {0, 0, 0};
    EXPECT_EQ(3, parse_rgb((std::string(400, '9') + ",1,2").c_str(), huge));
    EXPECT_EQ(2, huge[2]);

    const int red300[3] = {300, 0, 0};
    EXPECT_EQ(44ul, color_value(red300));
    const int mixed[3] = {1, 2, 3};
    EXPECT_EQ(0x030201ul, color_value(mixed));
}

TEST(Startup, ReadColorsWarnsOnMalformedValues) {
    TempDir dir;
    SettingsHome home(dir.path);
    CapturedLog log;
    const char *path = SettingsPath.c_str();

    profile_write_string("COLOR", "WINDOW", "255,0", path);
    profile_write_string("COLOR", "TEXT", "10,20,30,40", path);
    read_colors();
    EXPECT_EQ(255, WindowColor[0]);
    EXPECT_EQ(0, WindowColor[1]);
    EXPECT_EQ(215, WindowColor[2]);
    EXPECT_EQ(10, TextColor[0]);
    EXPECT_EQ(30, TextColor[2]);
    ASSERT_EQ(1u, log.boxes.size());
    EXPECT_EQ("エラー[2]：ウインドウ色の取り出しに失敗しました。", log.boxes[0].text);
    EXPECT_EQ(BOX_WARNING, log.boxes[0].kind);
    EXPECT_EQ(nullptr, log.boxes[0].owner);
    EXPECT_TRUE(log.lines.empty());
    EXPECT_EQ('\0', MessageText[0]);

    // Empty values keep the defaults silently; garbage warns with its count.
    profile_write_string("COLOR", "WINDOW", "", path);
    profile_write_string("COLOR", "TEXT", "blue", path);
    read_colors();
    EXPECT_EQ(135, WindowColor[0]);
    EXPECT_EQ(215, WindowColor[2]);
    EXPECT_EQ(0, TextColor[0]);
    ASSERT_EQ(2u, log.boxes.size());
    EXPECT_EQ("エラー[1]：テキスト色の取り出しに失敗しました。", log.boxes[1].text);

    profile_write_string("COLOR", "TEXT", ",,,", path);
    read_colors();
    EXPECT_EQ("エラー[0]：テキスト色の取り出しに失敗しました。", log.boxes.back().text);
}

TEST(Startup, HelpFormsNeedExactlyOneArgument) {
    const char *usage[] = {"Pivora.exe", "/?"};
    EXPECT_EQ(HELP_USAGE, help_form(2, usage));
    const char *question[] = {"Pivora.exe", "?"};
    EXPECT_EQ(HELP_USAGE, help_form(2, question));
    for (const char *form : {"help", "HELP", "/Help", "/hElP"}) {
        const char *argv[] = {"Pivora.exe", form};
        EXPECT_EQ(HELP_FILE, help_form(2, argv)) << form;
    }
    for (const char *other : {"helpx", "/??", "", "C:\\nc\\part.ini", "-help"}) {
        const char *argv[] = {"Pivora.exe", other};
        EXPECT_EQ(HELP_NONE, help_form(2, argv)) << other;
    }
    const char *two[] = {"Pivora.exe", "help", "x"};
    EXPECT_EQ(HELP_NONE, help_form(3, two));
    const char *none[] = {"Pivora.exe"};
    EXPECT_EQ(HELP_NONE, help_form(1, none));
}

TEST(Startup, HelpFileNameFromSettings) {
    TempDir dir;
    SettingsHome home(dir.path);
    std::string saved = HelpFileName;
    read_help_file_name();
    EXPECT_EQ("Pivora.chm", HelpFileName);
    profile_write_string("Pivora", "HELPFILE", "", SettingsPath.c_str());
    read_help_file_name();
    EXPECT_EQ("Pivora.chm", HelpFileName);
    profile_write_string("Pivora", "HELPFILE", (std::string(40, 'm') + ".chm").c_str(), SettingsPath.c_str());
    read_help_file_name();
    EXPECT_EQ(std::string(31, 'm'), HelpFileName);
    HelpFileName = saved;
}

TEST(Startup, MissingHelpFileShowsAnErrorBox) {
    TempDir dir;
    SettingsHome home(dir.path);
    CapturedLog log;
    std::string saved = HelpFileName;
    HelpFileName = "Pivora.chm";
    EXPECT_EQ(0, open_help_file());
    HelpFileName = saved;
    ASSERT_EQ(1u, log.boxes.size());
    EXPECT_EQ("ヘルプファイルが見つかりません", log.boxes[0].text);
    EXPECT_EQ(BOX_ERROR, log.boxes[0].kind);
    EXPECT_TRUE(log.lines.empty());
}

TEST(Startup, BannerAndVersionTexts) {
    std::string saved_notice = NoticeLine;
    format_notice_line(NoticeLine);
    EXPECT_NE(std::string::npos, NoticeLine.find("2019"));

    DateTimeFields now = {2026, 12, 6, 4, 5, 7};
    std::vector<std::string> lines;
    banner_lines(now, "WS-01", "192.168.0.10", "taro", lines);
    ASSERT_EQ(9u, lines.size());
    // Widths count bytes of code page 932: the 30-byte title is padded by 20 blanks.
    EXPECT_EQ(std::string("ＮＣデータ編集アプリケーション") + std::string(20, ' ') + "Windows 7/10", lines[0]);
    EXPECT_EQ(62u, lines[0].size());
    EXPECT_EQ(std::string("　ＮＣデータ回転移動") + std::string(30, ' ') + "Version 2019R0.30", lines[1]);
    EXPECT_EQ("　　" + NoticeLine, lines[2]);
    EXPECT_EQ(std::string(69, '-'), lines[3]);
    EXPECT_EQ("只今日時：2026年 12月 6日 4時 5分", lines[4]);
    EXPECT_EQ("ホスト名：WS-01", lines[5]);
    EXPECT_EQ("アドレス：192.168.0.10", lines[6]);
    EXPECT_EQ("ユーザー：taro", lines[7]);
    EXPECT_EQ(lines[3], lines[8]);

    std::string title;
    format_window_title(title);
    EXPECT_EQ("TSYQUILLO Pivora　2019R0.30　ＮＣデータ回転移動 / Tessaly", title);

    std::string application, notice;
    version_box_texts("ＮＣデータを回転移動する", "Pivora", application, notice);
    EXPECT_EQ("ＮＣデータを回転移動する／Tessaly#Pivora Version 2019R0.30 [Build Date 2019/11/23]", application);
    EXPECT_NE(std::string::npos, notice.find("2019"));
    EXPECT_LE(notice.size(), 127u);

    std::vector<std::string> labels, values;
    support_rows(labels, values);
    ASSERT_EQ(6u, labels.size());
    ASSERT_EQ(6u, values.size());
    EXPECT_EQ("Tessaly", values[0]);
    EXPECT_EQ("Pivora 2019", values[1]);
    EXPECT_EQ("2019R0.30.3142", values[2]);
    EXPECT_EQ("2019/11/23", values[3]);
    EXPECT_EQ(NoticeLine, values[5]);
    NoticeLine = saved_notice;
}

TEST(Startup, PostBannerPostsNineLogLines) {
    CapturedLog log;
    EXPECT_EQ(0, post_banner(nullptr));
    ASSERT_EQ(9u, log.lines.size());
    EXPECT_LE(log.boxes.size(), 1u);  // at most the socket start-up box
    EXPECT_EQ(0u, log.lines[5].find("ホスト名："));
    EXPECT_EQ(0u, log.lines[6].find("アドレス："));
    EXPECT_EQ('\0', MessageText[0]);
}
