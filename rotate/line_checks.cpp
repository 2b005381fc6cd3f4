// The tests every driver makes on a line before it parses it: the coordinate
// plane, and the codes whose lines are copied (or dropped) rather than rotated.
#include <cstring>

#include "nc/code_index.h"
#include "nc/word_scanner.h"
#include "rotate/driver_support.h"
#include "log/message_log.h"

namespace {

// Which buffer a pass-through code is looked for in.
enum SearchedBuffer { RAW_LINE, WORK_COPY };

struct PassThroughCode {
    int code;               // the G code, as its two-digit text "Gnn"
    SearchedBuffer buffer;  // as the per-machining and copy drivers test it
};

// Lines carrying these codes reach the output as they stand, never rotated.
const PassThroughCode PassThroughCodes[] = {
    {28, RAW_LINE},   // G28 return to the reference point
    {30, WORK_COPY},  // G30 return to the second reference point
    {43, RAW_LINE},   // G43 tool-length compensation +
    {44, WORK_COPY},  // G44 tool-length compensation -
    {54, RAW_LINE},   // G54 work coordinate system 1
    {55, WORK_COPY},  // G55 work coordinate system 2
    {56, WORK_COPY},  // G56 work coordinate system 3
    {57, WORK_COPY},  // G57 work coordinate system 4
    {58, WORK_COPY},  // G58 work coordinate system 5
    {59, WORK_COPY},  // G59 work coordinate system 6
    {64, WORK_COPY},  // G64 cutting mode
    {65, WORK_COPY},  // G65 macro call
};
// "G05P", the high-speed machining mode, is tested last, on the raw line.

// Any of the codes above, each in the buffer it is tested on.
int has_pass_through_code(const CodeIndex &raw, const CodeIndex &work) {
    for (const PassThroughCode &entry : PassThroughCodes) {
        const CodeIndex &searched = entry.buffer == RAW_LINE ? raw : work;
        if (index_has_g(searched, entry.code)) return 1;
    }
    return raw.g05p_at >= 0;
}

}  // namespace

int find_plane_code(const char *text) {
    CodeIndex index;
    index_codes(text, index);
    return indexed_plane_code(index);
}

int indexed_plane_code(const CodeIndex &work) {
    if (index_has_g(work, 18)) return 18;
    if (index_has_g(work, 19)) return 19;
    return 0;
}

int refuse_plane(WindowHandle owner, int plane) {
    message_format("ＮＣデータにG%d平面が含まれてます。\n\nG17以外の座標平面はサポート外です。", plane);
    return log_post(owner, -1);
}

int is_whole_program_pass_through(const std::string &work) {
    CodeIndex index;
    index_codes(work.c_str(), index);
    return is_indexed_whole_program_pass_through(index);
}

int is_indexed_whole_program_pass_through(const CodeIndex &work) {
    // This driver tests every code on the work copy.
    if (has_pass_through_code(work, work)) return 1;
    return is_non_path_code(work);
}

int is_machining_pass_through(const std::string &raw, const std::string &work) {
    LineCodes codes;
    index_line(raw, work, codes);
    return is_indexed_machining_pass_through(codes);
}

void index_line(const std::string &raw, const std::string &work, LineCodes &codes) {
    index_codes(raw.c_str(), codes.raw);
    index_codes(work.c_str(), codes.work);
}

int is_indexed_machining_pass_through(const LineCodes &codes) {
    if (has_pass_through_code(codes.raw, codes.work)) return 1;
    return is_non_path_code(codes.work);
}

void write_raw_line(TextWriter &output, const std::string &raw) {
    text_write(output, raw.data(), raw.size());
}

std::string line_without_end(const std::string &raw) {
    // Only a real line end is cut: the last line of a file may have none.
    if (!raw.empty() && raw.back() == '\n') return raw.substr(0, raw.size() - 1);
    return raw;
}

void take_work_copy(const std::string &raw, std::string &work, BlockState &state) {
    work = raw;
    strip_comment(work);
    clear_block_words(state);
}

void clear_block_words(BlockState &state) {
    for (int slot = 0; slot < WORD_COUNT; ++slot) {
        state.words.v[slot] = 0.0;
        state.word_present[slot] = 0;
    }
}
