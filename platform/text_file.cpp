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
    if (!path || is_directory(path)) return -1;
    reader.file = std::fopen(path, "rb");
    return reader.file ? 0 : -1;
}

int text_read_line(TextReader &reader, std::string &line) {
    line.clear();
    if (reader.ended) return reader.failed ? -1 : 0;
    reader.line_number += 1;
    reader.had_line_end = 0;
    int took_bytes = 0;
    for (;;) {
        if (!refill(reader)) {
            if (reader.failed) return -1;
            return took_bytes ? 1 : 0;
        }
        // Hand over the plain run of bytes up to the first stop at once.
        const char *begin = reader.buffer + reader.next;
        const char *end = reader.buffer + reader.fill;
        const char *at = begin;
        while (at < end && !is_line_stop(*at)) ++at;
        size_t run = static_cast<size_t>(at - begin);
        if (line.size() + run > TEXT_LINE_LIMIT) return stop_at_fault(reader, LINE_FAULT_TOO_LONG);
        line.append(begin, run);
        took_bytes |= run > 0;
        reader.next = static_cast<size_t>(at - reader.buffer);
        if (at == end) continue;
        char stop = *at;
        ++reader.next;
        if (stop == '\0') return stop_at_fault(reader, LINE_FAULT_NUL);
        if (stop == END_OF_TEXT) {
            if (!only_line_ends_follow(reader)) {
                return reader.failed ? -1 : stop_at_fault(reader, LINE_FAULT_AFTER_END);
            }
            reader.ended = 1;
            return took_bytes ? 1 : 0;
        }
        reader.had_line_end = 1;
        // A CR followed by an LF is one line end; a lone CR ends the line too.
        if (stop == '\r' && refill(reader) && reader.buffer[reader.next] == '\n') ++reader.next;
        return 1;
    }
}

void text_close_read(TextReader &reader) {
    if (reader.file) std::fclose(reader.file);
    reader.file = nullptr;
    reader.ended = 1;
    reader.fill = 0;
    reader.next = 0;
}

int text_open_write(TextWriter &writer, const char *path) {
    writer.file = nullptr;
    writer.memory = nullptr;
    writer.failed = 0;
    if (!path) return -1;
    writer.file = std::fopen(path, "wb");
    if (!writer.file) return -1;
    // A converted program is written a block at a time: fewer, larger writes.
    std::setvbuf(writer.file, nullptr, _IOFBF, 1 << 16);
    return 0;
}

int text_create_write(TextWriter &writer, const char *path) {
    writer.file = nullptr;
    writer.memory = nullptr;
    writer.failed = 0;
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
    std::setvbuf(writer.file, nullptr, _IOFBF, 1 << 16);
    return 0;
}

void text_open_memory(TextWriter &writer, std::string &sink) {
    writer.file = nullptr;
    writer.memory = &sink;
    writer.failed = 0;
}

namespace {

void write_raw(TextWriter &writer, const char *bytes, size_t count) {
    if (count == 0) return;
    if (std::fwrite(bytes, 1, count, writer.file) != count) writer.failed = 1;
}

}  // namespace

void text_write(TextWriter &writer, const char *bytes, size_t count) {
    if (count == 0) return;
    if (writer.memory) {
        writer.memory->append(bytes, count);
        return;
    }
    if (!writer.file) {
        writer.failed = 1;
        return;
    }
    // The translated bytes are gathered and handed to the stream in one call per
    // buffer-full: one block is one call, however many line ends it holds.
    char translated[4096];
    size_t used = 0;
    const char *end = bytes + count;
    while (bytes < end) {
        size_t left = static_cast<size_t>(end - bytes);
        const char *newline = static_cast<const char *>(std::memchr(bytes, '\n', left));
        size_t run = newline ? static_cast<size_t>(newline - bytes) : left;
        size_t needed = run + (newline ? 2 : 0);
        if (used + needed > sizeof translated) {
            write_raw(writer, translated, used);
            used = 0;
        }
        if (needed > sizeof translated) {
            // A run longer than the buffer goes out as it stands.
            write_raw(writer, bytes, run);
            if (newline) write_raw(writer, "\r\n", 2);
        } else {
            std::memcpy(translated + used, bytes, run);
            used += run;
            if (newline) {
                translated[used++] = '\r';
                translated[used++] = '\n';
            }
        }
        bytes += run + (newline ? 1 : 0);
    }
    write_raw(writer, translated, used);
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
    int result = writer.failed ? -1 : 0;
    if (writer.file) {
        if (std::fflush(writer.file) != 0) result = -1;
        if (std::fclose(writer.file) != 0) result = -1;
    } else if (!writer.memory) {
        result = -1;
    }
    writer.file = nullptr;
    writer.memory = nullptr;
    return result;
}
