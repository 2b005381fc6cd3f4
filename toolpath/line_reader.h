// Physical lines of an NC file for the tool-path model: LF, CR LF and a lone CR
// each end a line, lines are numbered from 1, and a line can be found again by
// its file offset, so that a stretch of the program can be read twice.
#pragma once

#include <cstddef>
#include <cstdio>

// The longest line the model reads, line end not counted.
constexpr size_t LINE_LIMIT = 65536;

struct LineReader {
    FILE *file = nullptr;
    long long buffer_offset = 0;  // file offset of buffer[0]
    size_t fill = 0;              // bytes in buffer
    size_t next = 0;              // first byte not yet handed out
    int end_of_file = 0;          // the file has no bytes beyond buffer[fill - 1]
    int failed = 0;               // a read error: the file cannot be trusted
    int line_number = 0;          // number of the line handed out last
    char buffer[4 * LINE_LIMIT];
};

// One line as handed out: its bytes stay valid until the next call on the reader.
struct LineText {
    const char *bytes;
    size_t length;      // without the line end
    long long offset;   // file offset of the first byte
    int number;         // physical line number, from 1
};

// 0 when the file is open, -1 when it cannot be opened.
int line_open(LineReader &reader, const char *path);
void line_close(LineReader &reader);
// Places the reader so that the next line handed out starts at offset and has
// the number line_number. 0, or -1 when the file cannot be positioned.
int line_seek(LineReader &reader, long long offset, int line_number);
// 1 with the next line, 0 at the end of the file, -1 when the line is longer
// than LINE_LIMIT or the file cannot be read (reader.failed tells which).
int line_next(LineReader &reader, LineText &line);
// The bytes ahead of the reader as its buffer holds them, from the start of
// the next line: that whole line at least, unless the file ends first. For a
// quick search over many lines at once; count is 0 at the end of the file.
// 0, or -1 when the file cannot be read.
int line_ahead(LineReader &reader, const char *&bytes, size_t &count);
// Passes over the first count bytes of the view line_ahead gave, which must
// end where a line starts. The lines passed over are neither looked at nor
// counted: a line longer than LINE_LIMIT among them goes unnoticed.
void line_pass_over(LineReader &reader, size_t count);
// After a Ctrl-Z at bytes[at] of the line handed out last: 1 when nothing but
// line ends and blanks follows it to the end of the file, 0 when data follows,
// -1 when the file cannot be read.
int line_rest_is_blank(LineReader &reader, const LineText &line, size_t at);
