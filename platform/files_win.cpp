// Existence, deletion and identity of files, and the executable's own path, from Win32.
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
