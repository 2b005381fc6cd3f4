// The services the core takes from the operating system: INI profiles, the clock,
// files, paths and the shell. On Windows they are the Win32 functions themselves
// (the *_win.cpp twins); elsewhere portable code stands in with the same behaviour.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// An owner window for message boxes; an HWND on Windows, nullptr for none.
using WindowHandle = void *;

// ---------------------------------------------------------------------------
// INI profile functions, with the semantics of GetPrivateProfileStringA,
// GetPrivateProfileIntA and WritePrivateProfileStringA: section and key names
// match without regard to case, a string read is cut to size - 1 bytes, values
// are trimmed of blanks and of one pair of enclosing quotes, the file is created
// by the first write, and a write replaces one key and keeps every other line.

// Copies the value (or default_value when the key is absent) into out, at most
// size - 1 bytes and a terminator; returns the number of bytes copied. With key
// nullptr it lists the section's key names, with section nullptr the section
// names, each ended by a NUL and the list by a second one.
unsigned long profile_read_string(const char *section, const char *key, const char *default_value,
                                  char *out, unsigned long size, const char *path);
// The leading decimal integer of the value (optional sign), wrapping at 32 bits;
// 0 for a value without digits; default_value when the key is absent or its
// value is empty, as with the Win32 function.
int profile_read_int(const char *section, const char *key, int default_value, const char *path);
// Replaces or adds one key; value nullptr removes the key, key nullptr the whole
// section. Returns 1 on success, 0 when the file could not be written.
int profile_write_string(const char *section, const char *key, const char *value, const char *path);

// ---------------------------------------------------------------------------
// Clock

// Milliseconds since some fixed moment; wraps around after 2^32 ms.
uint32_t tick_count_ms();
void sleep_ms(unsigned milliseconds);

// Local date and time as plain integers.
struct DateTimeFields {
    int year;    // four digits
    int month;   // 1 to 12
    int day;     // 1 to 31
    int hour;    // 0 to 23
    int minute;  // 0 to 59
    int second;  // 0 to 59
};
void read_local_time(DateTimeFields &now);

// ---------------------------------------------------------------------------
// Files

// 1 when a file (not a directory) exists at path, else 0.
int file_exists(const char *path);
// 1 when the file was deleted, 0 when it could not be.
int file_delete(const char *path);
// 1 when both paths name one existing file (the same file, not the same text).
int same_file(const char *path_a, const char *path_b);
// Full path of the running executable.
std::string executable_path();
// 1 when anything is at path: a file, a directory, a device. Else 0.
int path_exists(const char *path);
// 1 when a directory exists at path, else 0. On Windows the test does not go
// through the C runtime's stat, which strips a trailing 0x5C byte even when it is
// the second byte of a double-byte character (表, ソ).
int is_directory(const char *path);
// 1 when the existing file at path can be opened for writing (it is opened
// without emptying it and closed again), else 0.
int file_writable(const char *path);
// Puts the file from in the place of the file to, replacing it in one step, so
// that to is at every moment either the old file or the whole new one; both must
// be on one volume. An existing to keeps its permission bits. 1 when replaced, 0
// when not (from is then left as it was).
int file_replace(const char *from, const char *to);
// The absolute, normalised path: "." and ".." resolved and, on POSIX systems,
// symbolic links followed, so far as the path exists; a path whose folder does
// not exist comes back as given.
std::string full_path(const char *path);
// 1 when both paths name one file: the same existing file, or, for a file not
// there yet, the same full path as the file system compares names.
int same_path(const char *path_a, const char *path_b);
// The running process's identifier.
unsigned long process_id();

// ---------------------------------------------------------------------------
// Paths: drive ("C:"), directory with its trailing separator, base name, and
// extension with its leading point. Both "\\" and "/" separate; the second byte
// of a code page 932 double-byte character is never taken for a separator or a point.
struct PathParts {
    std::string drive;
    std::string directory;
    std::string name;
    std::string extension;
};
void split_path(const char *path, PathParts &parts);

