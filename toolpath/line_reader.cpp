// Physical lines for the tool-path model, read through one fixed buffer: a line
// is handed out as a view into the buffer, so reading costs no allocation per line.
#include "toolpath/line_reader.h"

#include <cstring>

namespace {

// A whole line and its CR LF always fit between next and fill, unless the file ends first.
const size_t WINDOW = LINE_LIMIT + 2;

int seek_file(FILE *file, long long offset) {
#ifdef _WIN32
    return _fseeki64(file, offset, SEEK_SET);
#else
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET);
#endif
}

// Reads until the buffer is full or the file ends.
void fill_buffer(LineReader &reader) {
    while (!reader.end_of_file && reader.fill < sizeof reader.buffer) {
        size_t got = std::fread(reader.buffer + reader.fill, 1, sizeof reader.buffer - reader.fill, reader.file);
        reader.fill += got;
        if (got > 0) continue;
        if (std::ferror(reader.file)) reader.failed = 1;
        reader.end_of_file = 1;
    }
}

// Moves the unread bytes to the front when fewer than a whole line are left.
void ensure_window(LineReader &reader) {
    if (reader.end_of_file || reader.fill - reader.next >= WINDOW) return;
    size_t left = reader.fill - reader.next;
    std::memmove(reader.buffer, reader.buffer + reader.next, left);
    reader.buffer_offset += static_cast<long long>(reader.next);
    reader.fill = left;
    reader.next = 0;
    fill_buffer(reader);
}

int is_blank_or_line_end(char byte) { return byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n'; }

}  // namespace

int line_open(LineReader &reader, const char *path) {
    reader.file = path ? std::fopen(path, "rb") : nullptr;
    reader.buffer_offset = 0;
    reader.fill = 0;
    reader.next = 0;
    reader.end_of_file = 0;
    reader.failed = 0;
    reader.line_number = 0;
    return reader.file ? 0 : -1;
}

void line_close(LineReader &reader) {
    if (reader.file) std::fclose(reader.file);
    reader.file = nullptr;
    reader.fill = 0;
    reader.next = 0;
    reader.end_of_file = 1;
}

int line_seek(LineReader &reader, long long offset, int line_number) {
    if (!reader.file || reader.failed) return -1;
    reader.line_number = line_number - 1;
    long long buffer_end = reader.buffer_offset + static_cast<long long>(reader.fill);
    if (offset >= reader.buffer_offset && offset <= buffer_end) {
        reader.next = static_cast<size_t>(offset - reader.buffer_offset);
        return 0;
    }
    std::clearerr(reader.file);
    if (seek_file(reader.file, offset) != 0) return -1;
    reader.buffer_offset = offset;
    reader.fill = 0;
    reader.next = 0;
    reader.end_of_file = 0;
    return 0;
}

int line_next(LineReader &reader, LineText &line) {
    if (!reader.file) return 0;
    ensure_window(reader);
    if (reader.failed) return -1;
    if (reader.next >= reader.fill) return 0;
    char *start = reader.buffer + reader.next;
    size_t available = reader.fill - reader.next;
    size_t window = available < WINDOW ? available : WINDOW;
    reader.line_number += 1;
    char *newline = static_cast<char *>(std::memchr(start, '\n', window));
    size_t searched = newline ? static_cast<size_t>(newline - start) : window;
    char *carriage_return = static_cast<char *>(std::memchr(start, '\r', searched));
    char *end = nullptr;
    size_t consumed = 0;
    if (carriage_return) {
        end = carriage_return;
        consumed = static_cast<size_t>(end - start) + 1;
        if (consumed < available && end[1] == '\n') consumed += 1;
    } else if (newline) {
        end = newline;
        consumed = static_cast<size_t>(end - start) + 1;
    } else {
        // No line end in a whole window: the line is too long, or it is the file's last.
        end = start + window;
        consumed = window;
    }
    line.bytes = start;
    line.length = static_cast<size_t>(end - start);
    line.offset = reader.buffer_offset + static_cast<long long>(reader.next);
    line.number = reader.line_number;
    if (line.length > LINE_LIMIT) return -1;
    reader.next += consumed;
    return 1;
}

int line_rest_is_blank(LineReader &reader, const LineText &line, size_t at) {
    size_t from = static_cast<size_t>(line.bytes - reader.buffer) + at + 1;
    for (;;) {
        for (size_t i = from; i < reader.fill; ++i) {
            if (!is_blank_or_line_end(reader.buffer[i])) return 0;
        }
        if (reader.end_of_file) return reader.failed ? -1 : 1;
        // The rest of the buffer is checked: read on from the file into its start.
        reader.buffer_offset += static_cast<long long>(reader.fill);
        reader.fill = 0;
        reader.next = 0;
        fill_buffer(reader);
        from = 0;
    }
}
