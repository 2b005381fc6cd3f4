// NC, move and log files in the text mode of the Windows runtime, done here on
// binary streams so that every build reads and writes the same bytes: CR LF reads
// as LF, a Ctrl-Z ends the input, and every LF written becomes CR LF.
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
    if (reader.file && std::ferror(reader.file)) reader.failed = 1;
    reader.ended = 1;
    return 0;
}

}  // namespace

int text_open_read(TextReader &reader, const char *path) {
    reader.file = nullptr;
    reader.ended = 0;
    reader.failed = 0;
    reader.fill = 0;
    reader.next = 0;
    if (!path || is_directory(path)) return -1;
    reader.file = std::fopen(path, "rb");
    return reader.file ? 0 : -1;
}

int text_read_line(TextReader &reader, std::string &line) {
    line.clear();
    if (reader.ended) return 0;
    for (;;) {
        if (!refill(reader)) return line.empty() ? 0 : 1;
        // Hand over the plain run of bytes up to the first LF, CR or Ctrl-Z at once.
        const char *begin = reader.buffer + reader.next;
        const char *end = reader.buffer + reader.fill;
        const char *at = begin;
        while (at < end && *at != '\n' && *at != '\r' && *at != END_OF_TEXT) ++at;
        line.append(begin, static_cast<size_t>(at - begin));
        reader.next = static_cast<size_t>(at - reader.buffer);
        if (at == end) continue;
        char stop = *at;
        ++reader.next;
        if (stop == '\n') {
            line += '\n';
            return 1;
        }
        if (stop == END_OF_TEXT) {
            reader.ended = 1;
            return line.empty() ? 0 : 1;
        }
        // A CR: with an LF after it the pair is one LF; alone it stays in the line.
        if (refill(reader) && reader.buffer[reader.next] == '\n') {
            ++reader.next;
            line += '\n';
            return 1;
        }
        line += '\r';
        // A CR that was the file's last byte: refill set ended, the line is complete.
        if (reader.ended) return 1;
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
