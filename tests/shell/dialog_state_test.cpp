// The job fields: filling them for an input, loading the last job, and the
// Execute command with its control file, history and clean-up.
#include "shell/dialog_state.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include <filesystem>
#include <fstream>

#include "settings/program_values.h"
#include "settings/settings_file.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

// A folder whose name may hold code page 932 bytes, made with the system's narrow-name call.
void make_folder(const std::string &path) {
#ifdef _WIN32
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
#else
    ASSERT_EQ(0, mkdir(path.c_str(), 0755));
#endif
}

std::string separator_of(const TempDir &dir) { return dir.path.substr(dir.path.size() - 1); }

std::string setting(const char *section, const char *key, const std::string &path) {
    char value[600] = {0};
    profile_read_string(section, key, "<absent>", value, sizeof value, path.c_str());
    return value;
}

// A temporary home with the created settings file, and an input program in it.
struct JobBench {
    TempDir dir;
    SettingsHome home{dir.path};
    CapturedLog log;
    std::string input = dir.file("part.nc");
    int saved_skip_waits = SkipWaits;
    JobBench() {
        SkipWaits = 1;
        create_default_settings();
        write_file_bytes(input, "G90 G00 X10. Y0\nG01 X20. F100\nM30\n");
    }
    ~JobBench() { SkipWaits = saved_skip_waits; }
    void set(const char *section, const char *key, const char *value) {
        profile_write_string(section, key, value, SettingsPath.c_str());
    }
    DialogFields fields_for(const std::string &input_path) {
        DialogFields fields;
        fields.input_path = input_path;
        fields.output_path = dir.file("out.nc");
        fields.angle = "90";
        fields.centre_x = "0";
        fields.centre_y = "0";
        fields.copy_count = "2";
        return fields;
    }
    int job_ran() const {
        for (const std::string &line : log.lines) {
            if (line.find("変換ＮＣファイル名") != std::string::npos) return 1;
        }
        return 0;
    }
};

}  // namespace

TEST(DialogFields, InitProposesOutputAndInitialValues) {
    TempDir dir;
    SettingsHome home(dir.path);
    DialogFields fields;

    // Without a settings file every fallback applies.
    init_dialog_fields(fields, "C:\\nc\\part.nc", 1);
    EXPECT_EQ("C:\\nc\\part.nc", fields.input_path);
    EXPECT_EQ("C:\\nc\\part_new.nc", fields.output_path);
    EXPECT_EQ("90", fields.angle);
    EXPECT_EQ("0", fields.centre_x);
    EXPECT_EQ("0", fields.centre_y);
    EXPECT_EQ("2", fields.copy_count);
    EXPECT_EQ(0, fields.keep_source);
    EXPECT_EQ(1, fields.whole_checked);
    EXPECT_EQ(0, fields.per_machining_checked);

    // The created settings file proposes part_rot.nc, keep on and per machining.
    create_default_settings();
    init_dialog_fields(fields, "C:\\nc\\part.nc", 1);
    EXPECT_EQ("C:\\nc\\part_rot.nc", fields.output_path);
    EXPECT_EQ("90", fields.angle);
    EXPECT_EQ("2", fields.copy_count);
    EXPECT_EQ(1, fields.keep_source);
    EXPECT_EQ(0, fields.whole_checked);
    EXPECT_EQ(1, fields.per_machining_checked);

    // The count stays 2 whatever the file says; empty values fall back.
    profile_write_string("Pivora", "ANGLE", "", SettingsPath.c_str());
    profile_write_string("Pivora", "XCOORD", "12.5", SettingsPath.c_str());
    profile_write_string("FILES", "OUTPUTFILE", "_r.txt", SettingsPath.c_str());
    init_dialog_fields(fields, "C:\\nc\\part.nc", 0);
    EXPECT_EQ("C:\\nc\\part_r.txt", fields.output_path);
    EXPECT_EQ("90", fields.angle);
    EXPECT_EQ("12.5", fields.centre_x);

    // The clearing mode empties the six texts and keeps the check box and radio buttons.
    init_dialog_fields(fields, "ignored.nc", -1);
    EXPECT_EQ("", fields.input_path);
    EXPECT_EQ("", fields.output_path);
    EXPECT_EQ("", fields.angle);
    EXPECT_EQ("", fields.centre_x);
    EXPECT_EQ("", fields.centre_y);
    EXPECT_EQ("", fields.copy_count);
    EXPECT_EQ(1, fields.keep_source);
    EXPECT_EQ(1, fields.per_machining_checked);
}

