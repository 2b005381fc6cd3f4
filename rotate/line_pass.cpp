// A pass over program lines: each line is analysed against the source machine,
// then written as its kind says (as it stands, with positions turned in place,
// or again by the block writer), and both machines move on.
#include <cmath>
#include <cstring>
#include <memory>

#include "log/message_log.h"
#include "nc/code_table.h"
#include "rotate/machine_track.h"
#include "rotate/pass.h"
#include "rotate/rotation.h"
#include "rotate/turned_blocks.h"

namespace {

// 1 when the block gives anything the block writer writes again.
int has_handled_content(const ParsedBlock &p) {
    return p.motion >= 0 || p.distance || p.plane || p.cutter >= 0 || p.length == 49 || p.cycle >= 0 ||
           p.cycle_return || p.one_shot == 92 || p.present[WORD_X] || p.present[WORD_Y] ||
           p.present[WORD_Z] || p.present[WORD_I] || p.present[WORD_J] || p.present[WORD_R] ||
           p.has_spindle || p.has_written_m;
}

LineKind classify_line(const NcBlock &block, const ParsedBlock &parsed) {
    if (block.tape_mark) return LINE_TAPE_MARK;
    if (block.program_number) return LINE_PROGRAM_NUMBER;
    if (block.words.empty()) return LINE_EMPTY;
    if (parsed.copied) return LINE_COPIED;
    return has_handled_content(parsed) ? LINE_REWRITTEN : LINE_KEPT;
}

// A line that selects a work offset or a tool length and also moves cannot
// stand in a drilling cycle: the control would drill there.
int check_copied_line(const LineInfo &info, const char *&why) {
    const ParsedBlock &p = info.parsed;
    if (info.kind != LINE_COPIED) return 0;
    if (p.motion >= 2) {
        why = "座標系・工具長補正・基準点復帰の行に円弧は指令できません";
        return -1;
    }
    if (p.cycle > 0 && p.cycle != 80) {
        why = "座標系・工具長補正・基準点復帰の行に固定サイクルは指令できません";
        return -1;
    }
    if (p.one_shot == 92 || p.cutter == 41 || p.cutter == 42) {
        why = "座標系・工具長補正・基準点復帰の行に座標系設定・工具径補正は指令できません";
        return -1;
    }
    if (info.after.cycle != 0 && (p.present[WORD_X] || p.present[WORD_Y] || p.present[WORD_Z])) {
        why = "固定サイクル中に座標系・工具長補正の行で移動できません";
        return -1;
    }
    return 0;
}

// Removes the words [start, end) of the listed words from the line; the rest stays byte for byte.
void cut_words(const char *text, size_t length, const std::vector<const NcWord *> &cut, std::string &out) {
    out.clear();
    size_t at = 0;
    for (const NcWord *word : cut) {
        out.append(text + at, static_cast<size_t>(word->start) - at);
        at = static_cast<size_t>(word->end);
    }
    out.append(text + at, length - at);
}

// The program end words (M02, M30) of a block.
void find_program_end_words(const NcBlock &block, std::vector<const NcWord *> &words) {
    words.clear();
    for (const NcWord &word : block.words) {
        if (word.letter == 'M' && !word.comma && (word.integer == 2 || word.integer == 30)) words.push_back(&word);
    }
}

// 1 when the block holds a word other than N and the ones listed.
int has_other_words(const NcBlock &block, const std::vector<const NcWord *> &listed) {
    for (const NcWord &word : block.words) {
        if (word.letter == 'N' && !word.comma) continue;
        bool is_listed = false;
        for (const NcWord *other : listed) is_listed = is_listed || other == &word;
        if (!is_listed) return 1;
    }
    return 0;
}

void write_text_line(Pass &pass, const char *text, size_t length) { text_write_line(*pass.output, text, length); }

// The line as it stands, without the program end where the composition leaves
// it out. A line left with nothing but its sequence number and comment goes.
void write_line_as_it_stands(Pass &pass, const LineInfo &info) {
    if (pass.drop_program_end && info.parsed.program_end) {
        std::vector<const NcWord *> end_words;
        find_program_end_words(info.block, end_words);
        if (!has_other_words(info.block, end_words)) return;
        std::string kept;
        cut_words(info.text, info.length, end_words, kept);
        write_text_line(pass, kept.data(), kept.size());
        return;
    }
    write_text_line(pass, info.text, info.length);
}

// The output machine follows a line written as it stands: everything but the
// position it leaves to the caller.
void follow_settings(MachineTrack &out, const MachineTrack &after) {
    MachineTrack kept = out;
    out = after;
    for (int axis = 0; axis < 3; ++axis) {
        out.pos[axis] = kept.pos[axis];
        out.known[axis] = kept.known[axis];
    }
}

// Frame lines: the program number and the tape marks, as the composition keeps them.
void write_frame_line(Pass &pass, const LineInfo &info) {
    bool keep = info.kind == LINE_PROGRAM_NUMBER ? pass.keep_head != 0
                                                 : (pass.seen_block ? pass.keep_tail != 0 : pass.keep_head != 0);
    if (keep) write_text_line(pass, info.text, info.length);
}

// A line written as it stands by a pass that writes the source unchanged: the
// output machine is the source machine.
void emit_unchanged(Pass &pass, LineInfo &info) {
    if (info.kind == LINE_TAPE_MARK || info.kind == LINE_PROGRAM_NUMBER) {
        write_frame_line(pass, info);
    } else {
        write_line_as_it_stands(pass, info);
    }
    pass.src = info.after;
    pass.out = info.after;
    for (int axis = 0; axis < 3; ++axis) {
        pass.d[axis] = 0.0;
        pass.d_known[axis] = 1;
    }
    follow_written_line(pass, info);
    if (info.motion == LM_CUT || info.motion == LM_HOLE) pass.fed = 1;
}

// Lines that move nothing: kept codes, blank and comment lines.
void emit_kept(Pass &pass, LineInfo &info) {
    write_line_as_it_stands(pass, info);
    pass.src = info.after;
    follow_settings(pass.out, info.after);
    follow_written_line(pass, info);
}

}  // namespace

