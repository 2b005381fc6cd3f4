// The conversion job end to end: control-file checks and their messages, the
// summary, the driver that each parameter set selects, completion and elapsed
// time, the overwrite question, the temporary output that replaces the old one
// only when whole, interruption, and the refusals that protect the user's files.
#include "job/conversion_job.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <csignal>
#endif

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "settings/program_values.h"
#include "settings/settings_file.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

// One machining: a rapid approach, a plunge, a cut along X and a rapid retract.
const char *const SampleProgram =
    "%\n"
    "O1234\n"
    "G90 G92 X0 Y0 Z100.\n"
    "G00 X10. Y0\n"
    "G00 Z5.\n"
    "G01 Z-1. F100\n"
    "G01 X20.\n"
    "G00 Z100.\n"
    "M30\n"
    "%\n";

using Keys = std::vector<std::pair<std::string, std::string>>;

class RunJob : public ::testing::Test {
  protected:
    TempDir dir;
    SettingsHome home{dir.path};
    std::string input = dir.file("part.nc");
    std::string output = dir.file("part_rot.nc");
    std::string control = dir.file("part.ini");
    std::string program;

    void SetUp() override {
        ASSERT_EQ(0, create_default_settings());
        program = SampleProgram;
        write_file_bytes(input, program);
        ActiveCommandFlags = {0, 1, 1, 0, 0};
        SkipWaits = 1;
    }
    void TearDown() override { SkipWaits = 0; }

    // A whole-program job at 90 degrees about the origin, every key present.
    Keys standard_keys() const {
        return {{"NCFILE1", input}, {"NCFILE2", output}, {"ROTANGLE", "90"}, {"ROTXCOORD", "0"},
                {"ROTYCOORD", "0"}, {"ROTCOUNT", "2"},   {"NCDATAKEEP", "0"}, {"ROTTYPE", "1"}};
    }
    static void set_key(Keys &keys, const std::string &key, const std::string &value) {
        for (auto &entry : keys) {
            if (entry.first == key) {
                entry.second = value;
                return;
            }
        }
        keys.push_back({key, value});
    }
    static void drop_key(Keys &keys, const std::string &key) {
        keys.erase(std::remove_if(keys.begin(), keys.end(), [&](const auto &entry) { return entry.first == key; }),
                   keys.end());
    }
    void write_control(const Keys &keys) const {
        std::string text = "[Pivora]\r\n";
        for (const auto &entry : keys) text += entry.first + "=" + entry.second + "\r\n";
        write_file_bytes(control, text);
    }
    int run(const Keys &keys) {
        write_control(keys);
        return run_job(nullptr, control.c_str());
    }
    // The names of the files in the job's folder, sorted (the settings file aside).
    std::vector<std::string> files_left() const {
        std::vector<std::string> names;
        for (const auto &entry : fs::directory_iterator(dir.path)) {
            std::string name = entry.path().filename().string();
            if (name != "Pivora.ini") names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

// The line the job posts after a tool-path check that found no difference.
bool is_check_line(const std::string &line) {
    const std::string head = "工具経路チェック：";
    const std::string tail = " 動作を確認しました";
    return line.size() > head.size() + tail.size() && line.compare(0, head.size(), head) == 0 &&
           line.compare(line.size() - tail.size(), tail.size(), tail) == 0;
}

size_t index_of(const std::vector<std::string> &lines, const std::string &line) {
    auto found = std::find(lines.begin(), lines.end(), line);
    return found == lines.end() ? std::string::npos : static_cast<size_t>(found - lines.begin());
}

int count_starting_with(const std::vector<std::string> &lines, const std::string &prefix) {
    return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const std::string &line) {
        return line.compare(0, prefix.size(), prefix) == 0;
    }));
}

// The seconds text of "処理時間は %s 秒です"; empty when the line has another shape
// or the milliseconds are not three digits.
std::string elapsed_of(const std::string &line) {
    const std::string head = "処理時間は ";
    const std::string tail = " 秒です";
    if (line.size() < head.size() + tail.size() || line.compare(0, head.size(), head) != 0 ||
        line.compare(line.size() - tail.size(), tail.size(), tail) != 0) {
        return "";
    }
    std::string number = line.substr(head.size(), line.size() - head.size() - tail.size());
    size_t point = number.find('.');
    if (point == std::string::npos || point == 0 || number.size() - point - 1 != 3) return "";
    for (size_t at = 0; at < number.size(); ++at) {
        if (at != point && (number[at] < '0' || number[at] > '9')) return "";
    }
    return number;
}

}  // namespace

