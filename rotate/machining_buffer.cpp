// Keeping a machining's lines for its copies. Short machinings stay in memory;
// a long one goes to the move file, which is created under a name no file has
// yet (it never replaces a file the tool did not make) and deleted afterwards.
#include "rotate/machining_buffer.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "log/message_log.h"
#include "rotate/drivers.h"

namespace {

// Gives up looking for a free name after this many taken ones.
const int FreeNameAttempts = 1000;

enum CreateResult { CREATED, NAME_TAKEN, CREATE_FAILED };

// Creates an empty file, never touching one that is already there.
CreateResult create_new_file(const char *path) {
#ifdef _WIN32
    int descriptor = _open(path, _O_WRONLY | _O_CREAT | _O_EXCL, _S_IREAD | _S_IWRITE);
#else
    int descriptor = open(path, O_WRONLY | O_CREAT | O_EXCL, 0644);
#endif
    if (descriptor < 0) return errno == EEXIST ? NAME_TAKEN : CREATE_FAILED;
#ifdef _WIN32
    _close(descriptor);
#else
    close(descriptor);
#endif
    return CREATED;
}

int create_move_file(MachiningBuffer &buffer, const char *input_path) {
    for (int attempt = 0; attempt < FreeNameAttempts; ++attempt, ++buffer.index) {
        machining_file_name(input_path, buffer.file_name, buffer.index);
        CreateResult result = create_new_file(buffer.file_name.c_str());
        if (result == NAME_TAKEN) continue;
        if (result == CREATED && text_open_write(buffer.file, buffer.file_name.c_str()) == 0) {
            ++buffer.index;
            return 0;
        }
        if (result == CREATED) file_delete(buffer.file_name.c_str());
        break;
    }
    message_format("エラー：テンポラリファイル %s 開けません", buffer.file_name.c_str());
    buffer.file_name.clear();
    return -1;
}

// One line of the move file: its number, a tab, its bytes.
void write_file_line(TextWriter &file, long long number, const char *text, size_t length) {
    char head[32];
    int used = std::snprintf(head, sizeof head, "%lld\t", number);
    text_write(file, head, static_cast<size_t>(used));
    text_write_line(file, text, length);
}

// The lines in memory go to the move file, which takes every later one.
int spill(MachiningBuffer &buffer, const char *input_path) {
    if (create_move_file(buffer, input_path) < 0) return -1;
    size_t at = 0;
    while (at < buffer.memory.size()) {
        long long number = 0;
        uint32_t length = 0;
        std::memcpy(&number, buffer.memory.data() + at, sizeof number);
        std::memcpy(&length, buffer.memory.data() + at + sizeof number, sizeof length);
        at += sizeof number + sizeof length;
        write_file_line(buffer.file, number, buffer.memory.data() + at, length);
        at += length;
    }
    std::string().swap(buffer.memory);
    buffer.spilled = 1;
    return 0;
}

int unreadable(MachiningBuffer &buffer) {
    message_format("エラー：テンポラリファイル %s を読み込めません。", buffer.file_name.c_str());
    return -1;
}

}  // namespace

void machining_file_name(const char *path, std::string &name, int index) {
    PathParts parts;
    split_path(path, parts);
    name = parts.drive + parts.directory + parts.name + "_" + std::to_string(index) + parts.extension;
}

void buffer_clear(MachiningBuffer &buffer) {
    buffer.memory.clear();
    buffer.lines = 0;
}

int buffer_add(MachiningBuffer &buffer, const char *input_path, const char *text, size_t length,
               long long number) {
    ++buffer.lines;
    if (!buffer.spilled && buffer.memory.size() + length + 12 > MACHINING_MEMORY_LIMIT) {
        if (spill(buffer, input_path) < 0) return -1;
    }
    if (buffer.spilled) {
        write_file_line(buffer.file, number, text, length);
        if (buffer.file.failed) {
            message_format("エラー：テンポラリファイル %s に書き込めません", buffer.file_name.c_str());
            return -1;
        }
        return 0;
    }
    uint32_t size = static_cast<uint32_t>(length);
    buffer.memory.append(reinterpret_cast<const char *>(&number), sizeof number);
    buffer.memory.append(reinterpret_cast<const char *>(&size), sizeof size);
    buffer.memory.append(text, length);
    return 0;
}

int buffer_open_reading(MachiningBuffer &buffer, BufferReader &reader) {
    reader.at = 0;
    reader.file.reset();
    if (!buffer.spilled) return 0;
    if (buffer.file.file && text_close_write(buffer.file) < 0) {
        message_format("エラー：テンポラリファイル %s に書き込めません", buffer.file_name.c_str());
        return -1;
    }
    reader.file = std::make_unique<TextReader>();
    if (text_open_read(*reader.file, buffer.file_name.c_str()) < 0) return unreadable(buffer);
    return 0;
}

int buffer_next_line(MachiningBuffer &buffer, BufferReader &reader, std::string &line, long long &number) {
    if (!buffer.spilled) {
        if (reader.at >= buffer.memory.size()) return 0;
        uint32_t length = 0;
        std::memcpy(&number, buffer.memory.data() + reader.at, sizeof number);
        std::memcpy(&length, buffer.memory.data() + reader.at + sizeof number, sizeof length);
        reader.at += sizeof number + sizeof length;
        line.assign(buffer.memory.data() + reader.at, length);
        reader.at += length;
        return 1;
    }
    std::string record;
    int read = text_read_line(*reader.file, record);
    if (read == 0) return 0;
    size_t tab = record.find('\t');
    if (read < 0 || tab == std::string::npos) return unreadable(buffer);
    char *end = nullptr;
    number = std::strtoll(record.c_str(), &end, 10);
    if (end != record.c_str() + tab) return unreadable(buffer);
    line.assign(record, tab + 1, std::string::npos);
    return 1;
}

void buffer_close_reading(BufferReader &reader) {
    if (reader.file) text_close_read(*reader.file);
    reader.file.reset();
}

int buffer_discard(MachiningBuffer &buffer) {
    if (buffer.file.file) text_close_write(buffer.file);
    int result = 0;
    if (!buffer.file_name.empty() && !file_delete(buffer.file_name.c_str())) {
        message_format("エラー：テンポラリファイルの削除に失敗しました");
        result = -1;
    }
    buffer.file_name.clear();
    buffer.spilled = 0;
    buffer.memory.clear();
    buffer.lines = 0;
    return result;
}
