// One conversion from start to end: the control file is read and checked, the
// output is written into a temporary file beside it by one composition driver,
// the tool path of the result is checked against the source, and only then does
// the result take the place of the output. The result is reported with the
// elapsed time, in the log and in the completion box.
#include "job/conversion_job.h"

#include <climits>
#include <cstring>
#include <vector>

#include "job/control_values.h"
#include "job/output_files.h"
#include "nc/number_format.h"
#include "rotate/drivers.h"
#include "settings/program_values.h"
#include "log/message_log.h"

namespace {

const char *const JobSection = "Pivora";
// Paths hold at most 511 bytes, as the dialog's fields and the drivers do.
const size_t PathTextLimit = 511;

// The key's text, read with room for one byte more than the limit, so that a
// value longer than the limit is told from one that fits: it fills the room.
// Returns 1 when the value is longer than the limit, else 0.
int read_key_text(const char *path, const char *section, const char *key, const char *default_value, size_t limit,
                  std::string &text) {
    std::vector<char> value(limit + 2, '\0');
    profile_read_string(section, key, default_value, value.data(), static_cast<unsigned long>(value.size()), path);
    value.back() = '\0';
    text = value.data();
    return text.size() > limit ? 1 : 0;
}

// A value in the words of a message: its meaning and its key, and the settings
// file it comes from when it is not from the control file.
std::string value_name(const char *label, const char *key, const char *settings_path = nullptr) {
    if (settings_path) return text_format("設定ファイル %s の%s（%s）", settings_path, label, key);
    return text_format("%s（%s）", label, key);
}

// At most limit bytes of the text, never half of a double-byte character.
std::string head_of(const std::string &text, size_t limit) {
    size_t at = 0;
    while (at < text.size()) {
        size_t width = is_lead_byte(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
        if (at + width > limit) break;
        at += width;
    }
    return text.substr(0, at);
}

int refuse_long_value(WindowHandle owner, const std::string &name, const std::string &text) {
    message_format("エラー：%sの値が長すぎます（%d文字まで）：%s…", name.c_str(), static_cast<int>(NumberTextLimit),
                   head_of(text, NumberTextLimit + 1).c_str());
    return log_post(owner, -1);
}

// A decimal number read whole (an empty text is the caller's case). 0, or -1
// after the refusal naming the value.
int read_decimal(WindowHandle owner, const std::string &name, const std::string &text, int too_long, double &value) {
    if (too_long) return refuse_long_value(owner, name, text);
    if (parse_decimal_text(text, value) == 0) return 0;
    message_format("エラー：%sの値 %s は数値ではありません。", name.c_str(), text.c_str());
    return log_post(owner, -1);
}

// A whole number read whole (an empty text is the caller's case). 0, or -1
// after the refusal naming the value.
int read_integer(WindowHandle owner, const std::string &name, const std::string &text, int too_long,
                 long long &value) {
    if (too_long) return refuse_long_value(owner, name, text);
    if (parse_integer_text(text, value) == 0) return 0;
    message_format("エラー：%sの値 %s は整数ではありません。", name.c_str(), text.c_str());
    return log_post(owner, -1);
}

int clamp_to_int(long long value) {
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

// The control file is there and can be read: a folder or a file this account
// may not read is named as the control file, not taken for one without keys.
int check_control_file(WindowHandle owner, const char *control_path) {
    if (!file_exists(control_path) && !path_exists(control_path)) {
        message_format("エラー：コントロールファイル %s がありません。", control_path);
        return log_post(owner, -1);
    }
    TextReader probe;
    if (!file_exists(control_path) || text_open_read(probe, control_path) < 0) {
        message_format("エラー：コントロールファイル %s を読み込めません。", control_path);
        return log_post(owner, -1);
    }
    text_close_read(probe);
    return 0;
}

// Steps 2 to 5: the control file, the NC file to convert and the file to write.
int read_file_names(WindowHandle owner, const char *control_path, JobParams &params) {
    if (check_control_file(owner, control_path) < 0) return -1;
    int too_long = read_key_text(control_path, JobSection, "NCFILE1", "", PathTextLimit, params.input_path);
    if (params.input_path.empty()) {
        message_format("エラー：ＮＣファイル名を読み込めません。");
        return log_post(owner, -1);
    }
    if (too_long) {
        message_format("エラー：ＮＣファイル名（NCFILE1）が長すぎます（%dバイトまで）。", static_cast<int>(PathTextLimit));
        return log_post(owner, -1);
    }
    if (!file_exists(params.input_path.c_str())) {
        message_format("エラー：ＮＣファイル %s が存在しません。", params.input_path.c_str());
        return log_post(owner, -1);
    }
    too_long = read_key_text(control_path, JobSection, "NCFILE2", "", PathTextLimit, params.output_path);
    if (params.output_path.empty()) {
        message_format("エラー：出力ＮＣファイル名を指定して下さい。");
        return log_post(owner, -1);
    }
    if (too_long) {
        message_format("エラー：出力ＮＣファイル名（NCFILE2）が長すぎます（%dバイトまで）。",
                       static_cast<int>(PathTextLimit));
        return log_post(owner, -1);
    }
    return 0;
}

// Step 6: the angle, into all three working angles.
int read_angle(WindowHandle owner, const char *control_path, JobParams &params) {
    std::string text;
    int too_long = read_key_text(control_path, JobSection, "ROTANGLE", "", NumberTextLimit, text);
    if (text.empty()) {
        message_format("エラー：回転角度を指定して下さい。");
        return log_post(owner, -1);
    }
    double angle = 0.0;
    if (read_decimal(owner, value_name("回転角度", "ROTANGLE"), text, too_long, angle) < 0) return -1;
    params.angle[0] = params.angle[1] = params.angle[2] = angle;
    return 0;
}

// One centre coordinate as the control file or the settings file names it.
struct CentreKey {
    const char *key;               // in the control file
    const char *fallback_key;      // in section Pivora of the settings file
    const char *label;             // what it is, in messages
    const char *missing_warning;   // posted when the control file lacks it
};

// Steps 7 and 8: one centre coordinate, from the settings file when the control
// file lacks it; either way a number in full and within reach of the machine.
int read_centre_coordinate(WindowHandle owner, const char *control_path, const CentreKey &entry, double &coordinate) {
    std::string text;
    int too_long = read_key_text(control_path, JobSection, entry.key, "", NumberTextLimit, text);
    std::string name = value_name(entry.label, entry.key);
    if (text.empty()) {
        message_format("%s", entry.missing_warning);
        log_post(owner, 2);
        too_long = read_key_text(SettingsPath.c_str(), JobSection, entry.fallback_key, "0", NumberTextLimit, text);
        if (text.empty()) text = "0";
        name = value_name(entry.label, entry.fallback_key, SettingsPath.c_str());
    }
    if (read_decimal(owner, name, text, too_long, coordinate) < 0) return -1;
    if (coordinate_in_range(coordinate)) return 0;
    message_format("エラー：%sの値 %s は範囲外です（-99999.999 から 99999.999 まで）。", name.c_str(), text.c_str());
    return log_post(owner, -1);
}

int read_centre(WindowHandle owner, const char *control_path, JobParams &params) {
    static const CentreKey x_key = {"ROTXCOORD", "XCOORD", "回転中心Ｘ座標", "警　告：回転中心Ｘ座標が指定されてません。"};
    static const CentreKey y_key = {"ROTYCOORD", "YCOORD", "回転中心Ｙ座標", "警　告：回転中心Ｙ座標が指定されてません。"};
    params.centre[2] = 0.0;
    if (read_centre_coordinate(owner, control_path, x_key, params.centre[0]) < 0) return -1;
    return read_centre_coordinate(owner, control_path, y_key, params.centre[1]);
}

// An optional whole number of the control file: its default when absent or empty.
int read_optional_integer(WindowHandle owner, const char *control_path, const char *key, const char *label,
                          long long default_value, long long &value) {
    std::string text;
    int too_long = read_key_text(control_path, JobSection, key, "", NumberTextLimit, text);
    value = default_value;
    if (text.empty()) return 0;
    return read_integer(owner, value_name(label, key), text, too_long, value);
}

// Steps 9 to 11: copy count, keep-source flag (clamped) and composition. The
// count matters only when the source is kept: then it is the number of
// placements, the source and at least one copy, and no more than MostCopies.
int read_copy_parameters(WindowHandle owner, const char *control_path, JobParams &params) {
    std::string text;
    int too_long = read_key_text(control_path, JobSection, "ROTCOUNT", "", NumberTextLimit, text);
    if (text.empty()) {
        message_format("エラー：回転回数を指定して下さい。");
        return log_post(owner, -1);
    }
    long long count = 0;
    if (read_integer(owner, value_name("回転コピー回数", "ROTCOUNT"), text, too_long, count) < 0) return -1;
    long long keep = 0;
    long long composition = 1;
    if (read_optional_integer(owner, control_path, "NCDATAKEEP", "元ＮＣデータ", 0, keep) < 0) return -1;
    if (read_optional_integer(owner, control_path, "ROTTYPE", "コピーの単位", 1, composition) < 0) return -1;
    params.keep_source = keep < 0 ? 0 : (keep > 1 ? 1 : static_cast<int>(keep));
    params.composition = clamp_to_int(composition);
    if (params.keep_source == 1 && (count < FewestCopies || count > MostCopies)) {
        message_format("エラー：回転コピー回数（ROTCOUNT）の値 %s は範囲外です（元ＮＣデータを残すときは %lld から %lld まで）。",
                       text.c_str(), FewestCopies, MostCopies);
        return log_post(owner, -1);
    }
    params.copy_count = clamp_to_int(count);
    return 0;
}

// Steps 2 to 11: every value of the control file, each one checked.
int read_job(WindowHandle owner, const char *control_path, JobParams &params) {
    if (read_file_names(owner, control_path, params) < 0) return -1;
    if (read_angle(owner, control_path, params) < 0) return -1;
    if (read_centre(owner, control_path, params) < 0) return -1;
    return read_copy_parameters(owner, control_path, params);
}

int refuse_output(WindowHandle owner, const char *format, const std::string &output, const std::string &other) {
    message_format(format, output.c_str(), other.c_str());
    return log_post(owner, -1);
}

// The output replaces whatever file it names, so it must not name the input (the
// program would be lost before it is read), the job's control file, the
// settings file or the program itself, by any spelling of the path; and what
// stands there must be a file this account may write.
int check_output_path(WindowHandle owner, const char *control_path, const JobParams &params) {
    const std::string &output = params.output_path;
    const char *out = output.c_str();
    if (same_path(params.input_path.c_str(), out)) {
        message_format("エラー：出力ＮＣファイル %s は変換ＮＣファイルと同じです。", out);
        return log_post(owner, -1);
    }
    if (same_path(control_path, out)) {
        return refuse_output(owner, "エラー：出力ＮＣファイル %s はコントロールファイル %s です。", output, control_path);
    }
    if (!SettingsPath.empty() && same_path(SettingsPath.c_str(), out)) {
        return refuse_output(owner, "エラー：出力ＮＣファイル %s は設定ファイル %s です。", output, SettingsPath);
    }
    std::string program = executable_path();
    if (!program.empty() && same_path(program.c_str(), out)) {
        return refuse_output(owner, "エラー：出力ＮＣファイル %s は実行中のプログラム %s です。", output, program);
    }
    if (path_exists(out) && !file_exists(out)) {
        message_format("エラー：出力ＮＣファイル %s はファイルではありません。", out);
        return log_post(owner, -1);
    }
    if (file_exists(out) && !file_writable(out)) {
        message_format("エラー：出力ＮＣファイル %s 開けません", out);
        return log_post(owner, -1);
    }
    return 0;
}

// 1 when the user asked the job to stop; the temporary output is gone then.
// The window's waiting messages are handled first: a close of the window is
// such a request.
int stopped_by_user(WindowHandle owner, TemporaryOutput *temporary) {
    pump_interface_messages();
    if (!CancelRequested) return 0;
    if (temporary) discard_temporary_output(*temporary);
    message_format("処理を中断しました");
    log_post(owner, 0);
    return 1;
}

void post_summary_text(WindowHandle owner, const char *label, const char *value) {
    message_format("%20s : %s", label, value);
    log_post(owner, 0);
}

// Step 13: seven lines and an empty one; the labels line up on their code page 932 bytes.
void post_job_summary(WindowHandle owner, const JobParams &params) {
    std::string number;
    post_summary_text(owner, "変換ＮＣファイル名", params.input_path.c_str());
    post_summary_text(owner, "出力ＮＣファイル名", params.output_path.c_str());
    format_rounded(params.angle[0], number);
    post_summary_text(owner, "ＸＹ座標回転角度", number.c_str());
    format_rounded(params.centre[0], number);
    post_summary_text(owner, "回転中心Ｘ座標", number.c_str());
    format_rounded(params.centre[1], number);
    post_summary_text(owner, "回転中心Ｙ座標", number.c_str());
    message_format("%20s : %d", "回転コピー回数", params.copy_count);
    log_post(owner, 0);
    post_summary_text(owner, "元ＮＣデータ", params.keep_source == 1 ? "残す" : "削除");
    log_post(owner, 0);
}

// Step 15: the driver that the keep-source flag and the composition select.
int run_driver(WindowHandle owner, TextWriter &output, JobParams &params) {
    const char *input = params.input_path.c_str();
    if (params.keep_source == 1 && params.composition == 1) {
        return rotate_per_machining(owner, output, input, params.angle, params.centre, params.copy_count);
    }
    if (params.keep_source == 1) {
        return rotate_copies(owner, output, input, params.angle, params.centre, params.copy_count);
    }
    return rotate_whole_program(owner, output, input, params.angle, params.centre);
}

// Steps 14 to 17: the driver writes into a temporary output, which is closed
// before anything else looks at it. A write that did not reach the file (a full
// disk) fails the job like any other error; a failed or stopped job deletes it.
int write_temporary_output(WindowHandle owner, JobParams &params, TemporaryOutput &temporary) {
    if (create_temporary_output(owner, params.output_path.c_str(), temporary) < 0) return -1;
    int driven = run_driver(owner, temporary.writer, params);
    int closed = text_close_write(temporary.writer);
    if (stopped_by_user(owner, &temporary)) return -1;
    // A driver stops at a failed write and leaves the report to the stream's owner.
    if (driven < 0 && !temporary.writer.failed) {
        discard_temporary_output(temporary);
        return -1;
    }
    if (closed < 0 || temporary.writer.failed) {
        discard_temporary_output(temporary);
        message_format("エラー：出力ＮＣファイル %s に書き込めません", params.output_path.c_str());
        return log_post(owner, -1);
    }
    return 0;
}

// The parameters of the check: the base angle, which the drivers never change.
CheckParams check_params_of(const JobParams &params) {
    CheckParams check;
    check.angle = params.angle[2];
    check.centre[0] = params.centre[0];
    check.centre[1] = params.centre[1];
    check.copy_count = params.copy_count;
    check.keep_source = params.keep_source;
    check.composition = params.composition;
    return check;
}

// Reads the written program back through the tool-path model and compares its
// motions with those of the source turned as the job says. 0 with the line of
// motions checked, or -1 after the first difference.
int check_tool_path(WindowHandle owner, const JobParams &params, const char *written_path) {
    CheckResult result;
    int checked = check_conversion(params.input_path.c_str(), written_path, check_params_of(params), result);
    if (CancelRequested) return -1;
    if (checked < 0) {
        std::string text;
        check_failure_text(result, text);
        message_format("%s", text.c_str());
        return log_post(owner, -1);
    }
    message_format("工具経路チェック：%lld 動作を確認しました", result.motions_checked);
    log_post(owner, 0);
    return 0;
}

// Steps 18 to 21: the completion lines, and the box unless unattended. The angle
// is the one the driver left, the last copy's for a copy job.
void report_completion(WindowHandle owner, const JobParams &params, uint32_t start_tick) {
    if (ActiveCommandFlags.debug > 0 || ActiveCommandFlags.print == 1) log_post(owner, 0);
    std::string angle;
    format_rounded(params.angle[0], angle);
    message_format("【 完 了 】");
    log_post(owner, 0);
    message_format("ＮＣファイル %s を", params.input_path.c_str());
    log_post(owner, 0);
    message_format("ＮＣファイル %s に", params.output_path.c_str());
    log_post(owner, 0);
    message_format("%s°回転移動しました", angle.c_str());
    log_post(owner, 0);
    int seconds = 0;
    int milliseconds = 0;
    split_elapsed(start_tick, tick_count_ms(), seconds, milliseconds);
    message_format("処理時間は %d.%03d 秒です", seconds, milliseconds);
    log_post(owner, 0);
    if (ActiveCommandFlags.mode != 0) return;
    message_format("【 完 了 】\n\nＮＣファイル %s を\n\nＮＣファイル %s に\n\n%s°回転移動しました\n\n"
                   "処理時間は %d.%03d 秒です\n",
                   params.input_path.c_str(), params.output_path.c_str(), angle.c_str(), seconds, milliseconds);
    show_box(owner, MessageText, BOX_INFORMATION);
    memset(MessageText, 0, sizeof MessageText);
}

}  // namespace

void split_elapsed(uint32_t start_tick, uint32_t end_tick, int &seconds, int &milliseconds) {
    uint32_t elapsed = end_tick - start_tick;
    seconds = static_cast<int>(elapsed / 1000);
    milliseconds = static_cast<int>(elapsed % 1000);
}

void check_failure_text(const CheckResult &result, std::string &text) {
    text = "エラー：工具経路チェック";
    if (result.output_line > 0) text += text_format(" 出力 %d行目", result.output_line);
    text += "：";
    if (result.output_line == 0 && result.found.empty() && !result.expected.empty()) {
        // The check's own reading of the source stopped at a line: it names it.
        text += result.expected;
        return;
    }
    if (!result.expected.empty()) {
        text += result.expected + " が期待されるところ " + (result.found.empty() ? "何もありません" : result.found + " です");
    } else {
        text += result.found.empty() ? "出力が入力と合いません" : result.found;
    }
    if (result.input_line > 0) text += text_format("（入力 %d行目）", result.input_line);
}

int run_job(WindowHandle owner, const char *control_path) {
    CancelRequested = 0;
    JobParams params = {};
    uint32_t start_tick = tick_count_ms();
    const char *control = control_path ? control_path : "";
    if (read_job(owner, control, params) < 0) return -1;
    if (check_output_path(owner, control, params) < 0) return -1;
    if (confirm_overwrite(owner, params.output_path.c_str()) < 0) return -1;
    if (stopped_by_user(owner, nullptr)) return -1;
    post_job_summary(owner, params);
    TemporaryOutput temporary;
    if (write_temporary_output(owner, params, temporary) < 0) return -1;
    if (check_tool_path(owner, params, temporary.path.c_str()) < 0) {
        if (!stopped_by_user(owner, &temporary)) discard_temporary_output(temporary);
        return -1;
    }
    if (stopped_by_user(owner, &temporary)) return -1;
    if (commit_temporary_output(owner, params.output_path.c_str(), temporary) < 0) return -1;
    report_completion(owner, params, start_tick);
    // The output is in place: a viewer that cannot be started has posted its
    // warning and changes nothing about the job's result.
    open_in_viewer(owner, params.output_path.c_str());
    return 0;
}

int check_job_output(WindowHandle owner, const char *control_path) {
    CancelRequested = 0;
    JobParams params = {};
    const char *control = control_path ? control_path : "";
    if (read_job(owner, control, params) < 0) return -1;
    if (!file_exists(params.output_path.c_str())) {
        message_format("エラー：出力ＮＣファイル %s がありません。", params.output_path.c_str());
        return log_post(owner, -1);
    }
    if (check_tool_path(owner, params, params.output_path.c_str()) < 0) {
        stopped_by_user(owner, nullptr);
        return -1;
    }
    return 0;
}
