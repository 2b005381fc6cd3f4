// The millisecond tick, pauses and the local time on POSIX systems.
#include <time.h>

#include <cerrno>

#include "platform/platform.h"

uint32_t tick_count_ms() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    // Kept to 32 bits on purpose: callers take unsigned differences, as with GetTickCount.
    uint64_t milliseconds = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(milliseconds);
}

void sleep_ms(unsigned milliseconds) {
    struct timespec rest;
    rest.tv_sec = milliseconds / 1000u;
    rest.tv_nsec = static_cast<long>(milliseconds % 1000u) * 1000000L;
    while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
    }
}

void read_local_time(DateTimeFields &now) {
    time_t seconds = time(nullptr);
    struct tm local {};
    localtime_r(&seconds, &local);
    now.year = local.tm_year + 1900;
    now.month = local.tm_mon + 1;
    now.day = local.tm_mday;
    now.hour = local.tm_hour;
    now.minute = local.tm_min;
    // A leap second reads as the last ordinary one.
    now.second = local.tm_sec > 59 ? 59 : local.tm_sec;
}
