// One conversion from a control file: read and check it, handle the output file,
// run one composition driver, report the result and the elapsed time.
#pragma once

#include <string>

#include "platform/platform.h"

struct JobParams {
    std::string input_path;   // NCFILE1, at most 511 bytes
    std::string output_path;  // NCFILE2, at most 511 bytes
    double angle[3];          // ROTANGLE in all three; the drivers use them as working angles
    double centre[3];         // ROTXCOORD, ROTYCOORD, and 0
    int copy_count;           // ROTCOUNT: placements of the program, the unrotated one included
    int keep_source;          // NCDATAKEEP clamped to 0..1
    int composition;          // ROTTYPE: 1 per machining, anything else over the whole program
};

// Runs the job that the control file describes. 0 when the output was written
// (and the viewer started or none configured), -1 after a posted cause.
int run_job(WindowHandle owner, const char *control_path);

// Whole seconds and remaining milliseconds between two tick counts; the
// difference is taken modulo 2^32, so a counter that wrapped in between does no harm.
void split_elapsed(uint32_t start_tick, uint32_t end_tick, int &seconds, int &milliseconds);

// The usage text of the command line (description, usage, sample prompt, version lines).
void usage_text(const char *description, const char *argument, std::string &text);
// Shows the usage text in an information box without owner. Returns 0.
int show_usage(const char *description, const char *argument);