TEST(DialogFields, LoadHistoryOnlyWhenHistoryIsOn) {
    JobBench bench;
    DialogFields typed = bench.fields_for(bench.input);
    typed.copy_count = "7";
    typed.keep_source = 1;
    typed.per_machining_checked = 1;

    bench.set("HISTORY", "INPUTFILE", "C:\\old\\a.nc");
    bench.set("HISTORY", "ROTANGLE", "45");
    bench.set("COMMAND", "HISTORY", "0");
    DialogFields fields = typed;
    load_history(fields);
    EXPECT_EQ(typed.input_path, fields.input_path);
    EXPECT_EQ("90", fields.angle);
    EXPECT_EQ(1, fields.keep_source);

    // Empty keys keep their fields; the check box and radios are always set.
    bench.set("COMMAND", "HISTORY", "1");
    load_history(fields);
    EXPECT_EQ("C:\\old\\a.nc", fields.input_path);
    EXPECT_EQ(typed.output_path, fields.output_path);
    EXPECT_EQ("45", fields.angle);
    EXPECT_EQ("7", fields.copy_count);
    EXPECT_EQ(0, fields.keep_source);
    EXPECT_EQ(1, fields.whole_checked);
    EXPECT_EQ(0, fields.per_machining_checked);

    bench.set("HISTORY", "ROTCOUNT", "3");
    bench.set("HISTORY", "NCDATAKEEP", "1");
    bench.set("HISTORY", "ROTTYPE", "1");
    load_history(fields);
    EXPECT_EQ("3", fields.copy_count);
    EXPECT_EQ(1, fields.keep_source);
    EXPECT_EQ(1, fields.per_machining_checked);
    EXPECT_EQ(0, fields.whole_checked);
}

TEST(Execute, FieldChecksInOrderLeaveFieldsAsTheyWere) {
    JobBench bench;
    struct Case {
        void (*blank)(DialogFields &);
        const char *message;
    };
    const Case cases[] = {
        {[](DialogFields &f) { f.input_path.clear(); }, "エラー：入力ＮＣファイル名を入力して下さい"},
        {[](DialogFields &f) { f.output_path.clear(); }, "エラー：出力ＮＣファイル名を入力して下さい"},
        {[](DialogFields &f) { f.angle.clear(); }, "エラー：回転角度を入力して下さい"},
        {[](DialogFields &f) { f.centre_x.clear(); }, "エラー：回転中心Ｘ座標を入力して下さい"},
        {[](DialogFields &f) { f.centre_y.clear(); }, "エラー：回転中心Ｙ座標を入力して下さい"},
        {[](DialogFields &f) { f.copy_count.clear(); }, "エラー：回転コピー回数を入力して下さい"},
    };
    for (const Case &c : cases) {
        DialogFields fields = bench.fields_for(bench.input);
        c.blank(fields);
        // Every later field empty too: the first failing check speaks.
        if (fields.output_path.empty()) fields.angle.clear();
        DialogFields before = fields;
        bench.log.lines.clear();
        bench.log.boxes.clear();
        EXPECT_EQ(-1, execute_command(nullptr, fields));
        ASSERT_EQ(1u, bench.log.boxes.size());
        EXPECT_EQ(c.message, bench.log.boxes[0].text);
        EXPECT_EQ(BOX_ERROR, bench.log.boxes[0].kind);
        EXPECT_EQ(before.angle, fields.angle);
        EXPECT_EQ(before.input_path, fields.input_path);
        EXPECT_FALSE(file_exists(bench.dir.file("part.ini").c_str()));
    }

    DialogFields missing = bench.fields_for(bench.dir.file("nothing.nc"));
    EXPECT_EQ(-1, execute_command(nullptr, missing));
    EXPECT_EQ("エラー：ＮＣファイル " + bench.dir.file("nothing.nc") + " が見つかりません", bench.log.lines.back());
    EXPECT_FALSE(bench.job_ran());

    // A folder is not an NC file.
    make_folder(bench.dir.file("folder.nc"));
    DialogFields folder = bench.fields_for(bench.dir.file("folder.nc"));
    EXPECT_EQ(-1, execute_command(nullptr, folder));
    EXPECT_EQ("エラー：ＮＣファイル " + bench.dir.file("folder.nc") + " が見つかりません", bench.log.lines.back());
}

