// The tool-path picture: the XY path of the source in grey and the converted
// program on top, one colour per copy, as an SVG drawing with a scale and a legend.
#pragma once

#include "platform/platform.h"
#include "toolpath/check.h"

// A rectangle in program millimetres (empty while nothing was drawn).
struct PathExtent {
    int empty;
    double min[2];
    double max[2];
};

// What the picture was drawn from.
struct PictureFacts {
    long long source_segments;  // source moves drawn, before thinning
    long long result_segments;  // output moves drawn, before thinning
    long long drawn_segments;   // pieces written to the picture after thinning
    PathExtent source_extent;
    PathExtent result_extent;
};

// Draws the picture of a conversion into out (code page 932 texts). Moves with
// a known start and end in X and Y are drawn: rapids dashed, cuts solid, arcs
// as arcs, a hole as its positioning and a ring. The output is coloured by the
// copy the check pairs each move with; check_text (may be null) is shown in the
// legend. Consecutive moves ending in the same cell of a 2000 x 2000 grid over
// the extent are merged. 0, or -1 when a file cannot be opened (nothing written).
int write_toolpath_svg(TextWriter &out, const char *input_path, const char *output_path, const CheckParams &params,
                       const char *check_text, PictureFacts &facts);