TEST_F(RunJob, EveryMissingOrBadValueFailsWithItsMessage) {
    struct Case {
        std::string what;
        Keys keys;
        std::string message;
    };
    const std::string missing_input = dir.file("missing.nc");
    const std::string long_path = dir.path + std::string(600, 'a') + ".nc";
    std::vector<Case> cases;
    auto add = [&](const std::string &what, const std::string &key, const char *value, const std::string &message) {
        Keys keys = standard_keys();
        if (value) {
            set_key(keys, key, value);
        } else {
            drop_key(keys, key);
        }
        cases.push_back({what, keys, message});
    };
    add("no NCFILE1", "NCFILE1", nullptr, "エラー：ＮＣファイル名を読み込めません。");
    add("blank NCFILE1", "NCFILE1", "   ", "エラー：ＮＣファイル名を読み込めません。");
    add("input missing", "NCFILE1", missing_input.c_str(), "エラー：ＮＣファイル " + missing_input + " が存在しません。");
    add("input is a folder", "NCFILE1", dir.path.c_str(), "エラー：ＮＣファイル " + dir.path + " が存在しません。");
    add("input path too long", "NCFILE1", long_path.c_str(), "エラー：ＮＣファイル名（NCFILE1）が長すぎます（511バイトまで）。");
    add("no NCFILE2", "NCFILE2", nullptr, "エラー：出力ＮＣファイル名を指定して下さい。");
    add("output path too long", "NCFILE2", long_path.c_str(),
        "エラー：出力ＮＣファイル名（NCFILE2）が長すぎます（511バイトまで）。");
    add("no ROTANGLE", "ROTANGLE", nullptr, "エラー：回転角度を指定して下さい。");
    add("empty ROTANGLE", "ROTANGLE", "", "エラー：回転角度を指定して下さい。");
    add("no ROTCOUNT", "ROTCOUNT", nullptr, "エラー：回転回数を指定して下さい。");

    // Texts that are not a number in full, for each decimal value.
    const char *not_numbers[] = {"abc", "22,5", "１２３", "nan", "inf", "-inf", "1e999", "1e308", "1E+3",
                                 "90abc", "9 0", "0x10", "+", "-", ".", "--1", "1.2.3", "9０"};
    const std::pair<const char *, const char *> decimal_keys[] = {
        {"ROTANGLE", "回転角度"}, {"ROTXCOORD", "回転中心Ｘ座標"}, {"ROTYCOORD", "回転中心Ｙ座標"}};
    for (const auto &key : decimal_keys) {
        for (const char *text : not_numbers) {
            add(std::string(key.first) + "=" + text, key.first, text,
                std::string("エラー：") + key.second + "（" + key.first + "）の値 " + text + " は数値ではありません。");
        }
        // Sixteen characters are refused, not cut to fifteen and read as 9.
        add(std::string(key.first) + " sixteen characters", key.first, "0000000000000090",
            std::string("エラー：") + key.second + "（" + key.first + "）の値が長すぎます（15文字まで）：0000000000000090…");
        add(std::string(key.first) + " very long", key.first, (std::string(13, '0') + "45" + std::string(985, '9')).c_str(),
            std::string("エラー：") + key.second + "（" + key.first + "）の値が長すぎます（15文字まで）：0000000000000459…");
    }
    // The centre must be within reach of the machine.
    for (const char *text : {"100000", "-100000", "99999.9991", "-123456789.5"}) {
        add(std::string("ROTXCOORD=") + text, "ROTXCOORD", text,
            std::string("エラー：回転中心Ｘ座標（ROTXCOORD）の値 ") + text + " は範囲外です（-99999.999 から 99999.999 まで）。");
        add(std::string("ROTYCOORD=") + text, "ROTYCOORD", text,
            std::string("エラー：回転中心Ｙ座標（ROTYCOORD）の値 ") + text + " は範囲外です（-99999.999 から 99999.999 まで）。");
    }
    // Whole numbers: the count with the source dropped, the flags.
    for (const char *text : {"abc", "3.9", "2x", "１", "nan", "1e3", "0x10"}) {
        add(std::string("ROTCOUNT=") + text, "ROTCOUNT", text,
            std::string("エラー：回転コピー回数（ROTCOUNT）の値 ") + text + " は整数ではありません。");
    }
    add("ROTCOUNT sixteen characters", "ROTCOUNT", "0000000000000002",
        "エラー：回転コピー回数（ROTCOUNT）の値が長すぎます（15文字まで）：0000000000000002…");
    add("NCDATAKEEP=zz", "NCDATAKEEP", "zz", "エラー：元ＮＣデータ（NCDATAKEEP）の値 zz は整数ではありません。");
    add("NCDATAKEEP=1.", "NCDATAKEEP", "1.", "エラー：元ＮＣデータ（NCDATAKEEP）の値 1. は整数ではありません。");
    add("ROTTYPE=q", "ROTTYPE", "q", "エラー：コピーの単位（ROTTYPE）の値 q は整数ではありません。");

    // Keeping the source: 2 to 10 000 placements.
    for (const char *count : {"0", "1", "-3", "10001", "2147483648", "-2147483649"}) {
        Keys keys = standard_keys();
        set_key(keys, "NCDATAKEEP", "1");
        set_key(keys, "ROTCOUNT", count);
        cases.push_back({std::string("keep with ROTCOUNT=") + count, keys,
                         std::string("エラー：回転コピー回数（ROTCOUNT）の値 ") + count +
                             " は範囲外です（元ＮＣデータを残すときは 2 から 10000 まで）。"});
    }

    write_control(standard_keys());
    const std::vector<std::string> before = files_left();
    for (const Case &entry : cases) {
        CapturedLog log;
        EXPECT_EQ(-1, run(entry.keys)) << entry.what;
        ASSERT_FALSE(log.lines.empty()) << entry.what;
        EXPECT_EQ(entry.message, log.lines.back()) << entry.what;
        ASSERT_EQ(1u, log.boxes.size()) << entry.what;
        EXPECT_EQ(BOX_ERROR, log.boxes[0].kind) << entry.what;
        EXPECT_EQ(entry.message, log.boxes[0].text) << entry.what;
        EXPECT_EQ(0, count_starting_with(log.lines, "  変換ＮＣファイル名")) << entry.what;
        EXPECT_EQ(before, files_left()) << entry.what;
        EXPECT_EQ(program, read_file_bytes(input)) << entry.what;
        EXPECT_EQ('\0', MessageText[0]) << entry.what;
    }
}