TEST(Execute, ControlFileAndHistoryCarryTheFields) {
    JobBench bench;
    bench.set("COMMAND", "WINDOWLOG", "1");
    std::string control = bench.dir.file("part.ini");

    // The check box clear drops the source whatever the count; no radio checked gives ROTTYPE 1.
    DialogFields fields = bench.fields_for(bench.input);
    fields.copy_count = "1";
    fields.angle = "45";
    EXPECT_EQ(0, execute_command(nullptr, fields));
    EXPECT_EQ(bench.input, setting("Pivora", "NCFILE1", control));
    EXPECT_EQ(bench.dir.file("out.nc"), setting("Pivora", "NCFILE2", control));
    EXPECT_EQ("45", setting("Pivora", "ROTANGLE", control));
    EXPECT_EQ("1", setting("Pivora", "ROTCOUNT", control));
    EXPECT_EQ("0", setting("Pivora", "NCDATAKEEP", control));
    EXPECT_EQ("1", setting("Pivora", "ROTTYPE", control));
    EXPECT_EQ(bench.input, setting("HISTORY", "INPUTFILE", SettingsPath));
    EXPECT_EQ("0", setting("HISTORY", "NCDATAKEEP", SettingsPath));
    EXPECT_EQ("1", setting("HISTORY", "ROTTYPE", SettingsPath));
    EXPECT_TRUE(bench.job_ran());
    EXPECT_TRUE(file_exists(bench.dir.file("out.nc").c_str()));

    // A number longer than a field holds is not cut: the job refuses it by its key.
    DialogFields long_angle = bench.fields_for(bench.input);
    long_angle.angle = "1234567890123456789";
    EXPECT_EQ(-1, execute_command(nullptr, long_angle));
    EXPECT_EQ("1234567890123456789", setting("Pivora", "ROTANGLE", control));
    EXPECT_EQ("エラー：回転角度（ROTANGLE）の値が長すぎます（15文字まで）：1234567890123456…", bench.log.lines.back());
    EXPECT_EQ("1234567890123456789", long_angle.angle);

    // With the box checked the job refuses counts below 2 and words; the output stands.
    write_file_bytes(bench.dir.file("out.nc"), "keep\n");
    const char *counts[][2] = {{"0", "範囲外"}, {"1", "範囲外"}, {"-3", "範囲外"}, {"abc", "整数ではありません"}};
    for (auto &count : counts) {
        DialogFields again = bench.fields_for(bench.input);
        again.copy_count = count[0];
        again.keep_source = 1;
        again.whole_checked = 1;
        bench.log.lines.clear();
        EXPECT_EQ(-1, execute_command(nullptr, again)) << count[0];
        EXPECT_EQ("1", setting("Pivora", "NCDATAKEEP", control)) << count[0];
        EXPECT_EQ("1", setting("HISTORY", "NCDATAKEEP", SettingsPath)) << count[0];
        EXPECT_EQ("0", setting("Pivora", "ROTTYPE", control));
        ASSERT_FALSE(bench.log.lines.empty());
        EXPECT_NE(std::string::npos, bench.log.lines.back().find("回転コピー回数（ROTCOUNT）の値 " + std::string(count[0])))
            << bench.log.lines.back();
        EXPECT_NE(std::string::npos, bench.log.lines.back().find(count[1])) << bench.log.lines.back();
        EXPECT_FALSE(bench.job_ran());
        EXPECT_EQ("keep\n", read_file_bytes(bench.dir.file("out.nc")));
    }

    // With the history off nothing reaches section HISTORY.
    bench.set("COMMAND", "HISTORY", "0");
    DialogFields off = bench.fields_for(bench.input);
    off.angle = "33";
    execute_command(nullptr, off);
    EXPECT_EQ("33", setting("Pivora", "ROTANGLE", control));
    EXPECT_EQ("90", setting("HISTORY", "ROTANGLE", SettingsPath));
}

