// Words that mean something only beside certain codes: a P, Q, K or L, a
// corner word, two M codes that contradict each other. Controls answer such a
// block differently (an alarm, a word taken for another code, nothing), so a
// block whose every word has no one role is no block to turn.
#include "rotate/machine_track.h"

namespace {

// The codes of the block that take its P; more than one cannot share it.
int count_p_owners(const ParsedBlock &p, bool drills) {
    return (p.one_shot == 4) + (p.one_shot == 10) + (p.one_shot == 30) + (p.work_offset == 541) + p.p_mode +
           drills;
}

int check_p(const ParsedBlock &p, bool drills, const char *&why) {
    if (!p.has_p) return 0;
    int owners = count_p_owners(p, drills);
    if (owners == 0) {
        why = "Pはこの行では使えません（G04、固定サイクル、G10、G30、G54.1、G05、G08の語です）";
        return -1;
    }
    if (owners > 1) {
        why = "Pが同じ行の二つの指令にかかります";
        return -1;
    }
    if (p.one_shot == 4 && p.present[WORD_X]) {
        why = "G04にXとPが両方あります";
        return -1;
    }
    if (p.work_offset == 541 && (p.p < 1 || p.p > 300)) {
        why = "G54.1にはP1～P300が要ります";
        return -1;
    }
    return 0;
}

// Spindle, coolant, stops: one of each kind per block, and coolant not on and off at once.
int check_m_codes(const ParsedBlock &p, const char *&why) {
    int spindle = p.written_m[3] + p.written_m[4] + p.written_m[5];
    int stops = p.written_m[0] + p.written_m[1] + (p.program_end != 0);
    if (spindle > 1) {
        why = "主軸のMコードが同じ行に二つあります";
        return -1;
    }
    if (stops > 1) {
        why = "停止・終了のMコードが同じ行に二つあります";
        return -1;
    }
    if ((p.written_m[7] || p.written_m[8]) && p.written_m[9]) {
        why = "クーラントの入と切が同じ行にあります";
        return -1;
    }
    return 0;
}

}  // namespace

int check_word_roles(const ParsedBlock &p, const MachineTrack &after, const char *&why) {
    bool hole_words = p.present[WORD_X] || p.present[WORD_Y] || p.present[WORD_Z] || p.present[WORD_R];
    bool drills = after.cycle != 0 && hole_words && p.one_shot == 0;
    bool data_setting = p.one_shot == 10;
    if (check_p(p, drills, why) < 0) return -1;
    if (check_m_codes(p, why) < 0) return -1;
    // A repeat count belongs to the holes of a cycle; on any other block the
    // controls differ (an alarm, a repeated move, nothing).
    if (p.has_repeat && !drills && !data_setting) {
        why = "繰り返し回数（K/L）は固定サイクルの穴あけの行でしか使えません";
        return -1;
    }
    if (p.present[WORD_Q] && !drills && !data_setting && !p.q_mode) {
        why = "Qは固定サイクルの穴あけとG05.1の行でしか使えません";
        return -1;
    }
    if (p.has_feed && p.feed <= 0.0) {
        why = "送り速度（F）が0以下です";
        return -1;
    }
    // Six decimals are written; a feed with more would change.
    if (p.has_feed && !feed_fits_output(p.feed)) {
        why = "送り速度（F）の小数点以下は6桁までです";
        return -1;
    }
    return 0;
}
