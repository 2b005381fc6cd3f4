// pivora-bench: the two halves of a conversion job, each on its own, for the
// benchmark script to time apart: the composition driver writing the output,
// and the tool-path check reading input and output again. Not shipped; the
// job itself (pivora-run) always runs both.
//
//   pivora-bench convert|check INPUT OUTPUT ANGLE COPIES KEEP COMPOSITION
//
// KEEP 0: the whole program turned once; KEEP 1: COPIES placements, as copies
// of the whole program (COMPOSITION 0) or per machining (COMPOSITION 1). The
// centre is (0, 0); waits are off; settings come from a fresh temporary folder.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "log/message_log.h"
#include "platform/platform.h"
#include "rotate/drivers.h"
#include "settings/settings_file.h"
#include "toolpath/check.h"

namespace {

struct BenchJob {
    const char *input;
    const char *output;
    double angle;
    int copies;
    int keep;
    int composition;
};

void print_log_line(void *, const char *text) { std::fprintf(stderr, "%s\n", text); }

int convert(const BenchJob &job) {
    double angle[3] = {job.angle, job.angle, job.angle};
    const double centre[3] = {0.0, 0.0, 0.0};
    TextWriter output;
    if (text_open_write(output, job.output) < 0) {
        std::fprintf(stderr, "pivora-bench: cannot write %s\n", job.output);
        return -1;
    }
    int result = 0;
    if (!job.keep) {
        result = rotate_whole_program(nullptr, output, job.input, angle, centre);
    } else if (job.composition == 1) {
        result = rotate_per_machining(nullptr, output, job.input, angle, centre, job.copies);
    } else {
        result = rotate_copies(nullptr, output, job.input, angle, centre, job.copies);
    }
    if (text_close_write(output) < 0) result = -1;
    return result;
}

int check(const BenchJob &job) {
    CheckParams params = {job.angle, {0.0, 0.0}, job.copies, job.keep, job.composition};
    CheckResult result;
    if (check_conversion(job.input, job.output, params, result) == 0) return 0;
    std::fprintf(stderr, "pivora-bench: check failed at output line %d: %s / %s\n", result.output_line,
                 result.expected.c_str(), result.found.c_str());
    return -1;
}

// Settings of the machine's defaults in a folder of the bench's own.
int prepare_settings_folder(std::string &folder) {
    char pattern[] = "/tmp/pivora-bench-settings.XXXXXX";
    if (!mkdtemp(pattern)) return -1;
    folder = pattern;
    prepare_settings_paths((folder + "/").c_str());
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 8 || (std::strcmp(argv[1], "convert") != 0 && std::strcmp(argv[1], "check") != 0)) {
        std::fprintf(stderr, "usage: pivora-bench convert|check INPUT OUTPUT ANGLE COPIES KEEP COMPOSITION\n");
        return 2;
    }
    BenchJob job = {argv[2], argv[3], std::atof(argv[4]), std::atoi(argv[5]), std::atoi(argv[6]),
                    std::atoi(argv[7])};
    LogPort port = {nullptr, print_log_line, nullptr, nullptr};
    log_set_port(&port);
    SkipWaits = 1;
    std::string folder;
    if (prepare_settings_folder(folder) < 0) {
        std::fprintf(stderr, "pivora-bench: no temporary settings folder\n");
        return 1;
    }
    int result = std::strcmp(argv[1], "convert") == 0 ? convert(job) : check(job);
    if (std::remove(SettingsPath.c_str()) != 0 || std::remove(folder.c_str()) != 0) {
        std::fprintf(stderr, "pivora-bench: settings folder %s left behind\n", folder.c_str());
    }
    return result == 0 ? 0 : 1;
}
