// One conversion from a control file: read and check it, handle the output file,
// run one composition driver into a temporary output, check the tool path,
// put the output in place, report the result and the elapsed time.
#pragma once

#include <string>

#include "platform/platform.h"
#include "toolpath/check.h"

struct JobParams {
    std::string input_path;   // NCFILE1, at most 511 bytes
    std::string output_path;  // NCFILE2, at most 511 bytes
    double angle[3];          // ROTANGLE in all three; the drivers use them as working angles
    double centre[3];         // ROTXCOORD, ROTYCOORD, and 0
    int copy_count;           // ROTCOUNT: placements of the program, the unrotated one included
                              // (2 to 10000 with keep_source 1; unused with 0)
    int keep_source;          // NCDATAKEEP clamped to 0..1
    int composition;          // ROTTYPE: 1 per machining, anything else over the whole program
};

// Runs the job that the control file describes. 0 when the output was written
// and put in place (a viewer that cannot be started is only a warning then);
// -1 after a posted cause, with an existing output left exactly as it was.
// Clears CancelRequested at its start and stops with 処理を中断しました when it is set.
int run_job(WindowHandle owner, const char *control_path);

// Checks an existing output against its input under the control file's
// parameters, without converting: 0 when they agree, -1 after the first
// difference or any refusal of the control file.
int check_job_output(WindowHandle owner, const char *control_path);

// The error line of a tool-path check that found a difference.
void check_failure_text(const CheckResult &result, std::string &text);

// Whole seconds and remaining milliseconds between two tick counts; the
// difference is taken modulo 2^32, so a counter that wrapped in between does no harm.
void split_elapsed(uint32_t start_tick, uint32_t end_tick, int &seconds, int &milliseconds);

// The usage text of the command line (description, usage, sample prompt, version lines).
void usage_text(const char *description, const char *argument, std::string &text);
// Shows the usage text in an information box without owner. Returns 0.
int show_usage(const char *description, const char *argument);
