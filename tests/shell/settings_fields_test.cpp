// The settings dialog's fields against Pivora.ini, and the strict colour parse.
#include "shell/settings_fields.h"

#include <gtest/gtest.h>

#include "settings/program_values.h"
#include "settings/settings_file.h"
#include "test_support.h"

namespace {

std::string setting(const char *section, const char *key) {
    char value[600] = {0};
    profile_read_string(section, key, "<absent>", value, sizeof value, SettingsPath.c_str());
    return value;
}

struct ColorsKept {
    int window[3];
    int text[3];
    ColorsKept() {
        for (int i = 0; i < 3; ++i) window[i] = WindowColor[i], text[i] = TextColor[i];
    }
    ~ColorsKept() {
        for (int i = 0; i < 3; ++i) WindowColor[i] = window[i], TextColor[i] = text[i];
    }
};

}  // namespace

TEST(SettingsFields, ParseRgbExactWantsTwoCommas) {
    CapturedLog log;
    int rgb[3] = {5, 5, 5};
    EXPECT_EQ(0, parse_rgb_exact("1,,3", rgb));
    EXPECT_EQ(1, rgb[0]);
    EXPECT_EQ(0, rgb[1]);
    EXPECT_EQ(3, rgb[2]);
    EXPECT_EQ(0, parse_rgb_exact("300,0,", rgb));
    EXPECT_EQ(300, rgb[0]);
    EXPECT_EQ(0, rgb[2]);
    EXPECT_TRUE(log.boxes.empty());

    int kept[3] = {7, 8, 9};
    for (const char *bad : {"10,20", "1,2,3,4", "", "red"}) {
        EXPECT_EQ(-1, parse_rgb_exact(bad, kept)) << bad;
        EXPECT_EQ(7, kept[0]);
        EXPECT_EQ(9, kept[2]);
    }
    ASSERT_EQ(4u, log.boxes.size());
    EXPECT_EQ("エラー：RGB文字列からRGB整数に変換失敗", log.boxes[0].text);
    EXPECT_EQ(nullptr, log.boxes[0].owner);
    EXPECT_EQ(4u, log.lines.size());

    // The colour chooser's start: an empty field is black, 300 keeps its low 8 bits.
    int start[3] = {1, 1, 1};
    EXPECT_EQ(0, color_field_value("", start));
    EXPECT_EQ(0, start[0]);
    EXPECT_EQ(0, color_field_value("300,0,0", start));
    std::string text;
    color_field_text(44ul | (128ul << 8) | (255ul << 16), text);
    EXPECT_EQ("44,128,255", text);
    EXPECT_EQ(-1, color_field_value("1,2", start));
}

TEST(SettingsFields, LoadShowsStoredValuesOrTheDialogsFallbacks) {
    TempDir dir;
    SettingsHome home(dir.path);
    CapturedLog log;
    write_file_bytes(SettingsPath, "[FILES]\r\nNCFILE=nc\r\n");
    SettingsFields fields;
    ASSERT_EQ(0, load_settings_fields(nullptr, fields, 0));
    EXPECT_EQ("既存", fields.decimal);
    EXPECT_EQ("有り", fields.comment);
    EXPECT_EQ("nc", fields.nc_extension);
    EXPECT_EQ("_new", fields.output_suffix);
    EXPECT_EQ("", fields.viewer);
    EXPECT_EQ("90", fields.angle);
    EXPECT_EQ("0", fields.centre_x);
    EXPECT_EQ("0,50,100", fields.window_color);
    EXPECT_EQ("255,255,0", fields.text_color);

    const char *path = SettingsPath.c_str();
    const char *decimal[][2] = {{"0", "無し"}, {"1", "有り"}, {"-1", "既存"}, {"2", "既存"}, {"3", ""}, {"abc", "無し"}};
    for (auto &row : decimal) {
        profile_write_string("FORMAT", "DECIMAL", row[0], path);
        load_settings_fields(nullptr, fields, 1);
        EXPECT_EQ(row[1], fields.decimal) << row[0];
    }
    profile_write_string("FORMAT", "COMMENT", "5", path);
    load_settings_fields(nullptr, fields, 1);
    EXPECT_EQ("", fields.comment);

    // Mode -1 only empties.
    ASSERT_EQ(0, load_settings_fields(nullptr, fields, -1));
    EXPECT_EQ("", fields.nc_extension);
    EXPECT_EQ("", fields.decimal);
    EXPECT_EQ("", fields.window_color);
    EXPECT_TRUE(log.boxes.empty());
}

