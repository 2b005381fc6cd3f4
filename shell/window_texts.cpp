// The arithmetic behind the main window's angle and count helpers, and the
// texts of its status bar: the clock and the time message of the ten-minute slot.
#include "shell/window_texts.h"

#include <sys/stat.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "nc/number_format.h"
#include "shell/dialog_state.h"
#include "settings/program_values.h"
#include "settings/settings_file.h"
#include "log/message_log.h"

// A field as a read of size bytes gives it: at most size - 1 bytes.
static std::string field_read(const std::string &field, size_t size) {
    std::string text = field;
    fit_field_text(text, size - 1);
    return text;
}

// The integer part of a formed number, held within int.
static int whole_part(const std::string &text) {
    long value = strtol(text.c_str(), nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

int fit_count_to_angle_text(const std::string &angle, std::string &count) {
    std::string text = field_read(angle, 16);
    if (text.empty()) return 0;
    double a = strtod(text.c_str(), nullptr);
    if (a == 0) return 0;
    double quotient = 360 / a;
    // "nan" or a quotient beyond every number leaves the count as it is.
    if (!std::isfinite(quotient)) return 0;
    std::string rounded;
    format_rounded(quotient, rounded);
    char number[16];
    snprintf(number, sizeof number, "%d", whole_part(rounded));
    count = number;
    return 1;
}

int fit_angle_to_count_text(const std::string &count, std::string &angle) {
    std::string text = field_read(count, 16);
    if (text.empty()) return 0;
    double c = strtod(text.c_str(), nullptr);
    if (c == 0) return 0;
    double quotient = 360 / c;
    if (!std::isfinite(quotient)) return 0;
    format_rounded(quotient, angle);
    return 1;
}

// The angle field left with the count empty: the nearest whole count.
static int complete_count(const std::string &angle, std::string &count) {
    if (angle.empty()) return 0;
    double a = strtod(angle.c_str(), nullptr);
    if (a == 0) return 0;
    double quotient = 360 / a;
    if (!std::isfinite(quotient)) return 0;
    char number[400];
    snprintf(number, sizeof number, "%.0f", quotient);
    count = number;
    return 1;
}

// The count field left (or the angle left empty): the whole angle of one step.
static int complete_angle(const std::string &count, std::string &angle) {
    int n = whole_part(count);
    if (n == 0) return 0;
    double step = 360 / n;
    format_trimmed_3f(angle, step, 1);
    return 1;
}

int complete_angle_or_count_text(int mode, std::string &angle, std::string &count) {
    std::string angle_text = field_read(angle, 8);
    std::string count_text = field_read(count, 8);
    if (mode == COMPLETE_ANGLE && count_text.empty()) return complete_count(angle_text, count);
    if (angle_text.empty() && !count_text.empty()) return complete_angle(count_text, angle);
    return 0;
}

int drop_input_file(WindowHandle owner, DialogFields &fields, const char *path) {
    struct stat info;
    if (path && stat(path, &info) == 0 && S_ISDIR(info.st_mode)) {
        message_format("エラー：%s はフォルダです。ＮＣファイルをドロップして下さい", path);
        return log_post(owner, -1);
    }
    return init_dialog_fields(fields, path, 1);
}

int weekday_of(int year, int month, int day) {
    // Sakamoto's method: the Gregorian weekday from the month's offset.
    static const int offsets[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 1 || month > 12) return 0;
    if (month < 3) year -= 1;
    int days = year + year / 4 - year / 100 + year / 400 + offsets[month - 1] + day;
    return ((days % 7) + 7) % 7;
}

void clock_text(const DateTimeFields &now, std::string &text) {
    static const char *const weekdays[7] = {"日", "月", "火", "水", "木", "金", "土"};
    char line[128];
    snprintf(line, sizeof line, "%5d年%2d月%2d日 (%s) %d時%02d分%02d秒", now.year, now.month, now.day,
             weekdays[weekday_of(now.year, now.month, now.day)], now.hour, now.minute, now.second);
    text = line;
}

void time_message_text(const DateTimeFields &now, std::string &text) {
    std::string key;
    time_message_key(now.hour, now.minute, key);
    char message[128] = {0};
    profile_read_string("MESSAGE", key.c_str(), "", message, sizeof message, SettingsPath.c_str());
    message[sizeof message - 1] = '\0';
    text = message[0] ? message : " ";
}
