// One conversion from start to end: the control file is read and checked, the
// output file is made ready, one composition driver writes it, and the result is
// reported with the elapsed time, in the log and in the completion box.
#include "job/conversion_job.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "job/output_files.h"
#include "nc/number_format.h"
#include "rotate/drivers.h"
#include "settings/program_values.h"
#include "log/message_log.h"

namespace {

const char *const JobSection = "Pivora";
// Paths are read with room for 511 bytes; numbers with room for 15 characters.
const size_t PathLimit = 512;
const size_t NumberLimit = 16;

// A key of the control file, cut to limit - 1 bytes as the INI read does.
std::string read_control_text(const char *control_path, const char *key, size_t limit) {
    std::vector<char> value(limit, '\0');
    profile_read_string(JobSection, key, "", value.data(), static_cast<unsigned long>(limit), control_path);
    value.back() = '\0';
    return value.data();
}

// The leading decimal number of the text (sign, digits, point, exponent), 0 when
// there is none. Only decimal notation is taken, so that "inf", "nan" or hex read
// as 0 on every build.
double leading_double(const std::string &text) {
    const char *start = text.c_str();
    while (*start == ' ' || *start == '\t') ++start;
    const char *at = start;
    if (*at == '+' || *at == '-') ++at;
    const char *integer_part = at;
    while (*at >= '0' && *at <= '9') ++at;
    size_t digits = static_cast<size_t>(at - integer_part);
    if (*at == '.') {
        const char *fraction = ++at;
        while (*at >= '0' && *at <= '9') ++at;
        digits += static_cast<size_t>(at - fraction);
    }
    if (digits == 0) return 0.0;
    if (*at == 'e' || *at == 'E') {
        const char *exponent = at + 1;
        if (*exponent == '+' || *exponent == '-') ++exponent;
        if (*exponent >= '0' && *exponent <= '9') {
            at = exponent;
            while (*at >= '0' && *at <= '9') ++at;
        }
    }
    std::string number(start, static_cast<size_t>(at - start));
    return strtod(number.c_str(), nullptr);
}

// The leading decimal integer of the text, 0 when there is none; a number beyond
// the range of int stops at its limit instead of overflowing.
int leading_int(const std::string &text) {
    const char *at = text.c_str();
    while (*at == ' ' || *at == '\t') ++at;
    int negative = *at == '-';
    if (*at == '+' || *at == '-') ++at;
    long long value = 0;
    for (; *at >= '0' && *at <= '9'; ++at) {
        value = value * 10 + (*at - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) return static_cast<int>(-value);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

// Steps 2 to 5: the control file, the NC file to convert and the file to write.
int read_file_names(WindowHandle owner, const char *control_path, JobParams &params) {
    if (!file_exists(control_path)) {
        message_format("エラー：コントロールファイル %s がありません。", control_path);
        return log_post(owner, -1);
    }
    // One byte more than a path may hold tells a path that the read would cut.
    params.input_path = read_control_text(control_path, "NCFILE1", PathLimit + 1);
    if (params.input_path.empty()) {
        message_format("エラー：ＮＣファイル名を読み込めません。");
        return log_post(owner, -1);
    }
    if (params.input_path.size() >= PathLimit) {
        message_format("エラー：ＮＣファイル名が長すぎます。");
        return log_post(owner, -1);
    }
    if (!file_exists(params.input_path.c_str())) {
        message_format("エラー：ＮＣファイル %s が存在しません。", params.input_path.c_str());
        return log_post(owner, -1);
    }
    params.output_path = read_control_text(control_path, "NCFILE2", PathLimit + 1);
    if (params.output_path.empty()) {
        message_format("エラー：出力ＮＣファイル名を指定して下さい。");
        return log_post(owner, -1);
    }
    if (params.output_path.size() >= PathLimit) {
        message_format("エラー：出力ＮＣファイル名が長すぎます。");
        return log_post(owner, -1);
    }
    return 0;
}

// Step 6: the angle, into all three working angles.
int read_angle(WindowHandle owner, const char *control_path, JobParams &params) {
    std::string text = read_control_text(control_path, "ROTANGLE", NumberLimit);
    if (text.empty()) {
        message_format("エラー：回転角度を指定して下さい。");
        return log_post(owner, -1);
    }
    double angle = leading_double(text);
    // 1e999 reads as infinity, which would write "nan" coordinates into the program.
    if (!std::isfinite(angle)) {
        message_format("エラー：回転角度 %s は扱えません。", text.c_str());
        return log_post(owner, -1);
    }
    params.angle[0] = params.angle[1] = params.angle[2] = angle;
    return 0;
}

// Steps 7 and 8: one centre coordinate, from the settings file when the control
// file lacks it.
int read_centre_coordinate(WindowHandle owner, const char *control_path, const char *key,
                           const char *fallback_key, const char *missing_warning, const char *bad_value_error,
                           double &coordinate) {
    std::string text = read_control_text(control_path, key, NumberLimit);
    if (text.empty()) {
        message_format("%s", missing_warning);
        log_post(owner, 2);
        char fallback[NumberLimit] = {};
        profile_read_string(JobSection, fallback_key, "0", fallback, sizeof fallback, SettingsPath.c_str());
        fallback[sizeof fallback - 1] = '\0';
        text = fallback;
    }
    coordinate = leading_double(text);
    if (!std::isfinite(coordinate)) {
        message_format(bad_value_error, text.c_str());
        return log_post(owner, -1);
    }
    return 0;
}

int read_centre(WindowHandle owner, const char *control_path, JobParams &params) {
    params.centre[2] = 0.0;
    if (read_centre_coordinate(owner, control_path, "ROTXCOORD", "XCOORD",
                               "警　告：回転中心Ｘ座標が指定されてません。",
                               "エラー：回転中心Ｘ座標 %s は扱えません。", params.centre[0]) < 0) {
        return -1;
    }
    return read_centre_coordinate(owner, control_path, "ROTYCOORD", "YCOORD",
                                  "警　告：回転中心Ｙ座標が指定されてません。",
                                  "エラー：回転中心Ｙ座標 %s は扱えません。", params.centre[1]);
}

// Steps 9 to 11: copy count, keep-source flag (clamped) and composition.
int read_copy_parameters(WindowHandle owner, const char *control_path, JobParams &params) {
    std::string text = read_control_text(control_path, "ROTCOUNT", NumberLimit);
    if (text.empty()) {
        message_format("エラー：回転回数を指定して下さい。");
        return log_post(owner, -1);
    }
    params.copy_count = leading_int(text);
    int keep = profile_read_int(JobSection, "NCDATAKEEP", 0, control_path);
    params.keep_source = keep < 0 ? 0 : (keep > 1 ? 1 : keep);
    params.composition = profile_read_int(JobSection, "ROTTYPE", 1, control_path);
    return 0;
}

// Opening the output empties it, so an output that is the input itself (by any
// spelling of its path) would lose the program before it is read.
int refuse_output_over_input(WindowHandle owner, const JobParams &params) {
    if (!same_file(params.input_path.c_str(), params.output_path.c_str())) return 0;
    message_format("エラー：出力ＮＣファイル %s は変換ＮＣファイルと同じです。", params.output_path.c_str());
    return log_post(owner, -1);
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

// Steps 14 to 17: the output is open only around the driver. A write that did not
// reach the file (a full disk) fails the job like any other error.
int write_output(WindowHandle owner, JobParams &params) {
    TextWriter output;
    if (text_open_write(output, params.output_path.c_str()) < 0) {
        message_format("エラー：出力ＮＣファイル %s 開けません", params.output_path.c_str());
        return log_post(owner, -1);
    }
    int driven = run_driver(owner, output, params);
    int closed = text_close_write(output);
    if (driven < 0) return -1;
    if (closed < 0 || output.failed) {
        message_format("エラー：出力ＮＣファイル %s に書き込めません", params.output_path.c_str());
        return log_post(owner, -1);
    }
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

int run_job(WindowHandle owner, const char *control_path) {
    JobParams params = {};
    uint32_t start_tick = tick_count_ms();
    const char *control = control_path ? control_path : "";
    if (read_file_names(owner, control, params) < 0) return -1;
    if (read_angle(owner, control, params) < 0) return -1;
    if (read_centre(owner, control, params) < 0) return -1;
    if (read_copy_parameters(owner, control, params) < 0) return -1;
    if (refuse_output_over_input(owner, params) < 0) return -1;
    if (confirm_overwrite(owner, params.output_path.c_str()) < 0) return -1;
    post_job_summary(owner, params);
    if (write_output(owner, params) < 0) return -1;
    report_completion(owner, params, start_tick);
    if (open_in_viewer(owner, params.output_path.c_str()) < 0) return -1;
    return 0;
}
