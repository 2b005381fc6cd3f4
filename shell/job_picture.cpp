// The picture of a finished job. The window remembers its last job's fields and
// the console runner has the job's control file; both are read here with the
// rules the job reads them with, so that the picture shows the conversion that
// was made. A picture that cannot be made is a warning: the job stands.
#include "shell/job_picture.h"

#include <climits>
#include <memory>
#include <vector>

#include "job/control_values.h"
#include "job/conversion_job.h"
#include "log/message_log.h"
#include "settings/program_values.h"
#include "toolpath/svg.h"

namespace {

const char JobSection[] = "Pivora";
// Paths hold at most 511 bytes, as the job reads them.
const size_t PathTextLimit = 511;
// Gives up looking for a free temporary name after this many taken ones.
const int FreeNameAttempts = 100;

// The job's number texts as the control file carries them.
struct JobNumbers {
    std::string angle;
    std::string centre_x;
    std::string centre_y;
    std::string copy_count;
    std::string keep_source;  // empty: 0
    std::string composition;  // empty: 1
};

int warn_value(WindowHandle owner, const char *label, const std::string &text) {
    message_format("警　告：工具経路の図を作れません（%sの値 %s を読めません）。", label, text.c_str());
    log_post(owner, 3);
    return -1;
}

int read_number(WindowHandle owner, const char *label, const std::string &text, double &value) {
    if (text.size() <= NumberTextLimit && parse_decimal_text(text, value) == 0) return 0;
    return warn_value(owner, label, text);
}

int read_whole_number(WindowHandle owner, const char *label, const std::string &text, long long fallback,
                      long long &value) {
    value = fallback;
    if (text.empty()) return 0;
    if (text.size() <= NumberTextLimit && parse_integer_text(text, value) == 0) return 0;
    return warn_value(owner, label, text);
}

int clamp_to_int(long long value) {
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

// The parameters as the job makes them of the texts: NCDATAKEEP clamped to 0..1,
// ROTTYPE 1 per machining and anything else the whole program.
int read_numbers(WindowHandle owner, const JobNumbers &numbers, CheckParams &params) {
    long long count = 0;
    long long keep = 0;
    long long composition = 1;
    if (read_number(owner, "回転角度", numbers.angle, params.angle) < 0) return -1;
    if (read_number(owner, "回転中心Ｘ座標", numbers.centre_x, params.centre[0]) < 0) return -1;
    if (read_number(owner, "回転中心Ｙ座標", numbers.centre_y, params.centre[1]) < 0) return -1;
    if (numbers.copy_count.empty()) return warn_value(owner, "回転コピー回数", numbers.copy_count);
    if (read_whole_number(owner, "回転コピー回数", numbers.copy_count, 0, count) < 0) return -1;
    if (read_whole_number(owner, "元ＮＣデータ", numbers.keep_source, 0, keep) < 0) return -1;
    if (read_whole_number(owner, "コピーの単位", numbers.composition, 1, composition) < 0) return -1;
    params.copy_count = clamp_to_int(count);
    params.keep_source = keep < 0 ? 0 : (keep > 1 ? 1 : static_cast<int>(keep));
    params.composition = clamp_to_int(composition);
    return 0;
}

// A key's text; 1 when it is longer than the limit.
int read_key(const char *path, const char *key, const char *fallback, size_t limit, std::string &text) {
    std::vector<char> value(limit + 2, '\0');
    profile_read_string(JobSection, key, fallback, value.data(), static_cast<unsigned long>(value.size()), path);
    value.back() = '\0';
    text = value.data();
    return text.size() > limit ? 1 : 0;
}

int read_path_key(WindowHandle owner, const char *control_path, const char *key, std::string &path) {
    if (read_key(control_path, key, "", PathTextLimit, path) == 0 && !path.empty()) return 0;
    message_format("警　告：工具経路の図を作れません（コントロールファイル %s の %s を読めません）。", control_path, key);
    log_post(owner, 3);
    return -1;
}

// A centre coordinate the control file lacks comes from Pivora.ini, as in the job.
void read_centre_key(const char *control_path, const char *key, const char *fallback_key, std::string &text) {
    read_key(control_path, key, "", NumberTextLimit + 1, text);
    if (!text.empty()) return;
    read_key(SettingsPath.c_str(), fallback_key, "0", NumberTextLimit + 1, text);
    if (text.empty()) text = "0";
}

// The check's result in the job's words; a difference as the job's error line
// names it, without the error's heading.
void check_words(const Picture &picture, std::string &text) {
    if (picture.check_status == 0) {
        text = text_format("一致（%lld 動作を確認しました）", picture.check.motions_checked);
        return;
    }
    check_failure_text(picture.check, text);
    const std::string heading = "エラー：工具経路チェック";
    if (text.compare(0, heading.size(), heading) == 0) text = "相違" + text.substr(heading.size());
}

// Writes the SVG into a new file beside the target; 0 with its name, or -1.
int write_temporary_svg(const Picture &picture, const char *svg_path, std::string &temporary) {
    for (int attempt = 1; attempt <= FreeNameAttempts; ++attempt) {
        temporary = text_format("%s.%lu.%d.tmp", svg_path, process_id(), attempt);
        TextWriter writer;
        int created = text_create_write(writer, temporary.c_str());
        if (created == 1) continue;
        if (created < 0) break;
        write_picture_svg(writer, picture);
        int closed = text_close_write(writer);
        if (closed == 0 && !writer.failed) return 0;
        file_delete(temporary.c_str());
        break;
    }
    temporary.clear();
    return -1;
}

int warn_svg(WindowHandle owner, const char *svg_path, const char *why) {
    message_format("警　告：工具経路の図 %s を書き込めません（%s）。", svg_path, why);
    log_post(owner, 3);
    return -1;
}

// A field as the job reads it back from the control file Execute writes: the
// profile functions drop blanks at its ends and one pair of enclosing quotes.
std::string as_read_back(const std::string &field) {
    const char *blanks = " \t\r\n\v\f";
    size_t first = field.find_first_not_of(blanks);
    if (first == std::string::npos) return std::string();
    std::string value = field.substr(first, field.find_last_not_of(blanks) - first + 1);
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

}  // namespace

int job_picture_from_fields(WindowHandle owner, const DialogFields &fields, JobPicture &job) {
    job.input_path = as_read_back(fields.input_path);
    job.output_path = as_read_back(fields.output_path);
    JobNumbers numbers;
    numbers.angle = as_read_back(fields.angle);
    numbers.centre_x = as_read_back(fields.centre_x);
    numbers.centre_y = as_read_back(fields.centre_y);
    numbers.copy_count = as_read_back(fields.copy_count);
    numbers.keep_source = fields.keep_source ? "1" : "0";
    numbers.composition = fields.whole_checked ? "0" : "1";
    return read_numbers(owner, numbers, job.params);
}

int read_job_picture(WindowHandle owner, const char *control_path, JobPicture &job) {
    if (read_path_key(owner, control_path, "NCFILE1", job.input_path) < 0) return -1;
    if (read_path_key(owner, control_path, "NCFILE2", job.output_path) < 0) return -1;
    JobNumbers numbers;
    read_key(control_path, "ROTANGLE", "", NumberTextLimit + 1, numbers.angle);
    read_centre_key(control_path, "ROTXCOORD", "XCOORD", numbers.centre_x);
    read_centre_key(control_path, "ROTYCOORD", "YCOORD", numbers.centre_y);
    read_key(control_path, "ROTCOUNT", "", NumberTextLimit + 1, numbers.copy_count);
    read_key(control_path, "NCDATAKEEP", "", NumberTextLimit + 1, numbers.keep_source);
    read_key(control_path, "ROTTYPE", "", NumberTextLimit + 1, numbers.composition);
    return read_numbers(owner, numbers, job.params);
}

int build_job_picture(WindowHandle owner, const JobPicture &job, Picture &picture) {
    if (build_picture(job.input_path.c_str(), job.output_path.c_str(), job.params, nullptr, picture) < 0) {
        const std::string &missing = file_exists(job.input_path.c_str()) ? job.output_path : job.input_path;
        message_format("警　告：工具経路の図を作れません（ＮＣファイル %s を読み込めません）。", missing.c_str());
        log_post(owner, 3);
    return -1;
    }
    std::string text;
    check_words(picture, text);
    set_picture_check_text(picture, text.c_str());
    return 0;
}

int write_job_svg(WindowHandle owner, const JobPicture &job, const char *svg_path) {
    if (same_path(svg_path, job.input_path.c_str()) || same_path(svg_path, job.output_path.c_str())) {
        return warn_svg(owner, svg_path, "ＮＣファイルと同じです");
    }
    if (path_exists(svg_path) && !file_exists(svg_path)) return warn_svg(owner, svg_path, "ファイルではありません");
    std::unique_ptr<Picture> picture(new Picture());
    if (build_job_picture(owner, job, *picture) < 0) return -1;
    std::string temporary;
    if (write_temporary_svg(*picture, svg_path, temporary) < 0) return warn_svg(owner, svg_path, "書き込みに失敗しました");
    if (!file_replace(temporary.c_str(), svg_path)) {
        file_delete(temporary.c_str());
        return warn_svg(owner, svg_path, "置き換えられません");
    }
    message_format("工具経路の図 %s を書き込みました", svg_path);
    log_post(owner, 0);
    return 0;
}
