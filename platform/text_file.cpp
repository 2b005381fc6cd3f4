// NC, move and log files, read and written on binary streams so that every build
// handles the same bytes: CR LF, LF and a lone CR each end a line read, a Ctrl-Z
// at the end of the file ends the input, and every LF written becomes CR LF.
#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace {

const char END_OF_TEXT = 0x1A;  // Ctrl-Z: the input ends here

// 1 when more bytes are in the buffer, 0 at the end of the file.
int refill(TextReader &reader) {
    if (reader.next < reader.fill) return 1;
    reader.next = 0;
    reader.fill = reader.file ? std::fread(reader.buffer, 1, sizeof reader.buffer, reader.file) : 0;
    if (reader.fill > 0) return 1;
    if (reader.file && std::ferror(reader.file)) {
        reader.failed = 1;
        reader.fault = LINE_FAULT_READ;
    }
    reader.ended = 1;
    return 0;
}

int stop_at_fault(TextReader &reader, LineFault fault) {
    reader.fault = fault;
    reader.failed = 1;
    reader.ended = 1;
    return -1;
}

// After a Ctrl-Z only line ends (and more Ctrl-Z) may follow: anything else is
// a part of the program that a reader stopping at the Ctrl-Z would lose.
int only_line_ends_follow(TextReader &reader) {
    while (refill(reader)) {
        char byte = reader.buffer[reader.next++];
        if (byte != '\r' && byte != '\n' && byte != END_OF_TEXT) return 0;
    }
    return !reader.failed;
}

// 1 when the byte stops the plain run of a line.
inline bool is_line_stop(char byte) {
    return byte == '\n' || byte == '\r' || byte == END_OF_TEXT || byte == '\0';
}

// The first byte in [at, end) that stops the plain run of a line, or end. Every
// stop is a control byte below 0x20: eight bytes at a time are tested for one
// (x - 0x20 in each byte borrows into its top bit only where the byte is below
// 0x20, the top bit of ~x excluding bytes of 0x80 and above), and only a
// control byte (a tab, mostly) is looked at closer.
const char *find_line_stop(const char *at, const char *end) {
    const uint64_t spaces = 0x2020202020202020ull;
    const uint64_t top_bits = 0x8080808080808080ull;
    for (;;) {
        while (end - at >= 8) {
            uint64_t bytes = 0;
            std::memcpy(&bytes, at, sizeof bytes);
            if (((bytes - spaces) & ~bytes & top_bits) != 0) break;
            at += 8;
        }
        while (at < end && static_cast<unsigned char>(*at) >= 0x20) ++at;
        if (at == end || is_line_stop(*at)) return at;
        ++at;
    }
}

}  // namespace

int text_open_read(TextReader &reader, const char *path) {
    reader.file = nullptr;
    reader.ended = 0;
    reader.failed = 0;
    reader.fault = LINE_FAULT_NONE;
    reader.line_number = 0;
    reader.had_line_end = 0;
    reader.fill = 0;
    reader.next = 0;
    reader.skip_line_feed = 0;
    reader.joined.clear();
    if (!path || is_directory(path)) return -1;
    reader.file = std::fopen(path, "rb");
    return reader.file ? 0 : -1;
}

namespace {

// A CR that was the last byte of the buffer: the LF that may follow it is
// looked for before the next line, so that the line just handed out, which
// may lie in the buffer, stays where it is until then.
void skip_pending_line_feed(TextReader &reader) {
    if (!reader.skip_line_feed) return;
    reader.skip_line_feed = 0;
    if (refill(reader) && reader.buffer[reader.next] == '\n') ++reader.next;
}

// The joined copy of a line that lay across refills of the buffer.
int hand_out_joined(TextReader &reader, const char *&text, size_t &length) {
    text = reader.joined.data();
    length = reader.joined.size();
    return 1;
}

}  // namespace

