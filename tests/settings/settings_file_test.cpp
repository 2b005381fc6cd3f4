// Pivora.ini: the file as created, the readers and their defaults, the environment switch.
#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "settings/program_values.h"
#include "test_support.h"

namespace {

// The non-blank lines of an INI file, without their line ends.
std::vector<std::string> ini_lines(const std::string &bytes) {
    std::vector<std::string> lines;
    std::string line;
    for (char byte : bytes) {
        if (byte == '\n') {
            if (!line.empty()) lines.push_back(line);
            line.clear();
        } else if (byte != '\r') {
            line += byte;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

}  // namespace

TEST(CreateDefaultSettings, WritesEveryKeyInOrderInCodePage932) {
    TempDir dir;
    SettingsHome home(dir.path);
    EnvironmentValue root("SystemRoot", "C:\\WINDOWS");
    ASSERT_EQ(0, create_default_settings());

    const std::vector<std::string> expected = {
        "[FILES]", "NCFILE=ppp", "LOGFILE=log", "TXTFILE=txt", "OUTPUTFILE=_rot",
        "[DIALOG]", "CURRENTPATH=", "FILE1=", "FILE2=", "FILE3=",
        "[FORMAT]", "DECIMAL=-1", "COMMENT=1",
        "[COMMAND]", "DEBUG=0", "MODE=0", "DELETE=1", "PRINT=0", "OVERWRITE=1", "WINDOWLOG=0", "HISTORY=1",
        "[COLOR]", "WINDOW=210,210,210", "TEXT=0,0,0",
        "[QUILLO]", "NCVIEWER=", "EDITOR=C:\\WINDOWS\\notepad.exe",
        "[Pivora]", "HELPFILE=", "ANGLE=90", "XCOORD=0", "YCOORD=0", "NCDATAKEEP=1", "ROTTYPE=1",
        "[HISTORY]", "INPUTFILE=", "OUTPUTFILE=", "ROTANGLE=", "ROTXCOORD=", "ROTYCOORD=", "ROTCOUNT=",
        "NCDATAKEEP=", "ROTTYPE=",
        "[MESSAGE]", "TIME000=夜食の時間です。", "TIME010=深夜業務、お疲れ様です。", "TIME020=深夜業務、怪我に注意！",
        "TIME030=コヒーブレイク♪", "TIME040=深夜業務、ミスに注意！", "TIME050=コヒーブレイク♪",
        "TIME060=おはようございます", "TIME070=朝食です", "TIME080=朝礼の時間です",
        "TIME083=仕事開始、今日も一日頑張ろう！", "TIME100=コヒーブレイク♪", "TIME113=もうすぐお昼です。",
        "TIME120=ランチタイム♪", "TIME130=気を引き締めて午後の仕事開始！", "TIME140=睡魔に襲われる時間です。",
        "TIME150=コヒーブレイク♪", "TIME160=定時まであと少しガンバレ！", "TIME170=終業時間です",
        "TIME173=残業時間、怪我のないように気を付けよう！", "TIME190=ディナータイム♪",
        "TIME200=お腹空いてませんか？", "TIME210=一日お疲れ様でした", "TIME220=コヒーブレイク♪",
        "TIME230=明日に備えて寝よう！",
    };
    std::string bytes = read_file_bytes(SettingsPath);
    EXPECT_EQ(expected, ini_lines(bytes));

    // The message texts are stored as code page 932 bytes, whatever the source encoding.
    const std::string late_snack = "TIME000=\x96\xe9\x90\x48\x82\xcc\x8e\x9e\x8a\xd4\x82\xc5\x82\xb7\x81\x42";
    EXPECT_NE(std::string::npos, bytes.find(late_snack));
    const std::string coffee_break = "TIME030=\x83\x52\x83\x71\x81\x5b\x83\x75\x83\x8c\x83\x43\x83\x4e\x81\xf4";
    EXPECT_NE(std::string::npos, bytes.find(coffee_break));

    // No slot is written for 09:10 to 09:19, so its status text is a blank.
    std::string key;
    time_message_key(9, 15, key);
    char value[128];
    EXPECT_EQ(0u, profile_read_string("MESSAGE", key.c_str(), "", value, sizeof value, SettingsPath.c_str()));
}

TEST(CreateDefaultSettings, EditorWithoutSystemRootAndExistingFileLeftAlone) {
    TempDir dir;
    {
        SettingsHome home(dir.path);
        EnvironmentValue root("SystemRoot", nullptr);
        ASSERT_EQ(0, create_default_settings());
        char editor[520];
        profile_read_string("QUILLO", "EDITOR", "", editor, sizeof editor, SettingsPath.c_str());
        EXPECT_STREQ("\\notepad.exe", editor);
    }

    // A file that lacks whole sections is neither completed nor corrected.
    TempDir other;
    SettingsHome home(other.path);
    const std::string partial = "[FILES]\r\nNCFILE=nc\r\n[FORMAT]\r\nDECIMAL=abc\r\n";
    write_file_bytes(SettingsPath, partial);
    ASSERT_EQ(0, create_default_settings());
    EXPECT_EQ(partial, read_file_bytes(SettingsPath));

    // Without a COMMAND section the flags take their defaults; DECIMAL=abc reads as 0.
    CommandFlags flags = {7, 7, 7, 7, 7};
    EnvironmentValue unattended("TSYAIDE", nullptr);
    read_command_flags(flags);
    EXPECT_EQ(0, flags.debug);
    EXPECT_EQ(0, flags.mode);
    EXPECT_EQ(1, flags.delete_files);
    EXPECT_EQ(0, flags.print);
    EXPECT_EQ(1, flags.overwrite);
    OutputFormat format = {5, 5};
    read_output_format(format);
    EXPECT_EQ(0, format.decimal_mode);
    EXPECT_EQ(1, format.comment_mode);
}

TEST(ReadCommandFlags, FileValuesAndTheUnattendedSwitch) {
    TempDir dir;
    SettingsHome home(dir.path);
    CommandFlags flags = {};
    {
        // No settings file at all: the defaults.
        EnvironmentValue unattended("TSYAIDE", nullptr);
        read_command_flags(flags);
        EXPECT_EQ(0, flags.mode);
        EXPECT_EQ(1, flags.overwrite);
    }
    write_file_bytes(SettingsPath, "[command]\r\ndebug=3\r\nMODE=0\r\nDELETE=0\r\nPRINT=1\r\nOVERWRITE=1\r\n");
    {
        EnvironmentValue unattended("TSYAIDE", nullptr);
        read_command_flags(flags);
        EXPECT_EQ(3, flags.debug);
        EXPECT_EQ(0, flags.mode);
        EXPECT_EQ(0, flags.delete_files);
        EXPECT_EQ(1, flags.print);
        EXPECT_EQ(1, flags.overwrite);
    }
    {
        EnvironmentValue unattended("TSYAIDE", "1");
        read_command_flags(flags);
        EXPECT_EQ(1, flags.mode);
        EXPECT_EQ(0, flags.overwrite);
    }
    {
        EnvironmentValue unattended("TSYAIDE", "2");
        read_command_flags(flags);
        EXPECT_EQ(0, flags.mode);
        EXPECT_EQ(1, flags.overwrite);
    }
    // MODE 1 in the file alone also turns the overwrite question off; MODE 2 is
    // left as it is and TSYAIDE does not turn it into 1.
    write_file_bytes(SettingsPath, "[COMMAND]\r\nMODE=1\r\nOVERWRITE=1\r\n");
    {
        EnvironmentValue unattended("TSYAIDE", nullptr);
        read_command_flags(flags);
        EXPECT_EQ(1, flags.mode);
        EXPECT_EQ(0, flags.overwrite);
    }
    write_file_bytes(SettingsPath, "[COMMAND]\r\nMODE=2\r\nOVERWRITE=1\r\n");
    {
        EnvironmentValue unattended("TSYAIDE", "1");
        read_command_flags(flags);
        EXPECT_EQ(2, flags.mode);
        EXPECT_EQ(1, flags.overwrite);
    }
}

TEST(ReadOutputFormat, DefaultsAndValues) {
    TempDir dir;
    SettingsHome home(dir.path);
    OutputFormat format = {9, 9};
    read_output_format(format);
    EXPECT_EQ(-1, format.decimal_mode);
    EXPECT_EQ(1, format.comment_mode);

    write_file_bytes(SettingsPath, "[FORMAT]\r\nDECIMAL=1\r\nCOMMENT=0\r\n");
    read_output_format(format);
    EXPECT_EQ(1, format.decimal_mode);
    EXPECT_EQ(0, format.comment_mode);

    write_file_bytes(SettingsPath, "[FILES]\r\nNCFILE=ppp\r\n");
    read_output_format(format);
    EXPECT_EQ(-1, format.decimal_mode);
    EXPECT_EQ(1, format.comment_mode);
}

TEST(TimeMessages, KeyOfEachTenMinuteSlot) {
    const std::pair<std::pair<int, int>, const char *> cases[] = {
        {{13, 5}, "TIME130"}, {{8, 39}, "TIME083"}, {{0, 0}, "TIME000"},
        {{9, 15}, "TIME091"}, {{23, 59}, "TIME235"}, {{17, 30}, "TIME173"},
    };
    for (const auto &entry : cases) {
        std::string key;
        time_message_key(entry.first.first, entry.first.second, key);
        EXPECT_EQ(entry.second, key) << entry.first.first << ":" << entry.first.second;
    }
}

TEST(TimeMessages, TextOfTheCurrentSlotOrABlank) {
    TempDir dir;
    SettingsHome home(dir.path);
    std::string text;
    ASSERT_EQ(0, read_time_message(text));
    EXPECT_EQ(" ", text);

    // Every slot holds its own key as text, so the text names the slot read.
    for (int hour = 0; hour < 24; ++hour) {
        for (int tens = 0; tens < 6; ++tens) {
            std::string key;
            time_message_key(hour, tens * 10, key);
            profile_write_string("MESSAGE", key.c_str(), key.c_str(), SettingsPath.c_str());
        }
    }
    DateTimeFields before = {};
    read_local_time(before);
    ASSERT_EQ(0, read_time_message(text));
    DateTimeFields after = {};
    read_local_time(after);
    std::string first;
    std::string last;
    time_message_key(before.hour, before.minute, first);
    time_message_key(after.hour, after.minute, last);
    EXPECT_TRUE(text == first || text == last) << text;

    // A slot left empty reads as a blank, and a long text is cut to 127 bytes.
    write_file_bytes(SettingsPath, "[MESSAGE]\r\n" + first + "=\r\n" + (first == last ? "" : last + "=\r\n"));
    ASSERT_EQ(0, read_time_message(text));
    EXPECT_EQ(" ", text);
    const std::string long_text(300, 'x');
    write_file_bytes(SettingsPath, "[MESSAGE]\r\n" + first + "=" + long_text + "\r\n" + last + "=" + long_text + "\r\n");
    ASSERT_EQ(0, read_time_message(text));
    EXPECT_EQ(std::string(127, 'x'), text);
}

TEST(SettingsPaths, ModulePathAndPreparation) {
    TempDir dir;
    SettingsHome home(dir.path);
    std::string path;
    module_file_path(path, "Pivora.ini");
    EXPECT_EQ(SettingsPath, path);
    module_file_path(path, "Pivora.chm");
    EXPECT_EQ(dir.path + "Pivora.chm", path);

    // A directory given without its separator gets one; the file is created beside it.
    std::string bare = dir.path.substr(0, dir.path.size() - 1);
    ASSERT_EQ(0, prepare_settings_paths(bare.c_str()));
    EXPECT_EQ(dir.path, ExeDirectory);
    EXPECT_EQ(dir.path + "Pivora.ini", SettingsPath);
    ASSERT_EQ(1, file_exists(SettingsPath.c_str()));
    char angle[16];
    profile_read_string("Pivora", "ANGLE", "", angle, sizeof angle, SettingsPath.c_str());
    EXPECT_STREQ("90", angle);

    // A second start keeps what the user changed.
    profile_write_string("Pivora", "ANGLE", "45", SettingsPath.c_str());
    std::string before = read_file_bytes(SettingsPath);
    ASSERT_EQ(0, prepare_settings_paths(dir.path.c_str()));
    EXPECT_EQ(dir.path + "Pivora.ini", SettingsPath);
    EXPECT_EQ(before, read_file_bytes(SettingsPath));
}
