// The settings dialog's fields: what Pivora.ini shows in them, what each field
// writes back, and the strict reading of a colour text.
#include "shell/settings_fields.h"

#include <climits>
#include <cstdio>
#include <cstdlib>

#include "shell/dialog_state.h"
#include "settings/program_values.h"
#include "log/message_log.h"
#include "shell/startup.h"

// Combo box items of the decimal-point and comment modes.
static const char NoneItem[] = "無し";      // DECIMAL 0, COMMENT 0
static const char WithItem[] = "有り";      // DECIMAL 1, COMMENT 1
static const char ExistingItem[] = "既存";  // DECIMAL -1: each block keeps its own style

static int settings_file_missing(WindowHandle owner) {
    if (file_exists(SettingsPath.c_str())) return 0;
    message_format("エラー：初期設定ファイルがありません");
    log_post(owner, -1);
    return 1;
}

static void read_text(const char *section, const char *key, const char *fallback, unsigned long size,
                      std::string &value) {
    std::string buffer(size, '\0');
    unsigned long length = profile_read_string(section, key, fallback, &buffer[0], size, SettingsPath.c_str());
    value.assign(buffer.data(), length < size ? length : size - 1);
}

static const char *decimal_item(int stored) {
    if (stored == 0) return NoneItem;
    if (stored == 1) return WithItem;
    if (stored == -1 || stored == 2) return ExistingItem;
    return "";
}

static const char *comment_item(int stored) {
    if (stored == 0) return NoneItem;
    if (stored == 1) return WithItem;
    return "";
}

int load_settings_fields(WindowHandle owner, SettingsFields &fields, int mode) {
    if (settings_file_missing(owner)) return -1;
    fields = SettingsFields();
    if (mode < 0) return 0;
    const char *path = SettingsPath.c_str();
    fields.decimal = decimal_item(profile_read_int("FORMAT", "DECIMAL", 2, path));
    fields.comment = comment_item(profile_read_int("FORMAT", "COMMENT", 1, path));
    read_text("FILES", "NCFILE", "ppp", 16, fields.nc_extension);
    read_text("FILES", "OUTPUTFILE", "_new", 16, fields.output_suffix);
    read_text("QUILLO", "NCVIEWER", "", 520, fields.viewer);
    read_text("Pivora", "ANGLE", "90", 16, fields.angle);
    read_text("Pivora", "XCOORD", "0", 16, fields.centre_x);
    read_text("Pivora", "YCOORD", "0", 16, fields.centre_y);
    read_text("COLOR", "WINDOW", "0,50,100", 16, fields.window_color);
    read_text("COLOR", "TEXT", "255,255,0", 16, fields.text_color);
    return 0;
}

static const char *decimal_value(const std::string &item) {
    if (item == NoneItem) return "0";
    if (item == WithItem) return "1";
    return "-1";  // empty and any other text: as in the input
}

static const char *comment_value(const std::string &item) {
    if (item.empty() || item == WithItem) return "1";
    return "0";
}

// One key as the field holds it, cut to what the field's read keeps.
static int write_field(const char *section, const char *key, const std::string &field, size_t limit,
                       const char *when_empty) {
    std::string value = field;
    fit_field_text(value, limit);
    if (value.empty()) value = when_empty;
    return profile_write_string(section, key, value.c_str(), SettingsPath.c_str());
}

// A colour key is written as typed; the colour in use follows it only when it is well-formed.
static int write_color(const char *key, const std::string &field, int rgb[3]) {
    if (!write_field("COLOR", key, field, SETTINGS_TEXT_LIMIT, "")) return 0;
    std::string value = field;
    fit_field_text(value, SETTINGS_TEXT_LIMIT);
    if (parse_rgb_exact(value.c_str(), rgb) != 0) read_colors();
    return 1;
}

static int write_failed(WindowHandle owner) {
    message_format("エラー：初期設定ファイル %s に書き込めません", SettingsPath.c_str());
    return log_post(owner, -1);
}

int save_settings_fields(WindowHandle owner, const SettingsFields &fields) {
    if (settings_file_missing(owner)) return -1;
    const char *path = SettingsPath.c_str();
    const size_t text = SETTINGS_TEXT_LIMIT;
    int written = profile_write_string("FORMAT", "DECIMAL", decimal_value(fields.decimal), path) &&
                  profile_write_string("FORMAT", "COMMENT", comment_value(fields.comment), path) &&
                  write_field("FILES", "NCFILE", fields.nc_extension, text, "ppp") &&
                  write_field("FILES", "OUTPUTFILE", fields.output_suffix, text, "_new") &&
                  write_field("QUILLO", "NCVIEWER", fields.viewer, SETTINGS_VIEWER_LIMIT, "") &&
                  write_field("Pivora", "ANGLE", fields.angle, text, "") &&
                  write_field("Pivora", "XCOORD", fields.centre_x, text, "") &&
                  write_field("Pivora", "YCOORD", fields.centre_y, text, "") &&
                  write_color("WINDOW", fields.window_color, WindowColor) &&
                  write_color("TEXT", fields.text_color, TextColor);
    // A save that did not reach the file must not be reported as done.
    if (!written) return write_failed(owner);
    message_format("設定値を保存しました");
    log_post(owner, 1);
    return 1;
}

static int piece_value(const std::string &piece) {
    long value = strtol(piece.c_str(), nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

int parse_rgb_exact(const char *text, int rgb[3]) {
    std::string value = text ? text : "";
    size_t first = value.find(',');
    size_t second = first == std::string::npos ? first : value.find(',', first + 1);
    if (second == std::string::npos || value.find(',', second + 1) != std::string::npos) {
        message_format("エラー：RGB文字列からRGB整数に変換失敗");
        return log_post(nullptr, -1);
    }
    rgb[0] = piece_value(value.substr(0, first));
    rgb[1] = piece_value(value.substr(first + 1, second - first - 1));
    rgb[2] = piece_value(value.substr(second + 1));
    return 0;
}

int color_field_value(const std::string &field, int rgb[3]) {
    std::string value = field;
    fit_field_text(value, SETTINGS_TEXT_LIMIT);
    if (value.empty()) value = "0,0,0";
    return parse_rgb_exact(value.c_str(), rgb);
}

void color_field_text(unsigned long color, std::string &text) {
    char value[32];
    snprintf(value, sizeof value, "%d,%d,%d", static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
             static_cast<int>((color >> 16) & 0xFF));
    text = value;
}
