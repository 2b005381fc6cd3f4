// The tests every driver makes on a line before it parses it: the coordinate
// plane, and the codes whose lines are copied (or dropped) rather than rotated.
#include <cstring>

#include "nc/word_scanner.h"
#include "rotate/driver_support.h"
#include "shell/message_log.h"

namespace {

// Which buffer a pass-through code is looked for in.
enum SearchedBuffer { RAW_LINE, WORK_COPY };

struct PassThroughCode {
    const char *code;
    SearchedBuffer buffer;  // as the per-machining and copy drivers test it
};

// Lines carrying these codes reach the output as they stand, never rotated.
const PassThroughCode PassThroughCodes[] = {
    {"G28", RAW_LINE},   // return to the reference point
    {"G30", WORK_COPY},  // return to the second reference point
    {"G43", RAW_LINE},   // tool-length compensation +
    {"G44", WORK_COPY},  // tool-length compensation -
    {"G54", RAW_LINE},   // work coordinate system 1
    {"G55", WORK_COPY},  // work coordinate system 2
    {"G56", WORK_COPY},  // work coordinate system 3
    {"G57", WORK_COPY},  // work coordinate system 4
    {"G58", WORK_COPY},  // work coordinate system 5
    {"G59", WORK_COPY},  // work coordinate system 6
    {"G64", WORK_COPY},  // cutting mode
    {"G65", WORK_COPY},  // macro call
    {"G05P", RAW_LINE},  // high-speed machining mode
};

}  // namespace

int find_plane_code(const char *text) {
    if (find_text(text, "G18") >= 0) return 18;
    if (find_text(text, "G19") >= 0) return 19;
    return 0;
}

int refuse_plane(WindowHandle owner, int plane) {
    message_format("ＮＣデータにG%d平面が含まれてます。\n\nG17以外の座標平面はサポート外です。", plane);
    return log_post(owner, -1);
}

int is_whole_program_pass_through(const std::string &work) {
    for (const PassThroughCode &entry : PassThroughCodes) {
        if (find_text(work.c_str(), entry.code) >= 0) return 1;
    }
    return is_non_path_block(work.c_str());
}

int is_machining_pass_through(const std::string &raw, const std::string &work) {
    for (const PassThroughCode &entry : PassThroughCodes) {
        const std::string &searched = entry.buffer == RAW_LINE ? raw : work;
        if (find_text(searched.c_str(), entry.code) >= 0) return 1;
    }
    return is_non_path_block(work.c_str());
}

void write_raw_line(TextWriter &output, const std::string &raw) {
    text_write(output, raw.data(), raw.size());
}

std::string line_without_end(const std::string &raw) {
    // Only a real line end is cut: the last line of a file may have none.
    if (!raw.empty() && raw.back() == '\n') return raw.substr(0, raw.size() - 1);
    return raw;
}

void clear_block_words(BlockState &state) {
    for (int slot = 0; slot < WORD_COUNT; ++slot) {
        state.words.v[slot] = 0.0;
        state.word_present[slot] = 0;
    }
}
