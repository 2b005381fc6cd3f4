// What a block does to the machine that runs it (see pass.h for the records).
#pragma once

#include "rotate/pass.h"

// Fills info.after (the machine after the line), info.motion and the line's
// geometry from info.parsed and the machine before it. 0, or -1 with why set to
// the reason the block cannot be read exactly (code page 932).
int read_line_effect(const MachineTrack &before, LineInfo &info, const char *&why);

// The words of the block each have a role beside its codes (P, Q, K/L, M codes
// that contradict each other, F above 0). 0, or -1 with why set.
int check_word_roles(const ParsedBlock &p, const MachineTrack &after, const char *&why);
