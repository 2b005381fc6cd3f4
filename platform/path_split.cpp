// Splitting a path into drive, directory, base name and extension, as the Windows
// runtime's splitter does, on every build. Paths are code page 932: the second byte
// of a double-byte character (0x5C is common, as in 表) is never a separator or a point.
// Names (files, INI sections and keys) are compared as Windows compares them.
#include <cstring>

#include "platform/platform.h"

int is_lead_byte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC) ? 1 : 0;
}

void split_path(const char *path, PathParts &parts) {
    parts = PathParts();
    if (!path) return;
    size_t length = std::strlen(path);
    size_t start = 0;
    unsigned char first = static_cast<unsigned char>(path[0]);
    if (length >= 2 && path[1] == ':' && ((first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z'))) {
        parts.drive.assign(path, 2);
        start = 2;
    }
    // One pass over whole characters: where the directory ends and where the last point is.
    size_t name_start = start;
    size_t last_point = length;
    for (size_t at = start; at < length;) {
        unsigned char byte = static_cast<unsigned char>(path[at]);
        if (is_lead_byte(byte) && at + 1 < length) {
            at += 2;
            continue;
        }
        if (byte == '\\' || byte == '/') {
            name_start = at + 1;
            last_point = length;
        } else if (byte == '.') {
            last_point = at;
        }
        ++at;
    }
    parts.directory.assign(path + start, name_start - start);
    parts.name.assign(path + name_start, last_point - name_start);
    parts.extension.assign(path + last_point, length - last_point);
}

int same_name(const std::string &a, const std::string &b) {
    if (a.size() != b.size()) return 0;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (is_lead_byte(x) && i + 1 < a.size()) {
            if (x != y || a[i + 1] != b[i + 1]) return 0;
            ++i;
            continue;
        }
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y) return 0;
    }
    return 1;
}