TEST(SettingsFields, SaveWritesEveryKeyAsTyped) {
    TempDir dir;
    SettingsHome home(dir.path);
    CapturedLog log;
    ColorsKept colors;
    create_default_settings();

    SettingsFields fields;
    fields.decimal = "既存";
    fields.comment = "";
    fields.viewer = dir.path + std::string(600, 'v');
    fields.angle = "45";
    fields.window_color = "0,128,255";
    fields.text_color = "1,2,3";
    ASSERT_EQ(1, save_settings_fields(nullptr, fields));
    EXPECT_EQ("-1", setting("FORMAT", "DECIMAL"));
    EXPECT_EQ("1", setting("FORMAT", "COMMENT"));
    EXPECT_EQ("ppp", setting("FILES", "NCFILE"));
    EXPECT_EQ("_new", setting("FILES", "OUTPUTFILE"));
    EXPECT_EQ(519u, setting("QUILLO", "NCVIEWER").size());
    EXPECT_EQ("45", setting("Pivora", "ANGLE"));
    EXPECT_EQ("", setting("Pivora", "XCOORD"));
    EXPECT_EQ(0, WindowColor[0]);
    EXPECT_EQ(128, WindowColor[1]);
    EXPECT_EQ(255, WindowColor[2]);
    EXPECT_EQ(3, TextColor[2]);
    ASSERT_EQ(1u, log.boxes.size());
    EXPECT_EQ("設定値を保存しました", log.boxes[0].text);
    EXPECT_EQ(BOX_INFORMATION, log.boxes[0].kind);
    EXPECT_EQ("設定値を保存しました", log.lines.back());

    // Reopening shows what was saved.
    SettingsFields reopened;
    load_settings_fields(nullptr, reopened, 0);
    EXPECT_EQ("既存", reopened.decimal);
    EXPECT_EQ("有り", reopened.comment);

    fields.decimal = "何か";
    fields.comment = "無し";
    save_settings_fields(nullptr, fields);
    EXPECT_EQ("-1", setting("FORMAT", "DECIMAL"));
    EXPECT_EQ("0", setting("FORMAT", "COMMENT"));
    fields.decimal = "無し";
    fields.comment = "x";
    fields.nc_extension = "12345678901234567890";
    save_settings_fields(nullptr, fields);
    EXPECT_EQ("0", setting("FORMAT", "DECIMAL"));
    EXPECT_EQ("0", setting("FORMAT", "COMMENT"));
    EXPECT_EQ("123456789012345", setting("FILES", "NCFILE"));
}

TEST(SettingsFields, MalformedColourIsWrittenAndReReadWithStartupRules) {
    TempDir dir;
    SettingsHome home(dir.path);
    CapturedLog log;
    ColorsKept colors;
    create_default_settings();

    SettingsFields fields;
    fields.window_color = "10,20";
    fields.text_color = "4,5,6";
    ASSERT_EQ(1, save_settings_fields(nullptr, fields));
    EXPECT_EQ("10,20", setting("COLOR", "WINDOW"));
    // The strict parse fails, then start-up rules take 10 and 20 and warn with the count.
    EXPECT_EQ(10, WindowColor[0]);
    EXPECT_EQ(20, WindowColor[1]);
    EXPECT_EQ(215, WindowColor[2]);
    EXPECT_EQ(6, TextColor[2]);
    ASSERT_EQ(3u, log.boxes.size());
    EXPECT_EQ("エラー：RGB文字列からRGB整数に変換失敗", log.boxes[0].text);
    EXPECT_EQ("エラー[2]：ウインドウ色の取り出しに失敗しました。", log.boxes[1].text);
    EXPECT_EQ("設定値を保存しました", log.boxes[2].text);
}

TEST(SettingsFields, MissingSettingsFileIsReportedAndNotCreated) {
    TempDir dir;
    SettingsHome home(dir.path);
    CapturedLog log;
    SettingsFields fields;
    fields.angle = "45";
    EXPECT_EQ(-1, load_settings_fields(nullptr, fields, 0));
    EXPECT_EQ(-1, load_settings_fields(nullptr, fields, -1));
    EXPECT_EQ(-1, save_settings_fields(nullptr, fields));
    ASSERT_EQ(3u, log.boxes.size());
    for (const auto &box : log.boxes) EXPECT_EQ("エラー：初期設定ファイルがありません", box.text);
    EXPECT_FALSE(file_exists(SettingsPath.c_str()));
    EXPECT_EQ("45", fields.angle);
}
