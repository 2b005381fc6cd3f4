// INI profile files read and written the way the Win32 profile functions do it,
// for the builds that do not have them. The file is code page 932 text: a name or
// value is scanned character by character, so that a trail byte such as 0x5C or
// 0x5D is never taken for a bracket, and only ASCII letters fold for comparison.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace {

// The string read behind the integer read holds this much, as the Win32 one does:
// longer values are cut before they are converted.
const unsigned long INT_TEXT_LIMIT = 30;

enum LineKind {
    LINE_OTHER,    // blank, comment, or text without "="
    LINE_SECTION,  // [name]
    LINE_KEY       // key=value
};

struct IniLine {
    size_t start;       // first byte of the line in the file text
    size_t end;         // one past the last byte before the line end
    size_t next;        // first byte of the following line
    LineKind kind;
    std::string name;   // section name or key, trimmed
    std::string value;  // value of a key, trimmed, stopped at a NUL byte
};

int is_blank(unsigned char byte) {
    return byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n' || byte == '\v' || byte == '\f';
}

// Length of the character that starts at text[at], never past end.
size_t char_length(const std::string &text, size_t at, size_t end) {
    if (is_lead_byte(static_cast<unsigned char>(text[at])) && at + 1 < end) return 2;
    return 1;
}

std::string trimmed(const std::string &text, size_t begin, size_t end) {
    while (begin < end && is_blank(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && is_blank(static_cast<unsigned char>(text[end - 1]))) --end;
    return text.substr(begin, end - begin);
}

std::string trimmed(const char *text) {
    std::string whole = text ? text : "";
    return trimmed(whole, 0, whole.size());
}


void classify_line(const std::string &text, IniLine &line) {
    size_t begin = line.start;
    while (begin < line.end && is_blank(static_cast<unsigned char>(text[begin]))) ++begin;
    if (begin == line.end || text[begin] == ';') return;
    size_t close = std::string::npos;
    size_t equals = std::string::npos;
    for (size_t at = begin; at < line.end; at += char_length(text, at, line.end)) {
        if (text[at] == ']') close = at;
        if (text[at] == '=' && equals == std::string::npos) equals = at;
    }
    if (text[begin] == '[' && close != std::string::npos) {
        // Anything after the closing bracket is ignored.
        line.kind = LINE_SECTION;
        line.name = trimmed(text, begin + 1, close);
        return;
    }
    if (equals == std::string::npos) return;
    line.kind = LINE_KEY;
    line.name = trimmed(text, begin, equals);
    size_t value_end = line.end;
    const void *nul = std::memchr(text.data() + equals, '\0', line.end - equals);
    if (nul) value_end = static_cast<size_t>(static_cast<const char *>(nul) - text.data());
    line.value = trimmed(text, equals + 1, value_end);
}

// Splits the file text into lines; a CR, an LF or CR LF ends a line.
void parse_lines(const std::string &text, std::vector<IniLine> &lines) {
    size_t at = 0;
    while (at < text.size()) {
        IniLine line{at, at, at, LINE_OTHER, std::string(), std::string()};
        size_t end = at;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r') ++end;
        line.end = end;
        if (end < text.size() && text[end] == '\r') ++end;
        if (end < text.size() && text[end] == '\n' && (end == line.end || text[end - 1] == '\r')) ++end;
        line.next = end;
        classify_line(text, line);
        lines.push_back(line);
        at = end;
    }
}

// 0 with the text of the file, -1 when there is no readable file at path.
int load_file(const char *path, std::string &text) {
    text.clear();
    if (!path || !*path) return -1;
    struct stat info;
    if (stat(path, &info) != 0 || !S_ISREG(info.st_mode)) return -1;
    FILE *file = std::fopen(path, "rb");
    if (!file) return -1;
    char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, got);
    int failed = std::ferror(file);
    std::fclose(file);
    return failed ? -1 : 0;
}

// Index of the first section header of that name, or -1. A later header of the
// same name is never reached: the first one wins.
long find_section(const std::vector<IniLine> &lines, const std::string &section) {
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].kind == LINE_SECTION && same_name(lines[i].name, section)) return static_cast<long>(i);
    return -1;
}

