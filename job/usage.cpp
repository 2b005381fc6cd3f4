// The usage box for the command-line forms "?" and "/?": what the tool does, how
// it is called, and its version and maker.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "job/conversion_job.h"
#include "settings/program_values.h"
#include "shell/message_log.h"

static const char *const MakerHomePage = "https://www.tessaly.example/";
static const int MakerFirstYear = 1998;

static const char *environment_text(const char *name) {
    const char *value = std::getenv(name);
    return value ? value : "";
}

// One printf-formed line of any length.
static std::string formed(const char *format, ...) __attribute__((format(printf, 1, 2)));
static std::string formed(const char *format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int wanted = vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text;
    if (wanted > 0) {
        std::vector<char> buffer(static_cast<size_t>(wanted) + 1);
        vsnprintf(buffer.data(), buffer.size(), format, again);
        text.assign(buffer.data(), static_cast<size_t>(wanted));
    }
    va_end(again);
    return text;
}

void usage_text(const char *description, const char *argument, std::string &text) {
    const std::string lines[] = {
        description ? description : "",
        "[ 使用方法 ]",
        formed("%s%s> %s", environment_text("HOMEDRIVE"), environment_text("HOMEPATH"),
               argument ? argument : ""),
        formed("%s %d", "Pivora", ProgramVersion.year),
        formed("%s　Version %d.%02d", "Pivora", ProgramVersion.release, ProgramVersion.revision),
        formed("Build date　%d/%02d/%02d", ProgramVersion.year, ProgramVersion.build_month,
               ProgramVersion.build_day),
        MakerHomePage,
        formed("Copyright (C) %d-%d Tessaly", MakerFirstYear, ProgramVersion.year),
    };
    text = lines[0];
    for (size_t at = 1; at < sizeof lines / sizeof lines[0]; ++at) text += "\n\n" + lines[at];
}

int show_usage(const char *description, const char *argument) {
    std::string text;
    usage_text(description, argument, text);
    message_format("%s", text.c_str());
    show_box(nullptr, MessageText, BOX_INFORMATION);
    memset(MessageText, 0, sizeof MessageText);
    return 0;
}
