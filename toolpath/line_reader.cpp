// Physical lines for the tool-path model, read through one fixed buffer: a line
// is handed out as a view into the buffer, so reading costs no allocation per line.
#include "toolpath/line_reader.h"

#include <cstdint>
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

// Moves the unread bytes to the front and reads on behind them.
void refill(LineReader &reader) {
    size_t left = reader.fill - reader.next;
    std::memmove(reader.buffer, reader.buffer + reader.next, left);
    reader.buffer_offset += static_cast<long long>(reader.next);
    reader.fill = left;
    reader.next = 0;
    fill_buffer(reader);
}

// Refills when fewer than a whole line are left: a test per line, a read per buffer.
void ensure_window(LineReader &reader) {
    if (!reader.end_of_file && reader.fill - reader.next < WINDOW) refill(reader);
}

int is_blank_or_line_end(char byte) { return byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n'; }

int is_line_end(char byte) { return byte == '\r' || byte == '\n'; }

// The bytes of the line end at end, with left bytes from there on: CR LF is
// one line end, as are a lone CR and a lone LF.
size_t line_end_size(const char *end, size_t left) { return *end == '\r' && left > 1 && end[1] == '\n' ? 2 : 1; }

const uint64_t EVERY_BYTE_ONE = 0x0101010101010101ull;
const uint64_t EVERY_BYTE_HIGH = 0x8080808080808080ull;
// CR (0x0D) and LF (0x0A) are below 0x0E, and so are only a few other control
// codes (a tab, NUL), which rarely stand in a program.
const unsigned char LINE_END_BOUND = 0x0E;

// The high bit of every byte below LINE_END_BOUND among the eight at bytes.
// The first of them is marked exactly; above it a borrow may mark more, so
// only the first mark counts.
uint64_t low_byte_marks(const char *bytes) {
    uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    return (word - EVERY_BYTE_ONE * LINE_END_BOUND) & ~word & EVERY_BYTE_HIGH;
}

// The byte of the first mark: where the byte order is known the lowest set
// bit names it at once, elsewhere the bytes are looked at.
const char *first_marked_byte(const char *bytes, uint64_t marks) {
#if defined(__GNUC__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    return bytes + __builtin_ctzll(marks) / 8;
#else
    (void)marks;
    while (static_cast<unsigned char>(*bytes) >= LINE_END_BOUND) ++bytes;
    return bytes;
#endif
}

// The first CR or LF in [from, to), or to. Lines are short, and a search a
// byte at a time costs several instructions a byte: eight bytes are tested at
// once for a low byte, and only a low byte is looked at; the last few bytes of
// the file are looked at one by one.
const char *find_line_end(const char *from, const char *to) {
    while (to - from >= 8) {
        uint64_t marks = low_byte_marks(from);
        if (marks == 0) {
            from += 8;
            continue;
        }
        const char *low = first_marked_byte(from, marks);
        if (is_line_end(*low)) return low;
        from = low + 1;
    }
    while (from < to && !is_line_end(*from)) ++from;
    return from;
}

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
    const char *end = find_line_end(start, start + window);
    size_t length = static_cast<size_t>(end - start);
    // No line end in a whole window: the line is too long, or it is the file's last.
    size_t consumed = length == window ? window : length + line_end_size(end, available - length);
    line.bytes = start;
    line.length = length;
    line.offset = reader.buffer_offset + static_cast<long long>(reader.next);
    line.number = reader.line_number;
    if (line.length > LINE_LIMIT) return -1;
    reader.next += consumed;
    return 1;
}

int line_ahead(LineReader &reader, const char *&bytes, size_t &count) {
    bytes = reader.buffer + reader.next;
    count = 0;
    if (!reader.file) return 0;
    ensure_window(reader);
    if (reader.failed) return -1;
    bytes = reader.buffer + reader.next;
    count = reader.fill - reader.next;
    return 0;
}

void line_pass_over(LineReader &reader, size_t count) { reader.next += count; }

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