void init_pass(Pass &pass, WindowHandle owner, TextWriter &output, const char *input_path,
               const OutputFormat &format, double angle, const double centre[]) {
    pass = Pass{};
    begin_progress();
    pass.owner = owner;
    pass.output = &output;
    pass.input_path = input_path ? input_path : "";
    pass.format = format;
    pass.centre[0] = centre[0];
    pass.centre[1] = centre[1];
    set_pass_angle(pass, angle);
    init_machine_track(pass.src);
    init_machine_track(pass.out);
    init_block_state(pass.writer, -1);
    pass.writer.mode.mode_now = 0;
    pass.writer.mode.mode_written = 0;
    pass.writer.modal.prev_motion = -1;
    pass.writer.modal.motion = -1;
}

void set_pass_angle(Pass &pass, double angle) {
    pass.angle = angle;
    pass.rotated = angle != 0.0;
}

int analyse_line(Pass &pass, const char *text, size_t length, long long number, LineInfo &info) {
    info.number = number;
    info.text = text;
    info.length = length;
    info.motion = LM_NONE;
    info.setup = 0;
    info.has_block = 0;
    info.xy_words = info.z_word = info.arc = info.hole_words = info.holes = 0;
    info.arc_centre_known = 0;
    for (int &forget : info.forgets) forget = 0;
    BlockFault fault;
    if (scan_block(info.text, info.length, info.block, fault) < 0) {
        BlockRefusal refusal;
        refusal.kind = REFUSAL_UNREADABLE;
        refusal.fault = fault;
        return refuse_block(pass, info, refusal);
    }
    BlockRefusal refusal;
    if (parse_block(info.block, info.parsed, refusal) < 0) return refuse_block(pass, info, refusal);
    info.kind = classify_line(info.block, info.parsed);
    if (info.kind == LINE_PROGRAM_NUMBER && info.block.words.size() > 1) {
        return refuse_line(pass, info, "プログラム番号の行に他の指令があります");
    }
    info.has_block = info.kind != LINE_EMPTY && info.kind != LINE_TAPE_MARK;
    if (info.has_block && pass.src.ended) {
        return refuse_line(pass, info, "プログラム終了（M02/M30）の後にブロックがあります");
    }
    if (info.kind == LINE_EMPTY || info.kind == LINE_TAPE_MARK || info.kind == LINE_PROGRAM_NUMBER) {
        info.after = pass.src;  // a line without words leaves the machine as it is
        return 0;
    }
    // read_line_effect starts info.after from the machine before the line.
    const char *why = nullptr;
    if (read_line_effect(pass.src, info, why) < 0) return refuse_line(pass, info, why);
    if (check_copied_line(info, why) < 0) return refuse_line(pass, info, why);
    return 0;
}

int emit_line(Pass &pass, LineInfo &info) {
    int result = 0;
    // Both tools stand where they stood, at coordinates neither program names now.
    for (int axis = 0; axis < 3; ++axis) {
        if (!info.forgets[axis]) continue;
        pass.src.known[axis] = 0;
        pass.out.known[axis] = 0;
    }
    if (pass.write_raw) {
        emit_unchanged(pass, info);
    } else {
        switch (info.kind) {
        case LINE_TAPE_MARK:
        case LINE_PROGRAM_NUMBER:
            write_frame_line(pass, info);
            break;
        case LINE_EMPTY:
        case LINE_KEPT:
            emit_kept(pass, info);
            break;
        case LINE_COPIED:
            result = emit_copied_line(pass, info);
            break;
        case LINE_REWRITTEN:
            result = emit_rewritten_line(pass, info);
            break;
        }
    }
    if (info.has_block) pass.seen_block = 1;
    return result;
}

int write_failed(Pass &pass) { return pass.output->failed ? 1 : 0; }

int run_pass(Pass &pass, TextReader &reader, LineStep step, void *context) {
    const char *text = nullptr;
    size_t length = 0;
    std::unique_ptr<LineInfo> info = std::make_unique<LineInfo>();
    int read = 0;
    while ((read = text_read_view(reader, text, length)) == 1) {
        if (check_interruption(pass.owner, reader.line_number) < 0) return -1;
        if (analyse_line(pass, text, length, reader.line_number, *info) < 0) return -1;
        if ((step ? step(pass, *info, context) : emit_line(pass, *info)) < 0) return -1;
        if (write_failed(pass)) return -1;
    }
    if (read < 0) return refuse_reading(pass.owner, reader, pass.input_path);
    return 0;
}
