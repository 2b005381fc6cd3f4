// The three composition drivers: the whole program rotated once, copies per
// machining, and copies of the whole program; and what they share.
#pragma once

#include <string>

#include "nc/block_parser.h"
#include "nc/number_format.h"
#include "platform/platform.h"
#include "settings/program_values.h"

// Each driver writes the input program to output and returns 0, or -1 after an
// error it has posted to the log, or -1 at once when a write to output failed
// (output.failed is set) or the job was interrupted (CancelRequested): the job
// reports those. None closes output, and none leaves a file of its own behind.
int rotate_whole_program(WindowHandle owner, TextWriter &output, const char *input_path,
                         double angle[3], const double centre[]);
int rotate_per_machining(WindowHandle owner, TextWriter &output, const char *input_path,
                         double angle[3], const double centre[], int copy_count);
int rotate_copies(WindowHandle owner, TextWriter &output, const char *input_path,
                  double angle[3], const double centre[], int copy_count);

// Posts the output settings (DEBUG 100).
int log_output_parameters(WindowHandle owner, const OutputFormat &format);

// input name + "_" + index + extension: C:\NC\PART.NC, 0 gives C:\NC\PART_0.NC.
void machining_file_name(const char *path, std::string &name, int index);

// Blocks for that many whole seconds, measured on the millisecond tick counter,
// passing the window's messages on. 0, or -1 when the job was interrupted meanwhile.
int wait_seconds(int seconds);
