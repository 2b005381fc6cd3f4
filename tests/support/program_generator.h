// A seeded generator of milling programs in the shapes shop posts and shop
// programmers write, with the parameters of a rotation job to go with each, for
// property tests of the rewrite and the tool-path check. One seed gives the same
// bytes on every build.
#pragma once

#include <cstdint>
#include <string>

struct GeneratedJob {
    std::string program;       // the program file's bytes (code page 932)
    double angle = 0;          // rotation in degrees, counter-clockwise
    double centre[2] = {0, 0}; // rotation centre X, Y in mm
    int copy_count = 2;        // placements for the copy compositions, 2 to 6
    bool compensation = false; // the program holds a G41/G42 contour
    bool crlf = true;          // lines end with CR LF, else LF
    bool last_line_end = true; // the last line ends with its line end
    bool eof_mark = false;     // a Ctrl-Z (0x1A) is the very last byte
};

// Fills job from seed. Cutter compensation contours appear only when
// allow_compensation is set (the per-machining copies refuse them).
void generate_job(uint32_t seed, GeneratedJob &job, bool allow_compensation = false);