// One past the last line of the section whose header is at index header.
size_t section_end(const std::vector<IniLine> &lines, size_t header) {
    size_t i = header + 1;
    while (i < lines.size() && lines[i].kind != LINE_SECTION) ++i;
    return i;
}

long find_key(const std::vector<IniLine> &lines, long header, const std::string &key) {
    if (header < 0) return -1;
    size_t end = section_end(lines, static_cast<size_t>(header));
    for (size_t i = static_cast<size_t>(header) + 1; i < end; ++i)
        if (lines[i].kind == LINE_KEY && same_name(lines[i].name, key)) return static_cast<long>(i);
    return -1;
}

// A value enclosed in a pair of the same quotation marks loses them.
std::string unquoted(const std::string &value) {
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        return value.substr(1, value.size() - 2);
    return value;
}

// Copies at most size - 1 bytes and a terminator. A cut that would keep only the
// lead byte of a double-byte character drops that byte as well, so the text never
// ends in half a character.
unsigned long copy_cut(const std::string &value, char *out, unsigned long size) {
    size_t limit = size - 1;
    size_t count = 0;
    while (count < value.size()) {
        size_t step = char_length(value, count, value.size());
        if (count + step > limit) break;
        count += step;
    }
    std::memcpy(out, value.data(), count);
    out[count] = '\0';
    return static_cast<unsigned long>(count);
}

// A list of names, each ended by a NUL and the whole by one more. A list that
// does not fit is cut and ends in two NULs; the result is then size - 2.
unsigned long copy_list(const std::vector<std::string> &names, char *out, unsigned long size) {
    std::string list;
    for (const std::string &name : names) {
        if (name.empty()) continue;  // it would end the list early
        list += name;
        list += '\0';
    }
    if (list.size() + 1 <= size) {
        std::memcpy(out, list.data(), list.size());
        out[list.size()] = '\0';
        return static_cast<unsigned long>(list.size());
    }
    if (size < 2) {
        out[0] = '\0';
        return 0;
    }
    std::memcpy(out, list.data(), size - 2);
    out[size - 2] = '\0';
    out[size - 1] = '\0';
    return size - 2;
}

unsigned long list_names(const std::vector<IniLine> &lines, const char *section, char *out, unsigned long size) {
    std::vector<std::string> names;
    if (!section) {
        for (const IniLine &line : lines)
            if (line.kind == LINE_SECTION) names.push_back(line.name);
        return copy_list(names, out, size);
    }
    long header = find_section(lines, trimmed(section));
    if (header >= 0) {
        size_t end = section_end(lines, static_cast<size_t>(header));
        for (size_t i = static_cast<size_t>(header) + 1; i < end; ++i)
            if (lines[i].kind == LINE_KEY) names.push_back(lines[i].name);
    }
    return copy_list(names, out, size);
}

// 1 with the unquoted value when the key is present, else 0.
int find_value(const char *section, const char *key, const char *path, std::string &value) {
    std::string text;
    if (load_file(path, text) != 0) return 0;
    std::vector<IniLine> lines;
    parse_lines(text, lines);
    long at = find_key(lines, find_section(lines, trimmed(section)), trimmed(key));
    if (at < 0) return 0;
    value = unquoted(lines[static_cast<size_t>(at)].value);
    return 1;
}

// Writes text to a fresh file beside path and puts it in path's place, so that a
// failed write leaves the old file as it was. 1 on success.
int replace_file(const char *path, const std::string &text) {
    struct stat info;
    int existed = stat(path, &info) == 0;
    if (existed && (!S_ISREG(info.st_mode) || access(path, W_OK) != 0)) return 0;
    std::string temporary = std::string(path) + ".pivora-new";
    FILE *file = std::fopen(temporary.c_str(), "wb");
    if (!file) return 0;
    int ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    ok = (std::fflush(file) == 0) && ok;
    ok = (std::fclose(file) == 0) && ok;
    if (ok && existed) chmod(temporary.c_str(), info.st_mode & 07777);
    if (ok && std::rename(temporary.c_str(), path) == 0) return 1;
    std::remove(temporary.c_str());
    return 0;
}