TEST_F(RunJob, SettingsFallbacksAreCheckedAsTheControlFileIs) {
    Keys keys = standard_keys();
    drop_key(keys, "ROTXCOORD");
    drop_key(keys, "ROTYCOORD");
    struct Case {
        const char *key;
        const char *value;
        std::string message;
    };
    const Case cases[] = {
        {"XCOORD", "abc", "エラー：設定ファイル " + SettingsPath + " の回転中心Ｘ座標（XCOORD）の値 abc は数値ではありません。"},
        {"YCOORD", "1e308", "エラー：設定ファイル " + SettingsPath + " の回転中心Ｙ座標（YCOORD）の値 1e308 は数値ではありません。"},
        {"XCOORD", "0000000000000090",
         "エラー：設定ファイル " + SettingsPath + " の回転中心Ｘ座標（XCOORD）の値が長すぎます（15文字まで）：0000000000000090…"},
        {"YCOORD", "-100000",
         "エラー：設定ファイル " + SettingsPath + " の回転中心Ｙ座標（YCOORD）の値 -100000 は範囲外です（-99999.999 から 99999.999 まで）。"},
    };
    for (const Case &entry : cases) {
        ASSERT_EQ(0, create_default_settings());
        profile_write_string("Pivora", entry.key, entry.value, SettingsPath.c_str());
        CapturedLog log;
        EXPECT_EQ(-1, run(keys)) << entry.value;
        ASSERT_FALSE(log.lines.empty());
        EXPECT_EQ(entry.message, log.lines.back());
        EXPECT_EQ(0, file_exists(output.c_str()));
        profile_write_string("Pivora", entry.key, "0", SettingsPath.c_str());
    }
}

TEST_F(RunJob, ControlFileMissingOrNotText) {
    {
        CapturedLog log;
        const std::string none = dir.file("none.ini");
        EXPECT_EQ(-1, run_job(nullptr, none.c_str()));
        const std::vector<std::string> lines = {"エラー：コントロールファイル " + none + " がありません。"};
        EXPECT_EQ(lines, log.lines);
        ASSERT_EQ(1u, log.boxes.size());
        EXPECT_EQ(BOX_ERROR, log.boxes[0].kind);
    }
    {
        // Binary bytes hold no section Pivora, so the NC file name cannot be read.
        CapturedLog log;
        static const char binary[] = "\x00\x01\xff\x81\x1a[Piv\x00ora]\nNCFILE1\x00=x\n";
        write_file_bytes(control, std::string(binary, sizeof binary - 1));
        EXPECT_EQ(-1, run_job(nullptr, control.c_str()));
        const std::vector<std::string> lines = {"エラー：ＮＣファイル名を読み込めません。"};
        EXPECT_EQ(lines, log.lines);
        EXPECT_EQ(1u, log.boxes.size());
    }
    {
        // A folder where the control file should be is named as the control file.
        CapturedLog log;
        fs::create_directory(dir.file("folder.ini"));
        EXPECT_EQ(-1, run_job(nullptr, dir.file("folder.ini").c_str()));
        const std::vector<std::string> lines = {"エラー：コントロールファイル " + dir.file("folder.ini") + " を読み込めません。"};
        EXPECT_EQ(lines, log.lines);
    }
    {
        // So is a file this account may not read (an account that reads it anyway skips this part).
        write_control(standard_keys());
        fs::permissions(control, fs::perms::none);
        if (!std::ifstream(control)) {
            CapturedLog log;
            EXPECT_EQ(-1, run_job(nullptr, control.c_str()));
            const std::vector<std::string> lines = {"エラー：コントロールファイル " + control + " を読み込めません。"};
            EXPECT_EQ(lines, log.lines);
        }
        fs::permissions(control, fs::perms::owner_all);
    }
    EXPECT_EQ(0, file_exists(output.c_str()));
}

TEST_F(RunJob, DuplicateSectionsAndOtherKeysAreIgnored) {
    const std::string other = dir.file("other.nc");
    write_file_bytes(control, "[pivora]\r\nncfile1=" + input + "\r\nNCFILE2=" + output +
                                  "\r\nROTANGLE=90\r\nROTCOUNT=2\r\nCOLOUR=red\r\n[OTHER]\r\nROTANGLE=30\r\n"
                                  "[Pivora]\r\nNCFILE2=" + other + "\r\nROTANGLE=45\r\nROTXCOORD=9\r\n");
    CapturedLog log;
    ASSERT_EQ(0, run_job(nullptr, control.c_str()));
    ASSERT_GE(log.lines.size(), 7u);
    EXPECT_EQ("    ＸＹ座標回転角度 : 90.", log.lines[4]);
    EXPECT_EQ("警　告：回転中心Ｘ座標が指定されてません。", log.lines[0]);
    EXPECT_EQ(1, file_exists(output.c_str()));
    EXPECT_EQ(0, file_exists(other.c_str()));
}

TEST_F(RunJob, SummaryLinesAlignOnCodePage932Bytes) {
    Keys keys = standard_keys();
    set_key(keys, "ROTXCOORD", "12.5");
    set_key(keys, "ROTYCOORD", "-3");
    set_key(keys, "ROTCOUNT", "4");
    set_key(keys, "NCDATAKEEP", "1");
    set_key(keys, "ROTTYPE", "0");
    CapturedLog log;
    ASSERT_EQ(0, run(keys));
    const std::vector<std::string> summary = {
        "  変換ＮＣファイル名 : " + input,
        "  出力ＮＣファイル名 : " + output,
        "    ＸＹ座標回転角度 : 90.",
        "      回転中心Ｘ座標 : 12.5",
        "      回転中心Ｙ座標 : -3.",
        "      回転コピー回数 : 4",
        "        元ＮＣデータ : 残す",
        "",
    };
    ASSERT_GE(log.lines.size(), summary.size());
    EXPECT_EQ(summary, std::vector<std::string>(log.lines.begin(), log.lines.begin() + 8));

    // A copy job reports the angle of its last copy, 3 x 90, when it completes.
    size_t done = index_of(log.lines, "【 完 了 】");
    ASSERT_NE(std::string::npos, done);
    ASSERT_GT(log.lines.size(), done + 3);
    EXPECT_EQ("270.°回転移動しました", log.lines[done + 3]);
}

