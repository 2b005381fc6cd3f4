// Writes a parsed (and rotated) block back as NC text, in a fixed word order,
// writing modal codes and values only when they change.
#pragma once

#include "nc/block_parser.h"
#include "nc/number_format.h"
#include "platform/platform.h"
#include "settings/program_values.h"

// Delta X, Y, Z = current - previous; I, J, R, Q, K = current; values in (-0.0004, 0.0005) become 0.
void position_delta(const WordValues &current, const WordValues &previous, WordValues &delta);

// Writes one block. Returns the number of items (codes and words) written; 0 means
// nothing and no line end was written.
int write_block(TextWriter &output, ModalIntegers &modal, const int word_present[WORD_COUNT],
                int word_point[WORD_COUNT], const WordValues &current, const WordValues &previous,
                double feed[3], ModePair &mode, int pending_g[100], int pending_m[10],
                const CommandFlags &flags, const OutputFormat &format);

int write_words(TextWriter &output, int pending_g[100], int pending_m[10], ModalIntegers &modal,
                const WordValues &current, const WordValues &previous, const WordValues &delta,
                double feed[3], ModePair &mode, const int word_present[WORD_COUNT],
                const int word_point[WORD_COUNT]);

// The positioning block with which the whole-program rotation starts. Returns 0.
int write_start_block(TextWriter &output, const double position[3], ModalIntegers &modal,
                      int word_point[WORD_COUNT], int pending_g[100], ModePair &mode,
                      const int word_present[WORD_COUNT], const OutputFormat &format);