// 1 when the byte starts a code page 932 double-byte character.
int is_lead_byte(unsigned char byte);
// 1 when two names are equal as Windows compares section, key and file names:
// ASCII letters without regard to case, the bytes of a double-byte character exactly.
int same_name(const std::string &a, const std::string &b);

// ---------------------------------------------------------------------------
// Text files. NC programs are read line by line on every build alike: CR LF, LF
// and a lone CR each end a line; a Ctrl-Z (0x1A) with nothing but line ends after
// it ends the input. Every LF written becomes CR LF.

// The longest line (block) the reader takes: bytes before the line end.
const size_t TEXT_LINE_LIMIT = 65536;

// Why the reader stopped before the end of the input.
enum LineFault {
    LINE_FAULT_NONE = 0,
    LINE_FAULT_NUL,          // a NUL byte in the line
    LINE_FAULT_AFTER_END,    // data after a Ctrl-Z that is not at the end of the file
    LINE_FAULT_TOO_LONG,     // a line longer than TEXT_LINE_LIMIT bytes
    LINE_FAULT_READ          // the file could not be read to its end
};

struct TextReader {
    FILE *file = nullptr;
    int ended = 0;             // end of input (or a fault) reached
    int failed = 0;            // 1 after a fault: the input was not read to its end
    LineFault fault = LINE_FAULT_NONE;
    long long line_number = 0; // of the line handed out last, or of the fault, 1-based
    int had_line_end = 0;      // the line handed out last ended with a line end
    char buffer[65536];
    size_t fill = 0;           // bytes in buffer
    size_t next = 0;           // first byte not yet handed out
    int skip_line_feed = 0;    // the last line ended with a CR at the end of buffer: an LF next is its line end
    std::string joined;        // a line read across refills of buffer
};
// 0 when the file is open for reading, -1 when it cannot be opened (or is a folder).
int text_open_read(TextReader &reader, const char *path);
// Reads one whole line without its line end. Returns 1 when a line was read, 0 at
// the end of the input, -1 at a fault (reader.fault and reader.line_number say
// which and where).
int text_read_line(TextReader &reader, std::string &line);
// text_read_line without the copy: the line is text[0..length), valid until the
// next read or the close (it mostly lies in the reader's buffer). On 0 and -1
// the text is empty.
int text_read_view(TextReader &reader, const char *&text, size_t &length);
void text_close_read(TextReader &reader);

struct TextWriter {
    FILE *file = nullptr;            // the file written, or nullptr
    std::string *memory = nullptr;   // when capturing: receives the text as written (LF kept)
    int failed = 0;                  // 1 after any write that did not reach the file
    std::vector<char> buffer;        // translated bytes not yet handed to the file
    size_t used = 0;                 // bytes of buffer in use
};
// Creates or empties the file. 0 on success, -1 when it cannot be opened.
int text_open_write(TextWriter &writer, const char *path);
// Creates a new file and opens it, never touching a file that is already there:
// 0 when created and open, 1 when a file of that name exists, -1 when it cannot be created.
int text_create_write(TextWriter &writer, const char *path);
// Captures everything written into sink instead of a file.
void text_open_memory(TextWriter &writer, std::string &sink);
void text_write(TextWriter &writer, const char *bytes, size_t count);
// text_write of the bytes and then of one line end, in one call.
void text_write_line(TextWriter &writer, const char *bytes, size_t count);
void text_puts(TextWriter &writer, const char *text);
void text_printf(TextWriter &writer, const char *format, ...) __attribute__((format(printf, 2, 3)));
// Flushes and closes. 0 when every byte reached the file, -1 otherwise.
int text_close_write(TextWriter &writer);

// ---------------------------------------------------------------------------
// Shell

// Performs a verb ("open", "explore") on a file, as ShellExecuteA does with a
// normal show command; params may be nullptr. On Linux "open" on a program
// starts it with params as its one argument. Returns a value above 32 on success.
intptr_t shell_execute(const char *verb, const char *file, const char *params);

// ---------------------------------------------------------------------------
// The user interface during a long job

// Handles the window messages waiting for this thread, so that a window that runs
// a job on its own thread still paints and can be closed; a long operation calls
// it now and then. Does nothing where there is no window.
void pump_interface_messages();