TEST_F(RunJob, NumbersInFullAreUsedAsGiven) {
    struct Case {
        const char *key;
        std::string value;
        std::string line;
        size_t index;
    };
    const Case cases[] = {
        {"ROTANGLE", "450", "    ＸＹ座標回転角度 : 450.", 2},
        {"ROTANGLE", "-30", "    ＸＹ座標回転角度 : -30.", 2},
        {"ROTANGLE", "  +22.5  ", "    ＸＹ座標回転角度 : 22.5", 2},
        {"ROTANGLE", ".5", "    ＸＹ座標回転角度 : 0.5", 2},
        {"ROTANGLE", "90.", "    ＸＹ座標回転角度 : 90.", 2},
        {"ROTANGLE", "000000000000090", "    ＸＹ座標回転角度 : 90.", 2},
        {"ROTXCOORD", "99999.999", "      回転中心Ｘ座標 : 99999.999", 3},
        {"ROTYCOORD", "-99999.999", "      回転中心Ｙ座標 : -99999.999", 4},
        {"ROTYCOORD", "-0", "      回転中心Ｙ座標 : 0.", 4},
        // With the source dropped the count is not used: any whole number stands.
        {"ROTCOUNT", "-7", "      回転コピー回数 : -7", 5},
        {"ROTCOUNT", "0", "      回転コピー回数 : 0", 5},
        {"ROTCOUNT", "+3", "      回転コピー回数 : 3", 5},
        {"ROTCOUNT", "99999999999999", "      回転コピー回数 : 2147483647", 5},
    };
    for (const Case &entry : cases) {
        Keys keys = standard_keys();
        set_key(keys, entry.key, entry.value);
        CapturedLog log;
        EXPECT_EQ(0, run(keys)) << entry.key << "=" << entry.value;
        ASSERT_GT(log.lines.size(), entry.index);
        EXPECT_EQ(entry.line, log.lines[entry.index]);
        // A value that is present is never reported, only converted.
        EXPECT_EQ(0, count_starting_with(log.lines, "警　告："));
        EXPECT_TRUE(log.boxes.empty());
    }
    // Keeping the source: the fewest and the most placements.
    for (const char *count : {"2", "10000"}) {
        Keys keys = standard_keys();
        set_key(keys, "NCDATAKEEP", "1");
        set_key(keys, "ROTTYPE", "0");
        set_key(keys, "ROTCOUNT", count);
        CapturedLog log;
        EXPECT_EQ(0, run(keys)) << count;
        ASSERT_GT(log.lines.size(), 5u);
        EXPECT_EQ(std::string("      回転コピー回数 : ") + count, log.lines[5]);
    }
}

TEST_F(RunJob, CentreFallsBackToTheSettingsFile) {
    Keys keys = standard_keys();
    drop_key(keys, "ROTXCOORD");
    set_key(keys, "ROTYCOORD", "");
    profile_write_string("Pivora", "XCOORD", "5", SettingsPath.c_str());
    profile_write_string("Pivora", "YCOORD", "-7.5", SettingsPath.c_str());
    {
        CapturedLog log;
        ASSERT_EQ(0, run(keys));
        ASSERT_GE(log.lines.size(), 7u);
        EXPECT_EQ("警　告：回転中心Ｘ座標が指定されてません。", log.lines[0]);
        EXPECT_EQ("警　告：回転中心Ｙ座標が指定されてません。", log.lines[1]);
        EXPECT_EQ("      回転中心Ｘ座標 : 5.", log.lines[5]);
        EXPECT_EQ("      回転中心Ｙ座標 : -7.5", log.lines[6]);
        EXPECT_TRUE(log.boxes.empty());
    }
    // Without XCOORD and YCOORD in the settings file the centre is the origin.
    write_file_bytes(SettingsPath, "[FORMAT]\r\nDECIMAL=-1\r\n");
    {
        CapturedLog log;
        ASSERT_EQ(0, run(keys));
        ASSERT_GE(log.lines.size(), 7u);
        EXPECT_EQ("      回転中心Ｘ座標 : 0.", log.lines[5]);
        EXPECT_EQ("      回転中心Ｙ座標 : 0.", log.lines[6]);
        EXPECT_TRUE(log.boxes.empty());
    }
}

