// Where a job's files go: the proposed output name, the control file beside the
// input, the question before an existing output is replaced, the temporary output
// that replaces it only when whole, the NC viewer on the result, and the clean-up
// of the control file after an interactive job.
#include "job/output_files.h"

#include <cstring>
#include <vector>

#include "nc/word_scanner.h"
#include "settings/program_values.h"
#include "log/message_log.h"

void propose_output_name(const char *input_path, std::string &output, const char *suffix) {
    PathParts parts;
    split_path(input_path ? input_path : "", parts);
    const char *added = suffix ? suffix : "";
    output = parts.drive + parts.directory + parts.name + added;
    // A suffix with its own extension (_r.txt) takes the place of the input's.
    if (find_text(added, ".") < 0) output += parts.extension;
}

void control_file_path(const char *input_path, std::string &output, const char *extension) {
    PathParts parts;
    split_path(input_path ? input_path : "", parts);
    const char *added = extension ? extension : "";
    output = parts.drive + parts.directory + parts.name;
    if (find_text(added, ".") < 0) output += '.';
    output += added;
}

// Asks in a box whether the existing output may be deleted; 1 for Yes.
static int ask_to_replace(WindowHandle owner, const char *output_path) {
    message_format("同じ名前のファイルが存在します。");
    log_post(owner, 0);
    message_format("ファイル %s 削除しますか？", output_path);
    log_post(owner, 0);
    message_format("同じ名前のファイルが存在します。\n\nファイル %s を\n\n削除しますか？", output_path);
    return show_box(owner, MessageText, BOX_QUESTION) == 1;
}

int confirm_overwrite(WindowHandle owner, const char *output_path) {
    if (!output_path || !file_exists(output_path)) return 0;
    // Without OVERWRITE the job simply replaces the file at its end.
    if (ActiveCommandFlags.overwrite != 1) return 0;
    if (!ask_to_replace(owner, output_path)) {
        message_format("処理を中止します");
        log_post(owner, 0);
        return -1;
    }
    memset(MessageText, 0, sizeof MessageText);
    // Nothing is deleted now: a job that fails or is stopped leaves the old file.
    message_format("ファイル %s は変換が終わってから置き換えます。", output_path);
    log_post(owner, 0);
    return 0;
}

namespace {

// Gives up looking for a free temporary name after this many taken ones.
const int FreeNameAttempts = 1000;

// Numbers the temporary outputs of this process, so that two jobs never share one.
unsigned long temporary_counter = 0;

}  // namespace

int create_temporary_output(WindowHandle owner, const char *output_path, TemporaryOutput &temporary) {
    const char *output = output_path ? output_path : "";
    temporary.path.clear();
    // Beside a symbolic link's target, so that the rename replaces the file the
    // link names (as writing through the link did) and stays on one volume.
    temporary.target = file_exists(output) ? full_path(output) : output;
    for (int attempt = 0; attempt < FreeNameAttempts; ++attempt) {
        std::string name = text_format("%s.%lu.%lu.tmp", temporary.target.c_str(), process_id(), ++temporary_counter);
        int created = text_create_write(temporary.writer, name.c_str());
        if (created == 1) continue;
        if (created == 0) temporary.path = name;
        break;
    }
    if (!temporary.path.empty()) return 0;
    message_format("エラー：出力ＮＣファイル %s 開けません", output);
    return log_post(owner, -1);
}

void discard_temporary_output(TemporaryOutput &temporary) {
    if (temporary.writer.file) text_close_write(temporary.writer);
    if (!temporary.path.empty()) file_delete(temporary.path.c_str());
    temporary.path.clear();
}

int commit_temporary_output(WindowHandle owner, const char *output_path, TemporaryOutput &temporary) {
    if (!temporary.path.empty() && file_replace(temporary.path.c_str(), temporary.target.c_str())) {
        temporary.path.clear();
        return 0;
    }
    discard_temporary_output(temporary);
    message_format("エラー：出力ＮＣファイル %s を置き換えられません。元のファイルはそのままです。",
                   output_path ? output_path : "");
    return log_post(owner, -1);
}

void viewer_parameter(const char *output_path, std::string &parameter) {
    parameter = output_path ? output_path : "";
    if (parameter.find(' ') != std::string::npos) parameter = "\"" + parameter + "\"";
}

int open_in_viewer(WindowHandle owner, const char *output_path) {
    const char *settings = SettingsPath.c_str();
    if (!file_exists(settings)) {
        message_format("警　告：プログラム設定ファイルがありません。ＮＣビューワーは起動しません。");
        log_post(owner, 3);
        return -1;
    }
    std::vector<char> viewer(520, '\0');
    profile_read_string("QUILLO", "NCVIEWER", "", viewer.data(), static_cast<unsigned long>(viewer.size()),
                        settings);
    viewer.back() = '\0';
    if (viewer[0] == '\0') return 0;
    if (!file_exists(viewer.data())) {
        message_format("警　告：ＮＣビューワー %s がありません。", viewer.data());
        log_post(owner, 3);
        return -1;
    }
    const char *output = output_path ? output_path : "";
    if (!file_exists(output)) {
        message_format("警　告：ＮＣファイル %s がありません。", output);
        log_post(owner, 3);
        return -1;
    }
    std::string parameter;
    viewer_parameter(output, parameter);
    intptr_t started = shell_execute("open", viewer.data(), parameter.c_str());
    if (started > 32) return 0;
    message_format("警　告：ＮＣビューワー %s でＮＣファイルを描画できません。", viewer.data());
    log_post(owner, 3);
    return -1;
}

int job_file_discard(const char *path) {
    if (!path || !file_exists(path)) return 0;
    if (profile_read_int("COMMAND", "WINDOWLOG", 0, SettingsPath.c_str()) != 0) return 0;
    file_delete(path);
    return 0;
}
