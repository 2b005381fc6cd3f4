// The conversion job end to end: control-file checks and their messages, the
// summary, the driver that each parameter set selects, completion and elapsed
// time, the overwrite question, and the refusals that protect the user's files.
#include "job/conversion_job.h"

#include <gtest/gtest.h>

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
};

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
        const char *what;
        Keys keys;
        std::string message;
    };
    const std::string missing_input = dir.file("missing.nc");
    const std::string long_path = dir.path + std::string(600, 'a') + ".nc";
    std::vector<Case> cases;
    Keys keys = standard_keys();
    drop_key(keys, "NCFILE1");
    cases.push_back({"no NCFILE1", keys, "エラー：ＮＣファイル名を読み込めません。"});
    keys = standard_keys();
    set_key(keys, "NCFILE1", "   ");
    cases.push_back({"blank NCFILE1", keys, "エラー：ＮＣファイル名を読み込めません。"});
    keys = standard_keys();
    set_key(keys, "NCFILE1", missing_input);
    cases.push_back({"input missing", keys, "エラー：ＮＣファイル " + missing_input + " が存在しません。"});
    keys = standard_keys();
    set_key(keys, "NCFILE1", dir.path);
    cases.push_back({"input is a folder", keys, "エラー：ＮＣファイル " + dir.path + " が存在しません。"});
    keys = standard_keys();
    set_key(keys, "NCFILE1", long_path);
    cases.push_back({"input path too long", keys, "エラー：ＮＣファイル名が長すぎます。"});
    keys = standard_keys();
    drop_key(keys, "NCFILE2");
    cases.push_back({"no NCFILE2", keys, "エラー：出力ＮＣファイル名を指定して下さい。"});
    keys = standard_keys();
    set_key(keys, "NCFILE2", long_path);
    cases.push_back({"output path too long", keys, "エラー：出力ＮＣファイル名が長すぎます。"});
    keys = standard_keys();
    drop_key(keys, "ROTANGLE");
    cases.push_back({"no ROTANGLE", keys, "エラー：回転角度を指定して下さい。"});
    keys = standard_keys();
    set_key(keys, "ROTANGLE", "");
    cases.push_back({"empty ROTANGLE", keys, "エラー：回転角度を指定して下さい。"});
    keys = standard_keys();
    set_key(keys, "ROTANGLE", "1e999");
    cases.push_back({"infinite angle", keys, "エラー：回転角度 1e999 は扱えません。"});
    keys = standard_keys();
    set_key(keys, "ROTXCOORD", "-1e999");
    cases.push_back({"infinite centre X", keys, "エラー：回転中心Ｘ座標 -1e999 は扱えません。"});
    keys = standard_keys();
    set_key(keys, "ROTYCOORD", "1E+400");
    cases.push_back({"infinite centre Y", keys, "エラー：回転中心Ｙ座標 1E+400 は扱えません。"});
    keys = standard_keys();
    drop_key(keys, "ROTCOUNT");
    cases.push_back({"no ROTCOUNT", keys, "エラー：回転回数を指定して下さい。"});

    for (const Case &entry : cases) {
        CapturedLog log;
        EXPECT_EQ(-1, run(entry.keys)) << entry.what;
        ASSERT_FALSE(log.lines.empty()) << entry.what;
        EXPECT_EQ(entry.message, log.lines.back()) << entry.what;
        ASSERT_EQ(1u, log.boxes.size()) << entry.what;
        EXPECT_EQ(BOX_ERROR, log.boxes[0].kind) << entry.what;
        EXPECT_EQ(entry.message, log.boxes[0].text) << entry.what;
        EXPECT_EQ(0, file_exists(output.c_str())) << entry.what;
        EXPECT_EQ(program, read_file_bytes(input)) << entry.what;
        EXPECT_EQ('\0', MessageText[0]) << entry.what;
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

TEST_F(RunJob, ValuesAreUsedAsGivenOrReadAsZero) {
    struct Case {
        const char *key;
        std::string value;
        std::string line;
        size_t index;
    };
    const Case cases[] = {
        {"ROTANGLE", "450", "    ＸＹ座標回転角度 : 450.", 2},
        {"ROTANGLE", "-30", "    ＸＹ座標回転角度 : -30.", 2},
        {"ROTANGLE", "abc", "    ＸＹ座標回転角度 : 0.", 2},
        {"ROTANGLE", "nan", "    ＸＹ座標回転角度 : 0.", 2},
        // A 10 000-character value is cut to 15 characters before it is converted.
        {"ROTANGLE", std::string(13, '0') + "45" + std::string(9985, '9'), "    ＸＹ座標回転角度 : 45.", 2},
        {"ROTCOUNT", std::string(13, '0') + "12" + std::string(9985, '3'), "      回転コピー回数 : 12", 5},
        {"ROTXCOORD", "abc", "      回転中心Ｘ座標 : 0.", 3},
        {"ROTYCOORD", "0x10", "      回転中心Ｙ座標 : 0.", 4},
        {"ROTCOUNT", "abc", "      回転コピー回数 : 0", 5},
        {"ROTCOUNT", "-7", "      回転コピー回数 : -7", 5},
        {"ROTCOUNT", "3.9", "      回転コピー回数 : 3", 5},
        {"ROTCOUNT", "99999999999999", "      回転コピー回数 : 2147483647", 5},
    };
    for (const Case &entry : cases) {
        Keys keys = standard_keys();
        set_key(keys, entry.key, entry.value);
        CapturedLog log;
        EXPECT_EQ(0, run(keys)) << entry.key << "=" << entry.value.substr(0, 20);
        ASSERT_GT(log.lines.size(), entry.index);
        EXPECT_EQ(entry.line, log.lines[entry.index]);
        // A value that is present is never reported, only converted.
        EXPECT_EQ(0, count_starting_with(log.lines, "警　告："));
        EXPECT_TRUE(log.boxes.empty());
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
        {"1", "abc", COPIES, "残す"},
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
            EXPECT_EQ(print == 1 ? "" : "回転角度：90.°書込中", log.lines[done - 1]);
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
        CapturedLog log;
        log.answer = 1;
        EXPECT_EQ(0, run(standard_keys()));
        EXPECT_NE(old_output, read_file_bytes(output));
        EXPECT_NE(std::string::npos, index_of(log.lines, "ファイル " + output + " を削除しました。"));
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

TEST_F(RunJob, FullDiskIsAnErrorNotASuccess) {
#ifdef _WIN32
    GTEST_SKIP() << "no full device on this system";
#else
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    // The device is never deleted: it is not replaced through the question.
    ActiveCommandFlags.overwrite = 0;
    Keys keys = standard_keys();
    set_key(keys, "NCFILE2", "/dev/full");
    CapturedLog log;
    log.answer = 0;
    EXPECT_EQ(-1, run(keys));
    ASSERT_FALSE(log.lines.empty());
    EXPECT_EQ("エラー：出力ＮＣファイル /dev/full に書き込めません", log.lines.back());
    EXPECT_EQ(std::string::npos, index_of(log.lines, "【 完 了 】"));
    ASSERT_EQ(1u, log.boxes.size());
    EXPECT_EQ(BOX_ERROR, log.boxes[0].kind);
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
    EXPECT_EQ(1, file_exists(output.c_str()));
}

TEST_F(RunJob, MissingViewerIsReportedAfterTheCompletionBox) {
    ActiveCommandFlags.mode = 0;
    const std::string viewer = dir.file("viewer.exe");
    profile_write_string("QUILLO", "NCVIEWER", viewer.c_str(), SettingsPath.c_str());
    CapturedLog log;
    EXPECT_EQ(-1, run(standard_keys()));
    ASSERT_EQ(2u, log.boxes.size());
    EXPECT_EQ(BOX_INFORMATION, log.boxes[0].kind);
    EXPECT_EQ(BOX_ERROR, log.boxes[1].kind);
    EXPECT_EQ("エラー：ＮＣビューワー " + viewer + " がありません。", log.boxes[1].text);
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