int text_read_view(TextReader &reader, const char *&text, size_t &length) {
    text = "";
    length = 0;
    skip_pending_line_feed(reader);
    if (reader.ended) return reader.failed ? -1 : 0;
    reader.line_number += 1;
    reader.had_line_end = 0;
    reader.joined.clear();
    int joined = 0;
    for (;;) {
        if (!refill(reader)) {
            if (reader.failed) return -1;
            return reader.joined.empty() ? 0 : hand_out_joined(reader, text, length);
        }
        // The plain run of bytes up to the first stop.
        const char *begin = reader.buffer + reader.next;
        const char *end = reader.buffer + reader.fill;
        const char *at = find_line_stop(begin, end);
        size_t run = static_cast<size_t>(at - begin);
        if (reader.joined.size() + run > TEXT_LINE_LIMIT) return stop_at_fault(reader, LINE_FAULT_TOO_LONG);
        reader.next = static_cast<size_t>(at - reader.buffer);
        if (at == end) {
            // The buffer is refilled under the line: what it holds so far is kept aside.
            reader.joined.append(begin, run);
            joined = 1;
            continue;
        }
        char stop = *at;
        ++reader.next;
        if (stop == '\0') return stop_at_fault(reader, LINE_FAULT_NUL);
        if (stop == END_OF_TEXT) {
            reader.joined.append(begin, run);
            if (!only_line_ends_follow(reader)) {
                return reader.failed ? -1 : stop_at_fault(reader, LINE_FAULT_AFTER_END);
            }
            reader.ended = 1;
            return reader.joined.empty() ? 0 : hand_out_joined(reader, text, length);
        }
        reader.had_line_end = 1;
        // A CR followed by an LF is one line end; a lone CR ends the line too.
        if (stop == '\r') {
            if (reader.next < reader.fill) {
                if (reader.buffer[reader.next] == '\n') ++reader.next;
            } else {
                reader.skip_line_feed = 1;
            }
        }
        if (joined) {
            reader.joined.append(begin, run);
            return hand_out_joined(reader, text, length);
        }
        // The common line lies whole in the buffer: it is handed out where it is.
        text = begin;
        length = run;
        return 1;
    }
}

int text_read_line(TextReader &reader, std::string &line) {
    const char *text = nullptr;
    size_t length = 0;
    int result = text_read_view(reader, text, length);
    line.assign(text, length);
    return result;
}

void text_close_read(TextReader &reader) {
    if (reader.file) std::fclose(reader.file);
    reader.file = nullptr;
    reader.ended = 1;
    reader.fill = 0;
    reader.next = 0;
    reader.skip_line_feed = 0;
    std::string().swap(reader.joined);
}

namespace {

// The writer gathers its translated bytes itself and hands the file a whole
// buffer at a time: a converted program is written a few bytes at a time, and
// a stream call per piece would cost more than the conversion of the piece.
const size_t WRITE_BUFFER_SIZE = 1 << 16;

void start_writing(TextWriter &writer) {
    writer.buffer.resize(WRITE_BUFFER_SIZE);
    writer.used = 0;
    // Every byte passes the writer's own buffer: the stream adds no other.
    std::setvbuf(writer.file, nullptr, _IONBF, 0);
}

void forget_writer(TextWriter &writer) {
    writer.file = nullptr;
    writer.memory = nullptr;
    writer.failed = 0;
    writer.used = 0;
}

void write_raw(TextWriter &writer, const char *bytes, size_t count) {
    if (count == 0) return;
    if (std::fwrite(bytes, 1, count, writer.file) != count) writer.failed = 1;
}

void flush_buffer(TextWriter &writer) {
    write_raw(writer, writer.buffer.data(), writer.used);
    writer.used = 0;
}

// Bytes as they stand into the buffer; a run longer than the buffer goes out at once.
void put_bytes(TextWriter &writer, const char *bytes, size_t count) {
    if (count > writer.buffer.size() - writer.used) {
        flush_buffer(writer);
        if (count >= writer.buffer.size()) {
            write_raw(writer, bytes, count);
            return;
        }
    }
    std::memcpy(writer.buffer.data() + writer.used, bytes, count);
    writer.used += count;
}

void put_line_end(TextWriter &writer) {
    if (writer.buffer.size() - writer.used < 2) flush_buffer(writer);
    writer.buffer[writer.used++] = '\r';
    writer.buffer[writer.used++] = '\n';
}

// Every LF of the bytes as CR LF. 0, or -1 when there is nowhere to write.
int put_translated(TextWriter &writer, const char *bytes, size_t count) {
    if (!writer.file) {
        writer.failed = 1;
        return -1;
    }
    const char *end = bytes + count;
    while (bytes < end) {
        size_t left = static_cast<size_t>(end - bytes);
        const char *newline = static_cast<const char *>(std::memchr(bytes, '\n', left));
        size_t run = newline ? static_cast<size_t>(newline - bytes) : left;
        put_bytes(writer, bytes, run);
        if (!newline) break;
        put_line_end(writer);
        bytes = newline + 1;
    }
    return 0;
}

}  // namespace