TEST_F(RunJob, KeepSourceAndCompositionSelectTheDriver) {
    enum Driver { WHOLE, COPIES, PER_MACHINING };
    struct Case {
        const char *keep;  // nullptr: key absent
        const char *type;  // nullptr: key absent
        Driver driver;
        const char *kept;
    };
    const Case cases[] = {
        {nullptr, nullptr, WHOLE, "削除"}, {"0", "1", WHOLE, "削除"},
        {"-3", "0", WHOLE, "削除"},        {"5", nullptr, PER_MACHINING, "残す"},
        {"1", "1", PER_MACHINING, "残す"}, {"1", "0", COPIES, "残す"},
        {"1", "2", COPIES, "残す"},        {"1", "7", COPIES, "残す"},
        {"1", "-99999999999999", COPIES, "残す"}, {"", "", WHOLE, "削除"},
    };
    for (const Case &entry : cases) {
        std::string what = std::string("NCDATAKEEP=") + (entry.keep ? entry.keep : "(none)") +
                           " ROTTYPE=" + (entry.type ? entry.type : "(none)");
        Keys keys = standard_keys();
        drop_key(keys, "NCDATAKEEP");
        drop_key(keys, "ROTTYPE");
        if (entry.keep) set_key(keys, "NCDATAKEEP", entry.keep);
        if (entry.type) set_key(keys, "ROTTYPE", entry.type);
        CapturedLog log;
        ASSERT_EQ(0, run(keys)) << what;
        ASSERT_GE(log.lines.size(), 7u) << what;
        EXPECT_EQ(std::string("        元ＮＣデータ : ") + entry.kept, log.lines[6]) << what;
        std::string written = read_file_bytes(output);
        // The whole-program driver announces its one angle, the copy driver starts
        // with the unrotated source, and the per-machining driver heads each copy
        // with a comment instead.
        int announced = count_starting_with(log.lines, "回転角度：");
        switch (entry.driver) {
        case WHOLE:
            EXPECT_EQ(1, announced) << what;
            EXPECT_NE(std::string::npos, index_of(log.lines, "回転角度：90.°書込中")) << what;
            EXPECT_EQ(std::string::npos, written.find("(ROTATION ANGLE")) << what;
            break;
        case COPIES:
            EXPECT_EQ(2, announced) << what;
            EXPECT_NE(std::string::npos, index_of(log.lines, "回転角度：0.°書込中")) << what;
            EXPECT_EQ(std::string::npos, written.find("(ROTATION ANGLE")) << what;
            break;
        case PER_MACHINING:
            EXPECT_EQ(0, announced) << what;
            EXPECT_NE(std::string::npos, written.find("(ROTATION ANGLE 90.)\r\n")) << what;
            break;
        }
    }
}

TEST_F(RunJob, CompletionLinesAndBox) {
    for (int mode : {0, 1}) {
        for (int print : {0, 1}) {
            ActiveCommandFlags.mode = mode;
            ActiveCommandFlags.print = print;
            CapturedLog log;
            ASSERT_EQ(0, run(standard_keys()));
            size_t done = index_of(log.lines, "【 完 了 】");
            ASSERT_NE(std::string::npos, done);
            ASSERT_EQ(done + 5, log.lines.size());
            ASSERT_GE(done, 3u);
            // The tool-path check comes after the driver's lines and before completion.
            EXPECT_TRUE(is_check_line(log.lines[done - 1 - print])) << log.lines[done - 1 - print];
            EXPECT_EQ("回転角度：90.°書込中", log.lines[done - 2 - print]);
            if (print == 1) {
                EXPECT_EQ("", log.lines[done - 1]);
            }
            EXPECT_EQ("ＮＣファイル " + input + " を", log.lines[done + 1]);
            EXPECT_EQ("ＮＣファイル " + output + " に", log.lines[done + 2]);
            EXPECT_EQ("90.°回転移動しました", log.lines[done + 3]);
            std::string elapsed = elapsed_of(log.lines[done + 4]);
            EXPECT_FALSE(elapsed.empty()) << log.lines[done + 4];
            if (mode == 1) {
                EXPECT_TRUE(log.boxes.empty());
                continue;
            }
            ASSERT_EQ(1u, log.boxes.size());
            EXPECT_EQ(BOX_INFORMATION, log.boxes[0].kind);
            EXPECT_EQ("【 完 了 】\n\nＮＣファイル " + input + " を\n\nＮＣファイル " + output +
                          " に\n\n90.°回転移動しました\n\n処理時間は " + elapsed + " 秒です\n",
                      log.boxes[0].text);
            EXPECT_EQ('\0', MessageText[0]);
        }
    }
    EXPECT_TRUE(file_exists(output.c_str()));
}

TEST(ElapsedTime, SecondsAndMillisecondsAcrossTheWrap) {
    const struct {
        uint32_t start;
        uint32_t end;
        int seconds;
        int milliseconds;
    } cases[] = {
        {1000, 3500, 2, 500},  {0, 12345, 12, 345},       {5000, 7050, 2, 50},
        {100, 105, 0, 5},      {0xFFFFFF00u, 0x100, 0, 512}, {0, 0xFFFFFFFFu, 4294967, 295},
    };
    for (const auto &entry : cases) {
        int seconds = -1;
        int milliseconds = -1;
        split_elapsed(entry.start, entry.end, seconds, milliseconds);
        EXPECT_EQ(entry.seconds, seconds) << entry.start << " " << entry.end;
        EXPECT_EQ(entry.milliseconds, milliseconds) << entry.start << " " << entry.end;
    }
}

