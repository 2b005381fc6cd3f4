// INI profile files through the Win32 profile functions themselves.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform/platform.h"

unsigned long profile_read_string(const char *section, const char *key, const char *default_value,
                                  char *out, unsigned long size, const char *path) {
    if (!out || size == 0) return 0;
    return GetPrivateProfileStringA(section, key, default_value ? default_value : "", out, size, path);
}

int profile_read_int(const char *section, const char *key, int default_value, const char *path) {
    return static_cast<int>(GetPrivateProfileIntA(section, key, default_value, path));
}

int profile_write_string(const char *section, const char *key, const char *value, const char *path) {
    return WritePrivateProfileStringA(section, key, value, path) ? 1 : 0;
}
