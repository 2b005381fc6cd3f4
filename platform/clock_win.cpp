// The millisecond tick, pauses and the local time from Win32.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform/platform.h"

uint32_t tick_count_ms() { return GetTickCount(); }

void sleep_ms(unsigned milliseconds) { Sleep(milliseconds); }

void read_local_time(DateTimeFields &now) {
    SYSTEMTIME local;
    GetLocalTime(&local);
    now.year = local.wYear;
    now.month = local.wMonth;
    now.day = local.wDay;
    now.hour = local.wHour;
    now.minute = local.wMinute;
    now.second = local.wSecond;
}