TEST_F(RunJob, ExistingOutputIsReplacedOnlyWhenAllowed) {
    const std::string old_output = "old output\r\n";
    ActiveCommandFlags.overwrite = 1;
    {
        write_file_bytes(output, old_output);
        CapturedLog log;
        log.answer = 0;
        EXPECT_EQ(-1, run(standard_keys()));
        EXPECT_EQ(old_output, read_file_bytes(output));
        ASSERT_FALSE(log.lines.empty());
        EXPECT_EQ("処理を中止します", log.lines.back());
        EXPECT_EQ(0, count_starting_with(log.lines, "  変換ＮＣファイル名"));
        ASSERT_EQ(1u, log.boxes.size());
        EXPECT_EQ(BOX_QUESTION, log.boxes[0].kind);
    }
    {
        // Yes: nothing is deleted before the job; a job that fails keeps the old file.
        write_file_bytes(input, "%\nG90 G00 X10. Y0\nG18 G02 X5. Z5. R5.\nM30\n%\n");
        CapturedLog log;
        log.answer = 1;
        EXPECT_EQ(-1, run(standard_keys()));
        EXPECT_EQ(old_output, read_file_bytes(output));
        EXPECT_NE(std::string::npos, index_of(log.lines, "ファイル " + output + " は変換が終わってから置き換えます。"));
        EXPECT_EQ(std::string::npos, index_of(log.lines, "【 完 了 】"));
        write_file_bytes(input, program);
    }
    {
        CapturedLog log;
        log.answer = 1;
        EXPECT_EQ(0, run(standard_keys()));
        EXPECT_NE(old_output, read_file_bytes(output));
        EXPECT_NE(std::string::npos, index_of(log.lines, "ファイル " + output + " は変換が終わってから置き換えます。"));
        EXPECT_NE(std::string::npos, index_of(log.lines, "【 完 了 】"));
    }
    {
        // Unattended: replaced without a question and without a line about it.
        write_file_bytes(output, old_output);
        ActiveCommandFlags.overwrite = 0;
        CapturedLog log;
        EXPECT_EQ(0, run(standard_keys()));
        EXPECT_NE(old_output, read_file_bytes(output));
        EXPECT_TRUE(log.boxes.empty());
        EXPECT_EQ(0, count_starting_with(log.lines, "同じ名前"));
    }
}

TEST_F(RunJob, OutputThatIsTheInputIsRefused) {
    ActiveCommandFlags.overwrite = 1;
    fs::create_directory(dir.file("sub"));
    const std::string separator(1, static_cast<char>(fs::path::preferred_separator));
    std::vector<std::string> spellings = {input, dir.path + "sub" + separator + ".." + separator + "part.nc"};
    const std::string link = dir.file("link.nc");
    std::error_code error;
    fs::create_symlink(input, link, error);
    if (!error) spellings.push_back(link);
    for (const std::string &spelling : spellings) {
        Keys keys = standard_keys();
        set_key(keys, "NCFILE2", spelling);
        CapturedLog log;
        log.answer = 1;
        EXPECT_EQ(-1, run(keys)) << spelling;
        const std::string message = "エラー：出力ＮＣファイル " + spelling + " は変換ＮＣファイルと同じです。";
        const std::vector<std::string> lines = {message};
        EXPECT_EQ(lines, log.lines);
        ASSERT_EQ(1u, log.boxes.size());
        EXPECT_EQ(BOX_ERROR, log.boxes[0].kind);
        EXPECT_EQ(program, read_file_bytes(input)) << spelling;
    }
}

TEST_F(RunJob, OutputThatCannotBeOpened) {
    const std::string nowhere = dir.path + "no such folder" + static_cast<char>(fs::path::preferred_separator) + "out.nc";
    Keys keys = standard_keys();
    set_key(keys, "NCFILE2", nowhere);
    CapturedLog log;
    EXPECT_EQ(-1, run(keys));
    ASSERT_FALSE(log.lines.empty());
    EXPECT_EQ("エラー：出力ＮＣファイル " + nowhere + " 開けません", log.lines.back());
    EXPECT_EQ(9u, log.lines.size());
    EXPECT_EQ(1u, log.boxes.size());
    EXPECT_EQ(std::string::npos, index_of(log.lines, "【 完 了 】"));
}

TEST_F(RunJob, ReadOnlyOutputIsNotWritten) {
    const std::string old_output = "kept\r\n";
    write_file_bytes(output, old_output);
    fs::permissions(output, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    bool writable = static_cast<bool>(std::ofstream(output, std::ios::app));
    if (writable) {
        fs::permissions(output, fs::perms::owner_all);
        GTEST_SKIP() << "this account writes read-only files";
    }
    CapturedLog log;
    EXPECT_EQ(-1, run(standard_keys()));
    ASSERT_FALSE(log.lines.empty());
    EXPECT_EQ("エラー：出力ＮＣファイル " + output + " 開けません", log.lines.back());
    EXPECT_EQ(old_output, read_file_bytes(output));
    fs::permissions(output, fs::perms::owner_all);
}

TEST_F(RunJob, FailedWriteIsAnErrorAndKeepsTheOldOutput) {
#ifdef _WIN32
    GTEST_SKIP() << "no file size limit to stand for a full disk on this system";
#else
    // A file size limit stands for a full disk: writes beyond it fail (with the
    // signal it raises ignored), as they would on a disk with no room left.
    std::string long_program = "%\nG90 G92 X0 Y0 Z100.\n";
    for (int i = 0; i < 4000; ++i) long_program += "G01 X" + std::to_string(i % 100) + ". Y1. F100\n";
    long_program += "M30\n%\n";
    write_file_bytes(input, long_program);
    const std::string old_output = "old output\r\n";
    write_file_bytes(output, old_output);
    write_control(standard_keys());
    const std::vector<std::string> before = files_left();
    struct rlimit saved;
    ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &saved));
    struct rlimit limited = saved;
    limited.rlim_cur = 16384;
    void (*saved_handler)(int) = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &limited));
    CapturedLog log;
    int result = run(standard_keys());
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, saved_handler);
    EXPECT_EQ(-1, result);
    ASSERT_FALSE(log.lines.empty());
    EXPECT_EQ("エラー：出力ＮＣファイル " + output + " に書き込めません", log.lines.back());
    EXPECT_EQ(std::string::npos, index_of(log.lines, "【 完 了 】"));
    ASSERT_EQ(1u, log.boxes.size());
    EXPECT_EQ(BOX_ERROR, log.boxes[0].kind);
    EXPECT_EQ(old_output, read_file_bytes(output));
    EXPECT_EQ(before, files_left());
