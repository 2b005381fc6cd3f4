// The process-wide values fixed at start-up, in one place.
#pragma once

#include <csignal>
#include <string>

// Diagnostic and behaviour switches of section COMMAND, read once at start-up.
struct CommandFlags {
    int debug;         // DEBUG: 0 off; 100, 3, 91, 666 select diagnostics in the drivers
    int mode;          // MODE: 1 = unattended (no completion box, no overwrite question)
    int delete_files;  // DELETE: read and kept, acted on by nothing
    int print;         // PRINT: 1 adds an empty line before a job's completion lines
    int overwrite;     // OVERWRITE: 1 = ask before an existing output file is replaced
};

// Output settings, read from section FORMAT at the start of every conversion.
struct OutputFormat {
    int decimal_mode;  // 0: no point; positive: always a point; negative: each block keeps its own style
    int comment_mode;  // 1: per-machining copies are headed by (ROTATION ANGLE ...)
};

struct ProgramVersionInfo {
    int year;
    int release;
    int revision;
    int build_month;
    int build_day;
};

extern CommandFlags ActiveCommandFlags;          // filled by read_command_flags at start-up
extern const ProgramVersionInfo ProgramVersion;  // 2019R0.30, built 2019/11/23
extern const char MakerName[];                   // "Tessaly"
extern const char MakerHomePage[];               // shown in the usage box and the support dialog
extern const int MakerFirstYear;                 // first year of the maker's notice
extern std::string ExeDirectory;                 // drive and directory of the executable, with its separator
extern std::string SettingsPath;                 // ExeDirectory + "Pivora.ini"
extern int WindowColor[3];                       // red, green, blue of the window background
extern int TextColor[3];                         // red, green, blue of label texts
extern std::string HelpFileName;                 // help file, relative to ExeDirectory
extern std::string NoticeLine;                   // the product notice with the version year

// When set, wait_seconds returns at once (batch runs of the console runner).
extern int SkipWaits;

// Set by a signal handler (the console runner) or by closing the window during a
// job; the drivers look at it between lines and passes, stop, remove the files
// they made and fail with the job's interruption message. run_job clears it.
extern volatile std::sig_atomic_t CancelRequested;
