// The message log: every message is formatted into MessageText and posted with
// log_post, which appends it to the log, shows it in a box by its type and clears it.
// The front end (the window's list box, the console runner, a test) receives the
// lines and boxes through a LogPort.
#pragma once

#include "platform/platform.h"

// The one process-wide message text (at most 1023 bytes and a terminator).
extern char MessageText[1024];

// Kinds of message box a port is asked to show.
enum BoxKind {
    BOX_ERROR = 0,        // stop icon, OK
    BOX_INFORMATION = 1,  // information icon, OK
    BOX_WARNING = 2,      // exclamation icon, OK
    BOX_QUESTION = 3      // question icon, Yes and No
};

struct LogPort {
    void *context;
    // Appends one line to the log and brings it into view.
    void (*append_line)(void *context, const char *text);
    // A line longer than any before it: the log widens to show it whole.
    void (*widen)(void *context, const char *text);
    // Shows a modal box with the caption "Pivora"; for BOX_QUESTION returns 1 for
    // Yes and 0 for No, otherwise 0.
    int (*show_box)(void *context, WindowHandle owner, const char *text, int kind);
};

// Routes the log to a front end; nullptr drops lines and answers every question No.
void log_set_port(const LogPort *port);

// Appends MessageText to the log, shows the box of its type (negative: error,
// 1: information, 3: warning; others: none), clears MessageText, returns type.
int log_post(WindowHandle owner, int type);

// Formats into MessageText, cut at 1023 bytes on a character boundary.
// Returns the number of bytes kept.
int message_format(const char *format, ...) __attribute__((format(printf, 1, 2)));

// One printf-formed text of any length (for texts that are not log messages).
std::string text_format(const char *format, ...) __attribute__((format(printf, 1, 2)));

// Shows a box through the port without logging; returns the port's answer.
int show_box(WindowHandle owner, const char *text, int kind);

// Length in bytes of the longest line posted so far (starts at 60, only grows).
int log_longest_line();
