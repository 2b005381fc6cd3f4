// Start-up of the program: where it runs, its settings file, colours and help
// file, the help forms of the command line, and the banner and fixed texts
// (title, notice, about box, support table) that carry the version.
#include "shell/startup.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "settings/program_values.h"
#include "settings/settings_file.h"
#include "log/message_log.h"
#include "shell/utilities.h"

// ---------------------------------------------------------------------------
// Process-wide values

void format_notice_line(std::string &line) {
    line = text_format("Copyright (C) %d-%d %s. All Rights Reserved.", MakerFirstYear, ProgramVersion.year, MakerName);
}

int prepare_startup() {
    PathParts parts;
    split_path(executable_path().c_str(), parts);
    std::string directory = parts.drive + parts.directory;
    prepare_settings_paths(directory.c_str());
    format_notice_line(NoticeLine);
    read_colors();
    read_help_file_name();
    return 0;
}

void read_help_file_name() {
    char help[32] = {0};
    profile_read_string("Pivora", "HELPFILE", "", help, sizeof help, SettingsPath.c_str());
    HelpFileName = help[0] ? help : text_format("%s.chm", "Pivora");
}

// The standard conversion of a piece: its leading integer, 0 without digits,
// held within int however many digits it has.
static int leading_int(const char *text) {
    long value = strtol(text, nullptr, 10);
    if (value > 2147483647L) return 2147483647;
    if (value < -2147483647L - 1) return -2147483647 - 1;
    return static_cast<int>(value);
}

int parse_rgb(const char *text, int rgb[3]) {
    std::string pieces = text ? text : "";
    int stored = 0;
    size_t at = 0;
    while (stored < 3 && at < pieces.size()) {
        size_t comma = pieces.find(',', at);
        if (comma == std::string::npos) comma = pieces.size();
        // Adjacent commas make no piece, as a tokenizer sees them.
        if (comma > at) rgb[stored++] = leading_int(pieces.substr(at, comma - at).c_str());
        at = comma + 1;
    }
    return stored;
}

unsigned long color_value(const int rgb[3]) {
    return (static_cast<unsigned long>(rgb[0]) & 0xFF) | ((static_cast<unsigned long>(rgb[1]) & 0xFF) << 8) |
           ((static_cast<unsigned long>(rgb[2]) & 0xFF) << 16);
}

// One colour key: the defaults, then whatever pieces the value supplies.
static void read_color(const char *key, const int defaults[3], int rgb[3], const char *warning) {
    rgb[0] = defaults[0];
    rgb[1] = defaults[1];
    rgb[2] = defaults[2];
    char value[16] = {0};
    profile_read_string("COLOR", key, "", value, sizeof value, SettingsPath.c_str());
    if (!value[0]) return;
    int count = parse_rgb(value, rgb);
    if (count == 3) return;
    message_format(warning, count);
    show_box(nullptr, MessageText, BOX_WARNING);
    memset(MessageText, 0, sizeof MessageText);
}

int read_colors() {
    static const int window_default[3] = {135, 215, 215};
    static const int text_default[3] = {0, 0, 0};
    memset(MessageText, 0, sizeof MessageText);
    read_color("WINDOW", window_default, WindowColor, "エラー[%d]：ウインドウ色の取り出しに失敗しました。");
    read_color("TEXT", text_default, TextColor, "エラー[%d]：テキスト色の取り出しに失敗しました。");
    return 0;
}

// ---------------------------------------------------------------------------
// Command line

static int same_ascii_ignoring_case(const char *a, const char *b) {
    for (; *a && *b; ++a, ++b) {
        char x = *a >= 'A' && *a <= 'Z' ? static_cast<char>(*a - 'A' + 'a') : *a;
        char y = *b >= 'A' && *b <= 'Z' ? static_cast<char>(*b - 'A' + 'a') : *b;
        if (x != y) return 0;
    }
    return *a == *b;
}

int help_form(int argc, const char *const *argv) {
    if (argc != 2 || !argv || !argv[1]) return HELP_NONE;
    const char *argument = argv[1];
    if (same_ascii_ignoring_case(argument, "?") || same_ascii_ignoring_case(argument, "/?")) return HELP_USAGE;
    if (same_ascii_ignoring_case(argument, "help") || same_ascii_ignoring_case(argument, "/help")) return HELP_FILE;
    return HELP_NONE;
}

int open_help_file() {
    std::string path = ExeDirectory + HelpFileName;
    if (!file_exists(path.c_str())) {
        show_box(nullptr, "ヘルプファイルが見つかりません", BOX_ERROR);
        return 0;
    }
    shell_execute("open", path.c_str(), nullptr);
    return 0;
}

// ---------------------------------------------------------------------------
// Banner and fixed texts

static std::string version_text() {
    return text_format("%dR%d.%02d", ProgramVersion.year, ProgramVersion.release, ProgramVersion.revision);
}

void format_window_title(std::string &title) {
    title = text_format("%s %s　%s　%s / %s", "TSYQUILLO", "Pivora", version_text().c_str(), "ＮＣデータ回転移動", MakerName);
}

void banner_lines(const DateTimeFields &now, const char *host, const char *address, const char *user,
                  std::vector<std::string> &lines) {
    const std::string rule(69, '-');
    lines.clear();
    lines.push_back(text_format("%-50s%s", "ＮＣデータ編集アプリケーション", "Windows 7/10"));
    lines.push_back(text_format("%-50sVersion %s", "　ＮＣデータ回転移動", version_text().c_str()));
    lines.push_back(text_format("　　%s", NoticeLine.c_str()));
    lines.push_back(rule);
    lines.push_back(text_format("只今日時：%d年 %d月 %d日 %d時 %d分", now.year, now.month, now.day, now.hour, now.minute));
    lines.push_back(text_format("ホスト名：%s", host));
    lines.push_back(text_format("アドレス：%s", address));
    lines.push_back(text_format("ユーザー：%s", user));
    lines.push_back(rule);
}

int post_banner(WindowHandle owner) {
    DateTimeFields now = {};
    read_local_time(now);
    std::string host, address, user;
    computer_name(host);
    host_address(address);
    user_name(user);
    mask_identity(host);
    mask_identity(address);
    mask_identity(user);
    std::vector<std::string> lines;
    banner_lines(now, host.c_str(), address.c_str(), user.c_str(), lines);
    for (const std::string &line : lines) {
        message_format("%s", line.c_str());
        log_post(owner, 0);
    }
    return 0;
}

void version_box_texts(const char *description, const char *product, std::string &application,
                       std::string &notice) {
    application = text_format("%s／%s#%s Version %s [Build Date %d/%d/%d]", description, MakerName, product,
                         version_text().c_str(), ProgramVersion.year, ProgramVersion.build_month,
                         ProgramVersion.build_day);
    notice = text_format("Copyright (C) %d-%d %s", MakerFirstYear, ProgramVersion.year, MakerName);
    if (notice.size() > 127) notice.resize(127);
}

void support_rows(std::vector<std::string> &labels, std::vector<std::string> &values) {
    const ProgramVersionInfo &v = ProgramVersion;
    int build_number = v.build_month * 100 + v.build_day + v.year;
    labels = {"開 発 元", "ソフトウェア名", "バージョン", "Build Date", "ホームページ", "著 作 権"};
    values = {
        MakerName,
        text_format("%s %d", "Pivora", v.year),
        text_format("%dR%d.%02d.%d", v.year, v.release, v.revision, build_number),
        text_format("%d/%02d/%02d", v.year, v.build_month, v.build_day),
        MakerHomePage,
        NoticeLine,
    };
}
