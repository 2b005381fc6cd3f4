// The picture of a finished job: its files and parameters as the job took them,
// from the window's fields or from a control file, and the tool-path picture of
// the two files with the check's result in its legend, kept or written as SVG.
#pragma once

#include <string>

#include "platform/platform.h"
#include "shell/dialog_state.h"
#include "toolpath/picture.h"

struct JobPicture {
    std::string input_path;
    std::string output_path;
    CheckParams params;
};

// The job of the window's fields, as Execute hands them to the job. 0, or -1
// after a warning naming a value that does not read.
int job_picture_from_fields(WindowHandle owner, const DialogFields &fields, JobPicture &job);
// The job of a control file, read as the job reads it (a centre it lacks from
// Pivora.ini). 0, or -1 after a warning naming a value that does not read.
int read_job_picture(WindowHandle owner, const char *control_path, JobPicture &job);
// The picture of the job's two files; its legend gives the check's result in
// the job's words. 0, or -1 after a warning (a file cannot be read).
int build_job_picture(WindowHandle owner, const JobPicture &job, Picture &picture);
// Writes the job's picture as an SVG file: into a new file beside it, which
// takes its place only when whole. 0 with a log line naming it, or -1 after a
// warning (nothing written; a path that names either NC file is refused).
int write_job_svg(WindowHandle owner, const JobPicture &job, const char *svg_path);