TEST(Execute, SuccessfulJobClearsTextsAndDiscardsControlFile) {
    JobBench bench;
    std::string control = bench.dir.file("part.ini");
    DialogFields fields = bench.fields_for(bench.input);
    fields.keep_source = 0;
    fields.per_machining_checked = 1;
    ASSERT_EQ(0, execute_command(nullptr, fields));
    EXPECT_TRUE(file_exists(bench.dir.file("out.nc").c_str()));
    EXPECT_FALSE(file_exists(control.c_str()));
    EXPECT_EQ("", fields.input_path);
    EXPECT_EQ("", fields.output_path);
    EXPECT_EQ("", fields.copy_count);
    EXPECT_EQ(1, fields.per_machining_checked);

    // A failed job leaves the fields for correction; WINDOWLOG keeps the control file.
    bench.set("COMMAND", "WINDOWLOG", "1");
    ActiveCommandFlags.overwrite = 1;
    bench.log.answer = 0;  // refuse to replace out.nc
    DialogFields refused = bench.fields_for(bench.input);
    EXPECT_EQ(-1, execute_command(nullptr, refused));
    EXPECT_EQ(bench.input, refused.input_path);
    EXPECT_EQ("90", refused.angle);
    EXPECT_TRUE(file_exists(control.c_str()));
}

TEST(Execute, RefusesToTouchFilesItDidNotWrite) {
    JobBench bench;
    bench.set("COMMAND", "WINDOWLOG", "1");

    // An input named .ini would receive the control keys and then be deleted.
    const std::string program = "G90 G00 X10. Y0\nM30\n";
    for (const char *name : {"job.ini", "job.INI"}) {
        std::string ini_input = bench.dir.file(name);
        write_file_bytes(ini_input, program);
        DialogFields fields = bench.fields_for(ini_input);
        EXPECT_EQ(-1, execute_command(nullptr, fields));
        EXPECT_EQ(program, read_file_bytes(ini_input));
        EXPECT_NE(std::string::npos, bench.log.lines.back().find(ini_input));
        EXPECT_FALSE(bench.job_ran());
        file_delete(ini_input.c_str());
    }

    // A file of someone else's at the control path is left alone and named.
    std::string control = bench.dir.file("part.ini");
    const std::string foreign = "[Tools]\r\nT1=10mm end mill\r\n[Pivora]\r\nNCFILE1=x\r\n";
    write_file_bytes(control, foreign);
    DialogFields fields = bench.fields_for(bench.input);
    EXPECT_EQ(-1, execute_command(nullptr, fields));
    EXPECT_EQ(foreign, read_file_bytes(control));
    EXPECT_NE(std::string::npos, bench.log.boxes.back().text.find(control));
    EXPECT_FALSE(bench.job_ran());
    write_file_bytes(control, "; notes\r\n");
    EXPECT_EQ(-1, execute_command(nullptr, fields));
    EXPECT_EQ("; notes\r\n", read_file_bytes(control));
    // One that does not read to its end is no control file either (and ends the reading).
    for (const std::string &unreadable : {std::string("[Pivora]\r\n\0\r\n", 13), std::string("[Pivora]\r\n\x1A x\r\n")}) {
        write_file_bytes(control, unreadable);
        EXPECT_EQ(-1, execute_command(nullptr, fields));
        EXPECT_EQ(unreadable, read_file_bytes(control));
    }

    // A leftover control file of an earlier job is replaced whole.
    write_file_bytes(control, "[Pivora]\r\nNCFILE1=old.nc\r\nSTALE=1\r\n\r\n[pivora]\r\nROTTYPE=0\r\n");
    execute_command(nullptr, fields);
    EXPECT_EQ("<absent>", setting("Pivora", "STALE", control));
    EXPECT_EQ(bench.input, setting("Pivora", "NCFILE1", control));
    EXPECT_EQ("1", setting("Pivora", "ROTTYPE", control));
    EXPECT_TRUE(bench.job_ran());

    // An output named like the control file would be deleted after the job.
    bench.log.lines.clear();
    DialogFields clash = bench.fields_for(bench.input);
    clash.output_path = control;
    EXPECT_EQ(-1, execute_command(nullptr, clash));
    EXPECT_FALSE(bench.job_ran());
}

