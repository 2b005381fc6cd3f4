// The angle and count helpers of the main window, its clock and the time message.
#include "shell/window_texts.h"

#include <gtest/gtest.h>

#include "settings/program_values.h"
#include "settings/settings_file.h"
#include "test_support.h"

TEST(AngleCount, FitButtons) {
    std::string count = "3";
    EXPECT_EQ(1, fit_count_to_angle_text("7", count));
    EXPECT_EQ("51", count);
    EXPECT_EQ(1, fit_count_to_angle_text("90", count));
    EXPECT_EQ("4", count);
    EXPECT_EQ(1, fit_count_to_angle_text("0.7", count));  // 514.286
    EXPECT_EQ("514", count);
    count = "3";
    EXPECT_EQ(0, fit_count_to_angle_text("", count));
    EXPECT_EQ(0, fit_count_to_angle_text("0", count));
    EXPECT_EQ(0, fit_count_to_angle_text("abc", count));
    EXPECT_EQ(0, fit_count_to_angle_text("nan", count));
    EXPECT_EQ("3", count);
    // A 16-byte read keeps 15 characters: the 16th digit does not count.
    EXPECT_EQ(1, fit_count_to_angle_text("0000000000000909", count));
    EXPECT_EQ("4", count);

    std::string angle = "45";
    EXPECT_EQ(1, fit_angle_to_count_text("7", angle));
    EXPECT_EQ("51.429", angle);
    EXPECT_EQ(1, fit_angle_to_count_text("4", angle));
    EXPECT_EQ("90.", angle);
    angle = "45";
    EXPECT_EQ(0, fit_angle_to_count_text("0", angle));
    EXPECT_EQ(0, fit_angle_to_count_text("", angle));
    EXPECT_EQ("45", angle);
}

TEST(AngleCount, CompleteOnlyAnEmptyPartner) {
    std::string angle = "45", count;
    EXPECT_EQ(1, complete_angle_or_count_text(COMPLETE_ANGLE, angle, count));
    EXPECT_EQ("8", count);

    angle = "7";
    count.clear();
    EXPECT_EQ(1, complete_angle_or_count_text(COMPLETE_ANGLE, angle, count));
    EXPECT_EQ("51", count);  // rounded to the nearest whole count

    angle.clear();
    count = "7";
    EXPECT_EQ(1, complete_angle_or_count_text(COMPLETE_COUNT, angle, count));
    EXPECT_EQ("51.", angle);  // the integer quotient, not 51.429

    angle.clear();
    count = "4";
    EXPECT_EQ(1, complete_angle_or_count_text(COMPLETE_COUNT, angle, count));
    EXPECT_EQ("90.", angle);

    // A filled partner stays; zero guards the division.
    angle = "45";
    count = "3";
    EXPECT_EQ(0, complete_angle_or_count_text(COMPLETE_ANGLE, angle, count));
    EXPECT_EQ("3", count);
    angle = "0";
    count.clear();
    EXPECT_EQ(0, complete_angle_or_count_text(COMPLETE_ANGLE, angle, count));
    EXPECT_EQ("", count);
    angle.clear();
    count = "0";
    EXPECT_EQ(0, complete_angle_or_count_text(COMPLETE_COUNT, angle, count));
    EXPECT_EQ("", angle);
    angle.clear();
    count.clear();
    EXPECT_EQ(0, complete_angle_or_count_text(COMPLETE_COUNT, angle, count));

    // Leaving the angle field while it is empty fills it from the count.
    angle.clear();
    count = "8";
    EXPECT_EQ(1, complete_angle_or_count_text(COMPLETE_ANGLE, angle, count));
    EXPECT_EQ("45.", angle);

    // Only the first 7 characters count: "12345678" is read as 1234567.
    angle = "0.00001X";
    count.clear();
    EXPECT_EQ(1, complete_angle_or_count_text(COMPLETE_ANGLE, angle, count));
    EXPECT_EQ("36000000", count);
    angle.clear();
    count = "3600000000";
    EXPECT_EQ(1, complete_angle_or_count_text(COMPLETE_COUNT, angle, count));  // 360 / 3600000
    EXPECT_EQ("0.", angle);
}

TEST(StatusBar, ClockText) {
    std::string text;
    clock_text(DateTimeFields{2026, 12, 6, 4, 52, 7}, text);
    EXPECT_EQ(" 2026年12月 6日 (日) 4時52分07秒", text);
    clock_text(DateTimeFields{2019, 11, 23, 23, 5, 0}, text);
    EXPECT_EQ(" 2019年11月23日 (土) 23時05分00秒", text);
    // Every weekday name in turn, across a year end and a leap day.
    const char *names[] = {"日", "月", "火", "水", "木", "金", "土"};
    EXPECT_EQ(3, weekday_of(2025, 12, 31));
    EXPECT_EQ(4, weekday_of(2026, 1, 1));
    EXPECT_EQ(4, weekday_of(2024, 2, 29));
    EXPECT_EQ(1, weekday_of(2000, 1, 3));
    for (int day = 0; day < 7; ++day) {
        clock_text(DateTimeFields{2026, 12, 6 + day, 9, 0, 0}, text);
        EXPECT_NE(std::string::npos, text.find(std::string("(") + names[day] + ")")) << day;
    }
}

TEST(StatusBar, TimeMessageOfTheTenMinuteSlot) {
    TempDir dir;
    SettingsHome home(dir.path);
    std::string text;
    time_message_text(DateTimeFields{2026, 1, 1, 9, 39, 59}, text);
    EXPECT_EQ(" ", text);  // no settings file

    const char *path = SettingsPath.c_str();
    profile_write_string("MESSAGE", "TIME093", "slot 093", path);
    profile_write_string("MESSAGE", "TIME094", "slot 094", path);
    profile_write_string("MESSAGE", "TIME235", std::string(200, 'x').c_str(), path);
    profile_write_string("MESSAGE", "TIME000", "", path);
    time_message_text(DateTimeFields{2026, 1, 1, 9, 39, 59}, text);
    EXPECT_EQ("slot 093", text);
    time_message_text(DateTimeFields{2026, 1, 1, 9, 40, 0}, text);
    EXPECT_EQ("slot 094", text);
    time_message_text(DateTimeFields{2026, 1, 1, 23, 55, 0}, text);
    EXPECT_EQ(std::string(127, 'x'), text);
    time_message_text(DateTimeFields{2026, 1, 1, 0, 5, 0}, text);
    EXPECT_EQ(" ", text);
    time_message_text(DateTimeFields{2026, 1, 1, 9, 15, 0}, text);
    EXPECT_EQ(" ", text);
}

TEST(DropRule, AnyFileIsTakenAFolderIsRefused) {
    TempDir dir;
    SettingsHome home(dir.path);
    CapturedLog log;
    std::string drawing = dir.file("drawing.dxf");
    write_file_bytes(drawing, "0\n");
    DialogFields fields;
    EXPECT_EQ(0, drop_input_file(nullptr, fields, drawing.c_str()));
    EXPECT_EQ(drawing, fields.input_path);
    EXPECT_EQ(dir.file("drawing_new.dxf"), fields.output_path);
    EXPECT_EQ("2", fields.copy_count);

    std::string folder = dir.path.substr(0, dir.path.size() - 1);
    EXPECT_EQ(-1, drop_input_file(nullptr, fields, folder.c_str()));
    EXPECT_EQ(drawing, fields.input_path);
    ASSERT_EQ(1u, log.boxes.size());
    EXPECT_EQ("エラー：" + folder + " はフォルダです。ＮＣファイルをドロップして下さい", log.boxes[0].text);
}
