// Job fields of the main window: filling them for a new input file, loading the
// last job back, and the Execute command that turns them into a control file
// and runs the conversion on it.
#include "shell/dialog_state.h"

#include <cstdlib>
#include <cstdio>

#include "job/conversion_job.h"
#include "job/output_files.h"
#include "settings/program_values.h"
#include "log/message_log.h"

// The section every control file holds, and nothing else.
static const char CONTROL_SECTION[] = "Pivora";

void fit_field_text(std::string &text, size_t limit) {
    size_t at = 0;
    while (at < text.size()) {
        size_t width = is_lead_byte(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
        if (at + width > limit) break;
        at += width;
    }
    text.resize(at);
}

// A string key of Pivora.ini read with its limit (terminator counted) and an empty default.
static void read_setting(const char *section, const char *key, unsigned long limit, std::string &value) {
    std::string buffer(limit, '\0');
    unsigned long length = profile_read_string(section, key, "", &buffer[0], limit, SettingsPath.c_str());
    value.assign(buffer.data(), length < limit ? length : limit - 1);
}

static void read_setting_or(const char *section, const char *key, const char *fallback, std::string &value) {
    read_setting(section, key, 16, value);
    if (value.empty()) value = fallback;
}

static void check_composition(DialogFields &fields, int rottype) {
    fields.whole_checked = rottype == 0;
    fields.per_machining_checked = rottype != 0;
}

int init_dialog_fields(DialogFields &fields, const char *input_path, int mode) {
    if (mode < 0 || !input_path) {
        fields.input_path.clear();
        fields.output_path.clear();
        fields.angle.clear();
        fields.centre_x.clear();
        fields.centre_y.clear();
        fields.copy_count.clear();
        return 0;
    }
    fields.input_path = input_path;
    std::string suffix;
    read_setting_or("FILES", "OUTPUTFILE", "_new", suffix);
    propose_output_name(input_path, fields.output_path, suffix.c_str());
    read_setting_or("Pivora", "ANGLE", "90", fields.angle);
    read_setting_or("Pivora", "XCOORD", "0", fields.centre_x);
    read_setting_or("Pivora", "YCOORD", "0", fields.centre_y);
    // The copy count is always proposed as 2, whatever the settings file says.
    fields.copy_count = "2";
    fields.keep_source = profile_read_int("Pivora", "NCDATAKEEP", 0, SettingsPath.c_str()) != 0;
    check_composition(fields, profile_read_int("Pivora", "ROTTYPE", 0, SettingsPath.c_str()));
    return 0;
}

// A history text replaces its field only when it holds something.
static void restore_text(const char *key, unsigned long limit, std::string &field) {
    std::string value;
    read_setting("HISTORY", key, limit, value);
    if (!value.empty()) field = value;
}

int load_history(DialogFields &fields) {
    if (profile_read_int("COMMAND", "HISTORY", 0, SettingsPath.c_str()) != 1) return 0;
    restore_text("INPUTFILE", 520, fields.input_path);
    restore_text("OUTPUTFILE", 520, fields.output_path);
    restore_text("ROTANGLE", 16, fields.angle);
    restore_text("ROTXCOORD", 16, fields.centre_x);
    restore_text("ROTYCOORD", 16, fields.centre_y);
    restore_text("ROTCOUNT", 16, fields.copy_count);
    fields.keep_source = profile_read_int("HISTORY", "NCDATAKEEP", 0, SettingsPath.c_str()) != 0;
    check_composition(fields, profile_read_int("HISTORY", "ROTTYPE", 0, SettingsPath.c_str()));
    return 0;
}

// ---------------------------------------------------------------------------
// Execute

// What one job is made of, as the control file receives it.
struct JobTexts {
    std::string input_path;
    std::string output_path;
    std::string angle;
    std::string centre_x;
    std::string centre_y;
    std::string copy_count;
    char keep_source[16];
    const char *composition;
    std::string control_path;
};

static int fail(WindowHandle owner) { return log_post(owner, -1); }

// The fields as they are: a path that the control file cannot carry whole is
// refused here, a number the job refuses (too long, not a number in full) is
// named by the job; nothing is cut.
static int read_job_fields(WindowHandle owner, const DialogFields &fields, JobTexts &job) {
    job.input_path = fields.input_path;
    job.output_path = fields.output_path;
    job.angle = fields.angle;
    job.centre_x = fields.centre_x;
    job.centre_y = fields.centre_y;
    job.copy_count = fields.copy_count;

    if (job.input_path.empty()) {
        message_format("エラー：入力ＮＣファイル名を入力して下さい");
        return fail(owner);
    }
    if (job.input_path.size() > JOB_PATH_LIMIT) {
        message_format("エラー：入力ＮＣファイル名が長すぎます（%dバイトまで）", static_cast<int>(JOB_PATH_LIMIT));
        return fail(owner);
    }
    if (!file_exists(job.input_path.c_str())) {
        message_format("エラー：ＮＣファイル %s が見つかりません", job.input_path.c_str());
        return fail(owner);
    }
    if (job.output_path.empty()) {
        message_format("エラー：出力ＮＣファイル名を入力して下さい");
        return fail(owner);
    }
    if (job.output_path.size() > JOB_PATH_LIMIT) {
        message_format("エラー：出力ＮＣファイル名が長すぎます（%dバイトまで）", static_cast<int>(JOB_PATH_LIMIT));
        return fail(owner);
    }
    if (job.angle.empty()) {
        message_format("エラー：回転角度を入力して下さい");
        return fail(owner);
    }
    if (job.centre_x.empty()) {
        message_format("エラー：回転中心Ｘ座標を入力して下さい");
        return fail(owner);
    }
    if (job.centre_y.empty()) {
        message_format("エラー：回転中心Ｙ座標を入力して下さい");
        return fail(owner);
    }
    if (job.copy_count.empty()) {
        message_format("エラー：回転コピー回数を入力して下さい");
        return fail(owner);
    }
    return 0;
}

// The check box says whether the source is kept; with it clear the count is not
// used, and the job checks the count of a kept source.
static void derive_job_flags(const DialogFields &fields, JobTexts &job) {
    snprintf(job.keep_source, sizeof job.keep_source, "%d", fields.keep_source ? 1 : 0);
    job.composition = fields.whole_checked ? "0" : "1";
}

static int names_one_file(const std::string &a, const std::string &b) {
    return same_name(a, b) || same_file(a.c_str(), b.c_str());
}

static void trim_blanks(std::string &text) {
    size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        text.clear();
        return;
    }
    size_t last = text.find_last_not_of(" \t\r\n");
    text = text.substr(first, last - first + 1);
}