TEST(Execute, HistoryThatCannotBeWrittenIsOnlyAWarning) {
    JobBench bench;
    fs::permissions(SettingsPath, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    if (std::ofstream(SettingsPath, std::ios::app)) {
        fs::permissions(SettingsPath, fs::perms::owner_all);
        GTEST_SKIP() << "this account writes read-only files";
    }
    DialogFields fields = bench.fields_for(bench.input);
    int result = execute_command(nullptr, fields);
    fs::permissions(SettingsPath, fs::perms::owner_all);
    EXPECT_EQ(0, result);
    ASSERT_FALSE(bench.log.lines.empty());
    EXPECT_EQ("警　告：設定ファイル " + SettingsPath + " に履歴（HISTORY）を書き込めません。", bench.log.lines[0]);
    EXPECT_TRUE(bench.job_ran());
    EXPECT_TRUE(file_exists(bench.dir.file("out.nc").c_str()));
}

TEST(Execute, UnwritableControlFileRunsNoJob) {
    JobBench bench;
    // A folder standing at the control path cannot take the keys.
    make_folder(bench.dir.file("part.ini"));
    DialogFields fields = bench.fields_for(bench.input);
    EXPECT_EQ(-1, execute_command(nullptr, fields));
    ASSERT_FALSE(bench.log.boxes.empty());
    EXPECT_EQ("エラー：コントロールファイル " + bench.dir.file("part.ini") + " を書き込めません",
              bench.log.boxes.back().text);
    EXPECT_FALSE(bench.job_ran());
    EXPECT_EQ("", setting("HISTORY", "INPUTFILE", SettingsPath));
    EXPECT_EQ(bench.input, fields.input_path);
}

TEST(Execute, LongAndDoubleBytePaths) {
    JobBench bench;
    bench.set("COMMAND", "WINDOWLOG", "1");

    // 600 characters cannot travel through the control file whole: refused, not cut.
    DialogFields long_input = bench.fields_for(bench.dir.path + std::string(600, 'a'));
    EXPECT_EQ(-1, execute_command(nullptr, long_input));
    EXPECT_NE(std::string::npos, bench.log.boxes.back().text.find("入力ＮＣファイル名が長すぎます"));
    DialogFields long_output = bench.fields_for(bench.input);
    long_output.output_path = bench.dir.path + std::string(600, 'b');
    EXPECT_EQ(-1, execute_command(nullptr, long_output));
    EXPECT_NE(std::string::npos, bench.log.boxes.back().text.find("出力ＮＣファイル名が長すぎます"));
    EXPECT_FALSE(bench.job_ran());

    // A folder named 表 (second byte 0x5C) with blanks: the control file lands beside the input.
    std::string folder = bench.dir.path + "表 folder" + separator_of(bench.dir);
    make_folder(folder.substr(0, folder.size() - 1));
    std::string input = folder + "my part.nc";
    write_file_bytes(input, "G90 G00 X10. Y0\nM30\n");
    DialogFields fields = bench.fields_for(input);
    fields.output_path = folder + "my part_rot.nc";
    execute_command(nullptr, fields);
    EXPECT_EQ(input, setting("Pivora", "NCFILE1", folder + "my part.ini"));
    EXPECT_TRUE(bench.job_ran());
}

TEST(DialogFields, FitFieldTextKeepsWholeCharacters) {
    std::string text = "123456789012345678";
    fit_field_text(text, 15);
    EXPECT_EQ("123456789012345", text);
    text = "12345678901234表";  // the double-byte character would straddle the limit
    fit_field_text(text, 15);
    EXPECT_EQ("12345678901234", text);
    text = "表";
    fit_field_text(text, 15);
    EXPECT_EQ("表", text);
}