#endif
}

TEST_F(RunJob, DriverErrorEndsTheJobWithoutCompletion) {
    write_file_bytes(input, "%\nG90 G00 X10. Y0\nG18 G02 X5. Z5. R5.\nM30\n%\n");
    CapturedLog log;
    EXPECT_EQ(-1, run(standard_keys()));
    EXPECT_EQ(std::string::npos, index_of(log.lines, "【 完 了 】"));
    EXPECT_EQ(0, count_starting_with(log.lines, "処理時間は"));
    ASSERT_EQ(1u, log.boxes.size());
    EXPECT_EQ(BOX_ERROR, log.boxes[0].kind);
    // Nothing half-written is left: no output, no temporary file.
    EXPECT_EQ(0, file_exists(output.c_str()));
    EXPECT_EQ((std::vector<std::string>{"part.ini", "part.nc"}), files_left());
}

TEST_F(RunJob, MissingViewerIsAWarningAfterTheCompletionBox) {
    ActiveCommandFlags.mode = 0;
    const std::string viewer = dir.file("viewer.exe");
    profile_write_string("QUILLO", "NCVIEWER", viewer.c_str(), SettingsPath.c_str());
    CapturedLog log;
    // The output is complete and in place: the job succeeded.
    EXPECT_EQ(0, run(standard_keys()));
    EXPECT_TRUE(file_exists(output.c_str()));
    ASSERT_EQ(2u, log.boxes.size());
    EXPECT_EQ(BOX_INFORMATION, log.boxes[0].kind);
    EXPECT_EQ(BOX_WARNING, log.boxes[1].kind);
    EXPECT_EQ("警　告：ＮＣビューワー " + viewer + " がありません。", log.boxes[1].text);
    EXPECT_EQ(log.boxes[1].text, log.lines.back());
    EXPECT_NE(std::string::npos, index_of(log.lines, "【 完 了 】"));
}

TEST_F(RunJob, WholeProgramAtNinetyDegreesMatchesTheExpectedFile) {
    const std::string source = read_file_bytes(test_data_path("job/data/square.nc"));
    const std::string expected = read_file_bytes(test_data_path("job/data/square_rot90.nc"));
    ASSERT_FALSE(source.empty());
    ASSERT_FALSE(expected.empty());
    write_file_bytes(input, source);
    CapturedLog log;
    ASSERT_EQ(0, run(standard_keys()));
    EXPECT_EQ(expected, read_file_bytes(output));
}

TEST_F(RunJob, ProtectedFilesAreNeverTheOutput) {
    ActiveCommandFlags.overwrite = 1;
    struct Case {
        std::string output;
        std::string message;
    };
    const std::string program_path = executable_path();
    std::vector<Case> cases = {
        {control, "エラー：出力ＮＣファイル " + control + " はコントロールファイル " + control + " です。"},
        {SettingsPath, "エラー：出力ＮＣファイル " + SettingsPath + " は設定ファイル " + SettingsPath + " です。"},
        {program_path, "エラー：出力ＮＣファイル " + program_path + " は実行中のプログラム " + program_path + " です。"},
        {dir.path + "sub", "エラー：出力ＮＣファイル " + dir.path + "sub はファイルではありません。"},
    };
    fs::create_directory(dir.file("sub"));
    const std::string separator(1, static_cast<char>(fs::path::preferred_separator));
    const std::string around = dir.path + "sub" + separator + ".." + separator;
    cases.push_back({around + "part.ini",
                     "エラー：出力ＮＣファイル " + around + "part.ini はコントロールファイル " + control + " です。"});
#ifndef _WIN32
    std::error_code error;
    fs::create_symlink(control, dir.file("link.ini"), error);
    if (!error) {
        cases.push_back({dir.file("link.ini"),
                         "エラー：出力ＮＣファイル " + dir.file("link.ini") + " はコントロールファイル " + control + " です。"});
    }
    if (fs::exists("/dev/null")) {
        cases.push_back({"/dev/null", "エラー：出力ＮＣファイル /dev/null はファイルではありません。"});
    }
#endif
    const std::string settings_bytes = read_file_bytes(SettingsPath);
    const std::string program_bytes = read_file_bytes(program_path);
    for (const Case &entry : cases) {
        Keys keys = standard_keys();
        set_key(keys, "NCFILE2", entry.output);
        write_control(keys);
        const std::string control_bytes = read_file_bytes(control);
        CapturedLog log;
        log.answer = 1;
        EXPECT_EQ(-1, run_job(nullptr, control.c_str())) << entry.output;
        const std::vector<std::string> lines = {entry.message};
        EXPECT_EQ(lines, log.lines);
        ASSERT_EQ(1u, log.boxes.size());
        EXPECT_EQ(BOX_ERROR, log.boxes[0].kind);
        EXPECT_EQ(control_bytes, read_file_bytes(control));
        EXPECT_EQ(settings_bytes, read_file_bytes(SettingsPath));
    }
    EXPECT_TRUE(program_bytes == read_file_bytes(program_path));
    EXPECT_TRUE(fs::is_directory(dir.file("sub")));
}

