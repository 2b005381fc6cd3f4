// Pivora.ini beside the executable: the file as it is created, and the small
// readers for the command flags, the output format and the status-bar time messages.
#include "settings/settings_file.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"

namespace {

struct DefaultEntry {
    const char *section;
    const char *key;
    const char *value;  // nullptr: formed at creation (EDITOR)
};

// Every key of the file in the order it is written when the file is created.
const DefaultEntry DefaultSettings[] = {
    {"FILES", "NCFILE", "ppp"},          // extension in the file-open filter
    {"FILES", "LOGFILE", "log"},         // extension of the saved log
    {"FILES", "TXTFILE", "txt"},         // kept for the user; nothing reads it
    {"FILES", "OUTPUTFILE", "_rot"},     // suffix of the proposed output name
    {"DIALOG", "CURRENTPATH", ""},       // kept for the user
    {"DIALOG", "FILE1", ""},             // kept for the user
    {"DIALOG", "FILE2", ""},             // kept for the user
    {"DIALOG", "FILE3", ""},             // kept for the user
    {"FORMAT", "DECIMAL", "-1"},         // each block keeps its own decimal-point style
    {"FORMAT", "COMMENT", "1"},          // head per-machining copies with their angle
    {"COMMAND", "DEBUG", "0"},           // no diagnostics
    {"COMMAND", "MODE", "0"},            // interactive: completion box, overwrite question
    {"COMMAND", "DELETE", "1"},          // read and kept
    {"COMMAND", "PRINT", "0"},           // no empty line before the completion lines
    {"COMMAND", "OVERWRITE", "1"},       // ask before an existing output is replaced
    {"COMMAND", "WINDOWLOG", "0"},       // delete the job's control file afterwards
    {"COMMAND", "HISTORY", "1"},         // remember the last job
    {"COLOR", "WINDOW", "210,210,210"},  // window background
    {"COLOR", "TEXT", "0,0,0"},          // label texts
    {"QUILLO", "NCVIEWER", ""},          // no viewer started on the result
    {"QUILLO", "EDITOR", nullptr},       // the system's notepad
    {"Pivora", "HELPFILE", ""},          // Pivora.chm
    {"Pivora", "ANGLE", "90"},           // initial angle of the dialog
    {"Pivora", "XCOORD", "0"},           // initial centre X, and the job's fallback
    {"Pivora", "YCOORD", "0"},           // initial centre Y, and the job's fallback
    {"Pivora", "NCDATAKEEP", "1"},       // keep the source program
    {"Pivora", "ROTTYPE", "1"},          // compose per machining
    {"HISTORY", "INPUTFILE", ""},        // the last job, empty until one runs
    {"HISTORY", "OUTPUTFILE", ""},
    {"HISTORY", "ROTANGLE", ""},
    {"HISTORY", "ROTXCOORD", ""},
    {"HISTORY", "ROTYCOORD", ""},
    {"HISTORY", "ROTCOUNT", ""},
    {"HISTORY", "NCDATAKEEP", ""},
    {"HISTORY", "ROTTYPE", ""},
    {"MESSAGE", "TIME000", "夜食の時間です。"},
    {"MESSAGE", "TIME010", "深夜業務、お疲れ様です。"},
    {"MESSAGE", "TIME020", "深夜業務、怪我に注意！"},
    {"MESSAGE", "TIME030", "コヒーブレイク♪"},
    {"MESSAGE", "TIME040", "深夜業務、ミスに注意！"},
    {"MESSAGE", "TIME050", "コヒーブレイク♪"},
    {"MESSAGE", "TIME060", "おはようございます"},
    {"MESSAGE", "TIME070", "朝食です"},
    {"MESSAGE", "TIME080", "朝礼の時間です"},
    {"MESSAGE", "TIME083", "仕事開始、今日も一日頑張ろう！"},
    {"MESSAGE", "TIME100", "コヒーブレイク♪"},
    {"MESSAGE", "TIME113", "もうすぐお昼です。"},
    {"MESSAGE", "TIME120", "ランチタイム♪"},
    {"MESSAGE", "TIME130", "気を引き締めて午後の仕事開始！"},
    {"MESSAGE", "TIME140", "睡魔に襲われる時間です。"},
    {"MESSAGE", "TIME150", "コヒーブレイク♪"},
    {"MESSAGE", "TIME160", "定時まであと少しガンバレ！"},
    {"MESSAGE", "TIME170", "終業時間です"},
    {"MESSAGE", "TIME173", "残業時間、怪我のないように気を付けよう！"},
    {"MESSAGE", "TIME190", "ディナータイム♪"},
    {"MESSAGE", "TIME200", "お腹空いてませんか？"},
    {"MESSAGE", "TIME210", "一日お疲れ様でした"},
    {"MESSAGE", "TIME220", "コヒーブレイク♪"},
    {"MESSAGE", "TIME230", "明日に備えて寝よう！"},
};

// The editor entry: SystemRoot's notepad; an unset SystemRoot leaves the prefix empty.
std::string default_editor_path() {
    const char *system_root = std::getenv("SystemRoot");
    char editor[520];
    snprintf(editor, sizeof editor, "%s\\notepad.exe", system_root ? system_root : "");
    std::string path = editor;
    memset(editor, 0, sizeof editor);
    return path;
}

// Walks the text by characters, so that the trail byte of a double-byte
// character (0x5C in many kanji) is never taken for a separator.
int ends_with_separator(const std::string &text) {
    int last_is_separator = 0;
    for (size_t at = 0; at < text.size();) {
        unsigned char byte = static_cast<unsigned char>(text[at]);
        last_is_separator = byte == '\\' || byte == '/';
        at += is_lead_byte(byte) && at + 1 < text.size() ? 2 : 1;
    }
    return last_is_separator;
}

// ASCII letters compared without regard to case.
int same_text_ignoring_case(const char *a, const char *b) {
    for (;; ++a, ++b) {
        unsigned char ca = static_cast<unsigned char>(*a);
        unsigned char cb = static_cast<unsigned char>(*b);
        if (ca >= 'a' && ca <= 'z') ca = static_cast<unsigned char>(ca - 'a' + 'A');
        if (cb >= 'a' && cb <= 'z') cb = static_cast<unsigned char>(cb - 'a' + 'A');
        if (ca != cb) return 0;
        if (ca == '\0') return 1;
    }
}

}  // namespace

