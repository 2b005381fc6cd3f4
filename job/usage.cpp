// The usage box for the command-line forms "?" and "/?": what the tool does, how
// it is called, and its version and maker.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "job/conversion_job.h"
#include "settings/program_values.h"
#include "log/message_log.h"

static const char *environment_text(const char *name) {
    const char *value = std::getenv(name);
    return value ? value : "";
}

void usage_text(const char *description, const char *argument, std::string &text) {
    const std::string lines[] = {
        description ? description : "",
        "[ 使用方法 ]",
        text_format("%s%s> %s", environment_text("HOMEDRIVE"), environment_text("HOMEPATH"),
               argument ? argument : ""),
        text_format("%s %d", "Pivora", ProgramVersion.year),
        text_format("%s　Version %d.%02d", "Pivora", ProgramVersion.release, ProgramVersion.revision),
        text_format("Build date　%d/%02d/%02d", ProgramVersion.year, ProgramVersion.build_month,
               ProgramVersion.build_day),
        MakerHomePage,
        text_format("Copyright (C) %d-%d %s", MakerFirstYear, ProgramVersion.year, MakerName),
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
