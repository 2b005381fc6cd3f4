// Starting a program or opening a folder through the Windows shell.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>

#include "platform/platform.h"

intptr_t shell_execute(const char *verb, const char *file, const char *params) {
    HINSTANCE result = ShellExecuteA(nullptr, verb, file, params, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<intptr_t>(result);
}
