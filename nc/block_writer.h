// Writes a block back as NC text, in a fixed word order, writing modal codes and
// values only where the machine does not hold them already.
#pragma once

#include <cstddef>

#include "nc/block_parser.h"
#include "nc/number_format.h"
#include "platform/platform.h"
#include "settings/program_values.h"

// How the writer treats one coordinate slot of a block.
enum SlotRule : unsigned char {
    SLOT_IF_CHANGED = 0,  // written when its value differs from the one written before
    SLOT_ALWAYS,          // written whatever its value: the machine's value is not known
    SLOT_LITERAL,         // written as given, changed or not (the levels of a drilling cycle)
    SLOT_NEVER            // not written
};

struct SlotRules {
    SlotRule rule[WORD_COUNT];
    int write_feed = 0;  // F where it changed even when no coordinate is written (the block gave F)
};

// Delta X, Y, Z = current - previous; I, J, R, Q, K = current; values in (-0.0004, 0.0005) become 0.
void position_delta(const WordValues &current, const WordValues &previous, WordValues &delta);

// Writes one block: the distance mode where the machine holds another, the
// pending codes, the motion where it changes, the coordinate words by their
// rules (absolute values in G90, increments from previous in G91, literal slots
// as given) in the style of the block's first word (state.word_present and
// word_point), F where it changes, S and M; then tail, the words of the source
// block the writer does not produce itself, as they stood; and a line end.
// Returns the number of items written; 0 means nothing and no line end.
int write_block_words(TextWriter &output, BlockState &state, const WordValues &current,
                      const WordValues &previous, const SlotRules &rules, const char *tail,
                      size_t tail_length, const OutputFormat &format);

// The block with the default rules: in a block that writes a drilling cycle, Z,
// R and Q only when the block gave them; every other word when it changed.
int write_block(TextWriter &output, ModalIntegers &modal, const int word_present[WORD_COUNT],
                int word_point[WORD_COUNT], const WordValues &current, const WordValues &previous,
                double feed[3], ModePair &mode, int pending_g[100], int pending_m[10],
                const CommandFlags &flags, const OutputFormat &format);

// A coordinate setting: "G92" and the given axes with their absolute values, on a
// line of its own (between G90 and G91 lines when the machine is in G91), then
// tail. The block's style comes from word_point. Returns the number of items.
int write_coordinate_setting(TextWriter &output, BlockState &state, const double values[3],
                             const int given[3], const char *tail, size_t tail_length,
                             const OutputFormat &format);

// The positioning block with which the whole-program rotation starts: X, Y and
// Z of position, always. Returns 0.
int write_start_block(TextWriter &output, const double position[3], ModalIntegers &modal,
                      int word_point[WORD_COUNT], int pending_g[100], ModePair &mode,
                      const int word_present[WORD_COUNT], const OutputFormat &format);
