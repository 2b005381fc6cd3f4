// Where a job's files go, and what happens around the output file.
#pragma once

#include <string>

#include "platform/platform.h"

// The input's name with the suffix; a suffix with a point replaces the extension.
void propose_output_name(const char *input_path, std::string &output, const char *suffix);
// The input's name with the given extension ("ini" gives part.ini).
void control_file_path(const char *input_path, std::string &output, const char *extension);
// 0 to go on, -1 when the user declined to replace an existing output file. The
// file itself is left as it is: the finished output takes its place in one step.
int confirm_overwrite(WindowHandle owner, const char *output_path);

// The output being written: a new file beside the file it will replace.
struct TemporaryOutput {
    std::string target;  // the file replaced at the end (a symbolic link's target where there is one)
    std::string path;    // "<target>.<process>.<counter>.tmp"; empty when none was made
    TextWriter writer;
};
// Creates a temporary output for output_path under a name no other job uses and
// opens it. 0, or -1 after the error naming the output.
int create_temporary_output(WindowHandle owner, const char *output_path, TemporaryOutput &temporary);
// Closes the temporary output if it is open and deletes it.
void discard_temporary_output(TemporaryOutput &temporary);
// Puts the closed temporary output in the place of the output. 0, or -1 after
// the error naming the output (the temporary output is then deleted).
int commit_temporary_output(WindowHandle owner, const char *output_path, TemporaryOutput &temporary);

// The output path as the viewer's argument: in double quotes when it holds a blank.
void viewer_parameter(const char *output_path, std::string &parameter);
// Starts the configured NC viewer on the output. 0 when started or none is
// configured; -1 after a warning (the output stands whatever happens here).
int open_in_viewer(WindowHandle owner, const char *output_path);
// Deletes a job's control file unless COMMAND / WINDOWLOG keeps it. Returns 0.
int job_file_discard(const char *path);