// A leftover control file holds section Pivora with its key lines and blank
// lines, nothing else; any other content belongs to someone else.
static int holds_only_control_section(const char *path) {
    TextReader reader;
    if (text_open_read(reader, path) != 0) return 0;
    int in_control_section = 0;
    int ours = 1;
    std::string line;
    int read = 0;
    while (ours && (read = text_read_line(reader, line)) == 1) {
        trim_blanks(line);
        if (line.empty()) continue;
        if (line[0] == '[') {
            size_t close = line.find(']');
            std::string name = close == std::string::npos ? std::string() : line.substr(1, close - 1);
            trim_blanks(name);
            in_control_section = same_name(name, CONTROL_SECTION);
            ours = in_control_section && line.find_first_not_of(" \t", close + 1) == std::string::npos;
        } else {
            ours = in_control_section && line[0] != ';' && line.find('=') != std::string::npos;
        }
    }
    text_close_read(reader);
    // A file that does not read to its end (a NUL, data after a Ctrl-Z) is no
    // file this program wrote.
    return ours && read == 0;
}

// The control file's path beside the input, and the files it must never be.
static int place_control_file(WindowHandle owner, JobTexts &job) {
    control_file_path(job.input_path.c_str(), job.control_path, "ini");
    if (names_one_file(job.control_path, job.input_path)) {
        message_format("エラー：入力ＮＣファイル %s はコントロールファイルと同じ名前です（拡張子 .ini のファイルは変換できません）",
                       job.input_path.c_str());
        return fail(owner);
    }
    if (names_one_file(job.control_path, job.output_path)) {
        message_format("エラー：出力ＮＣファイル %s はコントロールファイルと同じ名前です", job.output_path.c_str());
        return fail(owner);
    }
    if (!file_exists(job.control_path.c_str())) return 0;
    if (!holds_only_control_section(job.control_path.c_str())) {
        message_format("エラー：ファイル %s はコントロールファイルではありません。移動するか名前を変えて下さい",
                       job.control_path.c_str());
        return fail(owner);
    }
    // A leftover of an earlier job is replaced whole, so that no stale key survives.
    if (!file_delete(job.control_path.c_str())) {
        message_format("エラー：コントロールファイル %s を書き込めません", job.control_path.c_str());
        return fail(owner);
    }
    return 0;
}

static int write_control_file(WindowHandle owner, const JobTexts &job) {
    const char *path = job.control_path.c_str();
    const char *keys[8][2] = {
        {"NCFILE1", job.input_path.c_str()}, {"NCFILE2", job.output_path.c_str()},
        {"ROTANGLE", job.angle.c_str()},     {"ROTXCOORD", job.centre_x.c_str()},
        {"ROTYCOORD", job.centre_y.c_str()}, {"ROTCOUNT", job.copy_count.c_str()},
        {"NCDATAKEEP", job.keep_source},     {"ROTTYPE", job.composition},
    };
    int written = 1;
    for (auto &key : keys) {
        if (!profile_write_string(CONTROL_SECTION, key[0], key[1], path)) {
            written = 0;
            break;
        }
    }
    if (written && file_exists(path)) return 0;
    job_file_discard(path);
    message_format("エラー：コントロールファイル %s を書き込めません", path);
    return fail(owner);
}

// The history records the job before it runs, whether or not it succeeds. A
// settings file that cannot take it costs only the history: a warning, and the
// job goes on.
static void write_history(WindowHandle owner, const JobTexts &job) {
    if (profile_read_int("COMMAND", "HISTORY", 0, SettingsPath.c_str()) != 1) return;
    const char *path = SettingsPath.c_str();
    const char *keys[8][2] = {
        {"INPUTFILE", job.input_path.c_str()}, {"OUTPUTFILE", job.output_path.c_str()},
        {"ROTANGLE", job.angle.c_str()},       {"ROTXCOORD", job.centre_x.c_str()},
        {"ROTYCOORD", job.centre_y.c_str()},   {"ROTCOUNT", job.copy_count.c_str()},
        {"NCDATAKEEP", job.keep_source},       {"ROTTYPE", job.composition},
    };
    for (auto &key : keys) {
        if (profile_write_string("HISTORY", key[0], key[1], path)) continue;
        message_format("警　告：設定ファイル %s に履歴（HISTORY）を書き込めません。", path);
        log_post(owner, 2);
        return;
    }
}

int execute_command(WindowHandle owner, DialogFields &fields) {
    JobTexts job;
    if (read_job_fields(owner, fields, job) != 0) return -1;
    derive_job_flags(fields, job);
    if (place_control_file(owner, job) != 0) return -1;
    if (write_control_file(owner, job) != 0) return -1;
    write_history(owner, job);
    int result = run_job(owner, job.control_path.c_str());
    job_file_discard(job.control_path.c_str());
    if (result == 0) init_dialog_fields(fields, nullptr, -1);
    return result;
}