int text_open_write(TextWriter &writer, const char *path) {
    forget_writer(writer);
    if (!path) return -1;
    writer.file = std::fopen(path, "wb");
    if (!writer.file) return -1;
    start_writing(writer);
    return 0;
}

int text_create_write(TextWriter &writer, const char *path) {
    forget_writer(writer);
    if (!path) return -1;
#ifdef _WIN32
    int descriptor = _open(path, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
    int descriptor = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
#endif
    if (descriptor < 0) return errno == EEXIST ? 1 : -1;
#ifdef _WIN32
    writer.file = _fdopen(descriptor, "wb");
    if (!writer.file) _close(descriptor);
#else
    writer.file = fdopen(descriptor, "wb");
    if (!writer.file) close(descriptor);
#endif
    if (!writer.file) {
        std::remove(path);
        return -1;
    }
    start_writing(writer);
    return 0;
}

void text_open_memory(TextWriter &writer, std::string &sink) {
    forget_writer(writer);
    writer.memory = &sink;
}

void text_write(TextWriter &writer, const char *bytes, size_t count) {
    if (count == 0) return;
    if (writer.memory) {
        writer.memory->append(bytes, count);
        return;
    }
    put_translated(writer, bytes, count);
}

void text_write_line(TextWriter &writer, const char *bytes, size_t count) {
    if (writer.memory) {
        writer.memory->append(bytes, count);
        writer.memory->push_back('\n');
        return;
    }
    if (put_translated(writer, bytes, count) == 0) put_line_end(writer);
}

void text_puts(TextWriter &writer, const char *text) {
    if (text) text_write(writer, text, std::strlen(text));
}

void text_printf(TextWriter &writer, const char *format, ...) {
    char small[512];
    va_list arguments;
    va_start(arguments, format);
    int length = std::vsnprintf(small, sizeof small, format, arguments);
    va_end(arguments);
    if (length < 0) {
        writer.failed = 1;
        return;
    }
    if (static_cast<size_t>(length) < sizeof small) {
        text_write(writer, small, static_cast<size_t>(length));
        return;
    }
    std::string large(static_cast<size_t>(length) + 1, '\0');
    va_start(arguments, format);
    std::vsnprintf(&large[0], large.size(), format, arguments);
    va_end(arguments);
    text_write(writer, large.data(), static_cast<size_t>(length));
}

int text_close_write(TextWriter &writer) {
    if (writer.file) flush_buffer(writer);
    int result = writer.failed ? -1 : 0;
    if (writer.file) {
        if (std::fflush(writer.file) != 0) result = -1;
        if (std::fclose(writer.file) != 0) result = -1;
    } else if (!writer.memory) {
        result = -1;
    }
    writer.file = nullptr;
    writer.memory = nullptr;
    writer.used = 0;
    std::vector<char>().swap(writer.buffer);
    return result;
}