void module_file_path(std::string &path, const char *name) {
    // ExeDirectory is the executable's directory once start-up has fixed it;
    // before that, the executable's own path is taken apart here.
    std::string directory = ExeDirectory;
    if (directory.empty()) {
        PathParts parts;
        split_path(executable_path().c_str(), parts);
        directory = parts.drive + parts.directory;
    }
    path = directory + (name ? name : "");
}

int create_default_settings() {
    const char *path = SettingsPath.c_str();
    if (file_exists(path)) return 0;
    for (const DefaultEntry &entry : DefaultSettings) {
        if (entry.value) {
            profile_write_string(entry.section, entry.key, entry.value, path);
        } else {
            std::string editor = default_editor_path();
            profile_write_string(entry.section, entry.key, editor.c_str(), path);
        }
    }
    return 0;
}

CommandFlags &read_command_flags(CommandFlags &flags) {
    flags = {0, 0, 1, 0, 1};
    std::string path;
    module_file_path(path, "Pivora.ini");
    if (file_exists(path.c_str())) {
        flags.debug = profile_read_int("COMMAND", "DEBUG", 0, path.c_str());
        flags.mode = profile_read_int("COMMAND", "MODE", 0, path.c_str());
        flags.delete_files = profile_read_int("COMMAND", "DELETE", 1, path.c_str());
        flags.print = profile_read_int("COMMAND", "PRINT", 0, path.c_str());
        flags.overwrite = profile_read_int("COMMAND", "OVERWRITE", 1, path.c_str());
    }
    // An unattended caller sets TSYAIDE=1 instead of editing the settings file.
    const char *unattended = std::getenv("TSYAIDE");
    if (unattended && flags.mode == 0 && same_text_ignoring_case(unattended, "1")) flags.mode = 1;
    if (flags.mode == 1) flags.overwrite = 0;
    return flags;
}

void read_output_format(OutputFormat &format) {
    const char *path = SettingsPath.c_str();
    if (!file_exists(path)) {
        format.decimal_mode = -1;
        format.comment_mode = 1;
        return;
    }
    format.decimal_mode = profile_read_int("FORMAT", "DECIMAL", -1, path);
    format.comment_mode = profile_read_int("FORMAT", "COMMENT", 1, path);
}

void time_message_key(int hour, int minute, std::string &key) {
    char text[32];
    snprintf(text, sizeof text, "TIME%02d%d", hour, minute / 10);
    key = text;
}

int read_time_message(std::string &text) {
    DateTimeFields now = {};
    read_local_time(now);
    std::string key;
    time_message_key(now.hour, now.minute, key);
    char message[128];
    memset(message, 0, 4);
    profile_read_string("MESSAGE", key.c_str(), "", message, sizeof message, SettingsPath.c_str());
    message[sizeof message - 1] = '\0';
    text = message[0] ? message : " ";
    return 0;
}

int prepare_settings_paths(const char *exe_directory) {
    ExeDirectory = exe_directory ? exe_directory : "";
    if (!ExeDirectory.empty() && !ends_with_separator(ExeDirectory)) {
#ifdef _WIN32
        ExeDirectory += '\\';
#else
        ExeDirectory += '/';
#endif
    }
    SettingsPath = ExeDirectory + "Pivora.ini";
    create_default_settings();
    return 0;
}
