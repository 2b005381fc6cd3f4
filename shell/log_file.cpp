// Saving the message log: every line, in order, to Pivora.<extension> beside
// the executable. Failures are told in a box only; the log itself stays as it was.
#include "shell/log_file.h"

#include <cstring>

#include "settings/program_values.h"
#include "log/message_log.h"

void log_file_path(std::string &path) {
    char extension[16] = {0};
    profile_read_string("FILES", "LOGFILE", "", extension, sizeof extension, SettingsPath.c_str());
    path = ExeDirectory + "Pivora." + (extension[0] ? extension : "log");
}

int write_log_file(const char *path, const std::vector<std::string> &lines) {
    TextWriter writer;
    if (text_open_write(writer, path) != 0) return -1;
    for (const std::string &line : lines) {
        text_write(writer, line.data(), line.size());
        text_write(writer, "\n", 1);
    }
    return text_close_write(writer) == 0 ? 0 : -2;
}

// The box of a failed save, shown without adding a line to the log.
static int save_failed(WindowHandle owner) {
    show_box(owner, MessageText, BOX_ERROR);
    memset(MessageText, 0, sizeof MessageText);
    return -1;
}

int log_save_lines(WindowHandle owner, const std::vector<std::string> &lines) {
    if (lines.size() < 1) {
        message_format("エラー：保存するログがありません");
        return save_failed(owner);
    }
    std::string path;
    log_file_path(path);
    int written = write_log_file(path.c_str(), lines);
    if (written == -1) {
        message_format("エラー：ログファイル %s が開けません", path.c_str());
        return save_failed(owner);
    }
    // A file that did not take every line is not a saved log.
    if (written != 0) {
        message_format("エラー：ログファイル %s に書き込めません", path.c_str());
        return save_failed(owner);
    }
    return 0;
}