// The file text with one key set, removed (value nullptr) or its section removed
// (key nullptr). Every other line keeps its bytes. 0 when nothing changes.
int edit_text(std::string &text, const char *section, const char *key, const char *value) {
    std::vector<IniLine> lines;
    parse_lines(text, lines);
    std::string name = trimmed(section);
    long header = find_section(lines, name);
    if (!key) {
        if (header < 0) return 0;
        size_t end = section_end(lines, static_cast<size_t>(header));
        size_t from = lines[static_cast<size_t>(header)].start;
        size_t to = end < lines.size() ? lines[end].start : text.size();
        text.erase(from, to - from);
        return 1;
    }
    long at = find_key(lines, header, trimmed(key));
    if (!value) {
        if (at < 0) return 0;
        const IniLine &line = lines[static_cast<size_t>(at)];
        text.erase(line.start, line.next - line.start);
        return 1;
    }
    if (at >= 0) {
        // The key keeps its spelling in the file, the line its own line end.
        const IniLine &line = lines[static_cast<size_t>(at)];
        text.replace(line.start, line.end - line.start, line.name + "=" + value);
        return 1;
    }
    std::string entry = trimmed(key) + "=" + value;
    if (header < 0) {
        if (!text.empty() && text.back() != '\n' && text.back() != '\r') text += "\r\n";
        text += "[" + name + "]\r\n" + entry + "\r\n";
        return 1;
    }
    // A new key goes after the last line of its section that is not blank.
    size_t end = section_end(lines, static_cast<size_t>(header));
    size_t last = static_cast<size_t>(header);
    for (size_t i = last + 1; i < end; ++i)
        if (trimmed(text, lines[i].start, lines[i].end).size() > 0) last = i;
    size_t insert_at = lines[last].next;
    if (lines[last].next == lines[last].end) {
        // The section's last line is the file's last and has no line end.
        text.insert(insert_at, "\r\n" + entry + "\r\n");
    } else {
        text.insert(insert_at, entry + "\r\n");
    }
    return 1;
}

}  // namespace

unsigned long profile_read_string(const char *section, const char *key, const char *default_value,
                                  char *out, unsigned long size, const char *path) {
    if (!out || size == 0) return 0;
    if (!section || !key) {
        std::string text;
        std::vector<IniLine> lines;
        if (load_file(path, text) == 0) parse_lines(text, lines);
        return list_names(lines, section, out, size);
    }
    std::string value;
    if (!find_value(section, key, path, value)) {
        // The default loses its trailing blanks and a pair of enclosing quotes.
        std::string fallback = default_value ? default_value : "";
        while (!fallback.empty() && is_blank(static_cast<unsigned char>(fallback.back()))) fallback.pop_back();
        value = unquoted(fallback);
    }
    return copy_cut(value, out, size);
}

int profile_read_int(const char *section, const char *key, int default_value, const char *path) {
    if (!section || !key) return default_value;
    std::string value;
    if (!find_value(section, key, path, value)) return default_value;
    char text[INT_TEXT_LIMIT];
    if (copy_cut(value, text, INT_TEXT_LIMIT) == 0) return default_value;
    // Digits past the range of 32 bits wrap around, as the Win32 conversion does.
    const char *at = text;
    int negative = 0;
    if (*at == '-' || *at == '+') negative = *at++ == '-';
    uint32_t number = 0;
    for (; *at >= '0' && *at <= '9'; ++at) number = number * 10u + static_cast<uint32_t>(*at - '0');
    if (negative) number = 0u - number;
    int result;
    std::memcpy(&result, &number, sizeof result);
    return result;
}

int profile_write_string(const char *section, const char *key, const char *value, const char *path) {
    if (!section || !path || !*path) return 0;
    std::string text;
    int present = load_file(path, text) == 0;
    struct stat info;
    if (!present && stat(path, &info) == 0) return 0;  // something that is not a readable file
    if (!edit_text(text, section, key, value)) return 1;  // nothing to remove
    return replace_file(path, text);
}
