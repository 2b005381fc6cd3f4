// Writing the lines of a pass that carry positions: the blocks the writer writes
// again, and the setup lines copied as they stand with their positions turned in place.
#pragma once

#include "rotate/pass.h"

// The largest coordinate the output writes: its resolution is 0.001 mm and its
// width eight places.
const double OUTPUT_COORDINATE_LIMIT = 99999.999;

int emit_rewritten_line(Pass &pass, LineInfo &info);
int emit_copied_line(Pass &pass, LineInfo &info);

// The writer's record of what the output holds, after a line written as it
// stands (kept or copied): its distance mode, motion code and feed.
void follow_written_line(Pass &pass, const LineInfo &info);

// Writes a rapid of the composition's own, to the given output point on the
// axes marked (absolute values in G90, increments from the output tool in G91).
// 0, or -1 after a refusal.
int write_composition_rapid(Pass &pass, const LineInfo &info, const double target[3], const int axes[3]);