#ifndef _WIN32
TEST_F(RunJob, OutputThroughASymbolicLinkReplacesItsTarget) {
    fs::create_directory(dir.file("real"));
    const std::string target = dir.file("real") + "/target.nc";
    write_file_bytes(target, "old\r\n");
    ASSERT_EQ(0, chmod(target.c_str(), 0640));
    std::error_code error;
    fs::create_symlink(target, output, error);
    if (error) GTEST_SKIP() << "no symbolic links here";
    CapturedLog log;
    ASSERT_EQ(0, run(standard_keys()));
    EXPECT_TRUE(fs::is_symlink(output));
    EXPECT_EQ(read_file_bytes(test_data_path("job/data/square_rot90.nc")).empty(), false);
    EXPECT_NE("old\r\n", read_file_bytes(target));
    EXPECT_EQ(read_file_bytes(output), read_file_bytes(target));
    struct stat info;
    ASSERT_EQ(0, stat(target.c_str(), &info));
    EXPECT_EQ(0640u, info.st_mode & 07777u);
    // The temporary output was made beside the target and is gone.
    size_t in_real = 0;
    for (const auto &entry : fs::directory_iterator(dir.file("real"))) {
        (void)entry;
        ++in_real;
    }
    EXPECT_EQ(1u, in_real);
}
#endif

namespace {

// A log port that asks the job to stop when a line beginning with the trigger
// is posted, and answers the replace question Yes.
struct StoppingLog {
    std::string trigger;
    std::string folder;
    std::vector<std::string> lines;
    std::vector<std::string> seen;  // what the job's folder held when the trigger came
};

void stopping_append(void *context, const char *text) {
    StoppingLog *log = static_cast<StoppingLog *>(context);
    log->lines.push_back(text);
    if (log->lines.back().compare(0, log->trigger.size(), log->trigger) != 0 || CancelRequested) return;
    CancelRequested = 1;
    for (const auto &entry : fs::directory_iterator(log->folder)) log->seen.push_back(entry.path().filename().string());
}

int stopping_box(void *, WindowHandle, const char *, int kind) { return kind == BOX_QUESTION ? 1 : 0; }

}  // namespace

TEST_F(RunJob, StopRequestLeavesTheOldOutputAndNoTemporaryFile) {
    const std::string old_output = "old output\r\n";
    // After the replace question, while the driver writes, after the tool-path check.
    const std::string triggers[] = {"ファイル " + output + " は変換", "回転角度：", "工具経路チェック："};
    for (const std::string &trigger : triggers) {
        write_file_bytes(output, old_output);
        ActiveCommandFlags.overwrite = 1;
        StoppingLog log;
        log.trigger = trigger;
        log.folder = dir.path;
        LogPort port = {&log, stopping_append, nullptr, stopping_box};
        log_set_port(&port);
        write_control(standard_keys());
        // A flag left over from before the job is cleared when the job starts.
        CancelRequested = 1;
        int result = run_job(nullptr, control.c_str());
        log_set_port(nullptr);
        EXPECT_EQ(-1, result) << trigger;
        ASSERT_FALSE(log.lines.empty());
        EXPECT_EQ("処理を中断しました", log.lines.back()) << trigger;
        EXPECT_EQ(std::string::npos, index_of(log.lines, "【 完 了 】")) << trigger;
        EXPECT_EQ(old_output, read_file_bytes(output)) << trigger;
        EXPECT_EQ((std::vector<std::string>{"part.ini", "part.nc", "part_rot.nc"}), files_left()) << trigger;
        // Once the driver runs, its temporary output stands beside the old one.
        EXPECT_EQ(trigger == triggers[0] ? 4u : 5u, log.seen.size()) << trigger;
    }
    CancelRequested = 0;
}

TEST_F(RunJob, CheckingAnExistingOutput) {
    {
        CapturedLog log;
        EXPECT_EQ(-1, check_job_output(nullptr, (write_control(standard_keys()), control.c_str())));
        const std::vector<std::string> lines = {"エラー：出力ＮＣファイル " + output + " がありません。"};
        EXPECT_EQ(lines, log.lines);
    }
    {
        CapturedLog log;
        ASSERT_EQ(0, run(standard_keys()));
    }
    const std::string written = read_file_bytes(output);
    CapturedLog log;
    EXPECT_EQ(0, check_job_output(nullptr, control.c_str()));
    ASSERT_EQ(1u, log.lines.size());
    EXPECT_TRUE(is_check_line(log.lines[0])) << log.lines[0];
    EXPECT_TRUE(log.boxes.empty());
    EXPECT_EQ(written, read_file_bytes(output));
    // The control file's values are checked as for a conversion.
    Keys keys = standard_keys();
    set_key(keys, "ROTANGLE", "90abc");
    write_control(keys);
    EXPECT_EQ(-1, check_job_output(nullptr, control.c_str()));
    EXPECT_EQ("エラー：回転角度（ROTANGLE）の値 90abc は数値ではありません。", log.lines.back());
}

TEST(CheckFailure, TheMessageNamesTheLinesAndWhatWasExpected) {
    CheckResult result;
    result.output_line = 12;
    result.input_line = 7;
    result.expected = "G01 X10. Y20.";
    result.found = "G01 X10. Y-20.";
    std::string text;
    check_failure_text(result, text);
    EXPECT_EQ("エラー：工具経路チェック 出力 12行目：G01 X10. Y20. が期待されるところ G01 X10. Y-20. です（入力 7行目）", text);
    result.found.clear();
    check_failure_text(result, text);
    EXPECT_EQ("エラー：工具経路チェック 出力 12行目：G01 X10. Y20. が期待されるところ 何もありません（入力 7行目）", text);
    CheckResult unreadable;
    unreadable.found = "入力を読めません";
    check_failure_text(unreadable, text);
    EXPECT_EQ("エラー：工具経路チェック：入力を読めません", text);
    check_failure_text(CheckResult{}, text);
    EXPECT_EQ("エラー：工具経路チェック：出力が入力と合いません", text);
}
