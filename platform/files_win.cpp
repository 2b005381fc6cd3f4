// Existence, deletion, identity and replacement of files, full paths, and the
// executable's own path and process, from Win32.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <vector>

#include "platform/platform.h"

int file_exists(const char *path) {
    if (!path) return 0;
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return 0;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : 1;
}

int file_delete(const char *path) {
    if (!path) return 0;
    return DeleteFileA(path) ? 1 : 0;
}

namespace {

// 1 with the volume and index that identify the file at path.
int file_identity(const char *path, BY_HANDLE_FILE_INFORMATION &info) {
    if (!file_exists(path)) return 0;
    HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    BOOL ok = GetFileInformationByHandle(file, &info);
    CloseHandle(file);
    return ok ? 1 : 0;
}

}  // namespace

int same_file(const char *path_a, const char *path_b) {
    BY_HANDLE_FILE_INFORMATION a, b;
    if (!file_identity(path_a, a) || !file_identity(path_b, b)) return 0;
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
                   a.nFileIndexLow == b.nFileIndexLow
               ? 1
               : 0;
}

std::string executable_path() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return std::string();
        if (length < buffer.size()) return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

int path_exists(const char *path) {
    return path && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
}

int is_directory(const char *path) {
    if (!path) return 0;
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return 0;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
}

int file_writable(const char *path) {
    if (!file_exists(path)) return 0;
    // OPEN_EXISTING never empties the file; a read-only file or one that another
    // program holds without sharing is refused here as it would be on writing.
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    CloseHandle(file);
    return 1;
}

int file_replace(const char *from, const char *to) {
    if (!from || !to || !file_exists(from)) return 0;
    // Write-through: the call returns once the move has reached the disk.
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 1 : 0;
}

std::string full_path(const char *path) {
    if (!path || !*path) return std::string();
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        DWORD length = GetFullPathNameA(path, static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        if (length == 0) return path;
        if (length < buffer.size()) return std::string(buffer.data(), length);
        buffer.resize(length + 1);
    }
}

int same_path(const char *path_a, const char *path_b) {
    if (same_file(path_a, path_b)) return 1;
    std::string a = full_path(path_a);
    return !a.empty() && same_name(a, full_path(path_b)) ? 1 : 0;
}

unsigned long process_id() { return static_cast<unsigned long>(GetCurrentProcessId()); }
