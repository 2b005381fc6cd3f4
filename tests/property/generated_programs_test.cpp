// Generated programs through all three compositions and the tool-path check:
// every one converts, and the check finds the output to move the machine as
// the source does, turned. A failure names the seed to reproduce it with.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "../rotate/driver_harness.h"
#include "support/program_generator.h"
#include "toolpath/check.h"

namespace {

// How many programs the test runs: at least 2,000, as the rewrite's proof;
// PIVORA_PROPERTY_PROGRAMS asks for more in a long soak.
uint32_t program_count() {
    const char *asked = std::getenv("PIVORA_PROPERTY_PROGRAMS");
    long count = asked ? std::strtol(asked, nullptr, 10) : 0;
    return count > 2000 ? static_cast<uint32_t>(count) : 2000u;
}

struct Composition {
    const char *name;
    DriverKind kind;
    int keep_source;
    int type;
};

const Composition Compositions[] = {
    {"whole program", WHOLE_PROGRAM, 0, 1},
    {"copies", COPIES, 1, 0},
    {"per machining", PER_MACHINING, 1, 1},
};

// One program in one composition: "" when it converted and the check agreed,
// else what went wrong.
std::string convert_and_check(DriverHarness &h, const GeneratedJob &job, const Composition &composition) {
    h.centre[0] = job.centre[0];
    h.centre[1] = job.centre[1];
    std::string output;
    int result = h.run_file(composition.kind, job.angle, job.copy_count, output);
    if (result != 0) return "driver: " + (h.log.lines.empty() ? std::string("-") : h.log.lines.back());
    CheckParams params = {job.angle, {job.centre[0], job.centre[1]}, job.copy_count, composition.keep_source,
                          composition.type};
    CheckResult check;
    if (h.check(params, check) != 0) {
        return "check: output line " + std::to_string(check.output_line) + ", input line " +
               std::to_string(check.input_line) + ": expected " + check.expected + ", found " + check.found;
    }
    if (!h.stray_files().empty()) return "left behind: " + h.stray_files();
    return "";
}

}  // namespace

TEST(GeneratedPrograms, EveryCompositionConvertsAndPassesTheCheck) {
    DriverHarness h;
    int failures = 0;
    const uint32_t count = program_count();
    for (uint32_t seed = 1; seed <= count && failures < 10; ++seed) {
        GeneratedJob job;
        generate_job(seed, job);
        write_file_bytes(h.input_path, job.program);
        for (const Composition &composition : Compositions) {
            std::string fault = convert_and_check(h, job, composition);
            if (fault.empty()) continue;
            ++failures;
            ADD_FAILURE() << "seed " << seed << ", " << composition.name << ", angle " << job.angle << ", centre "
                          << job.centre[0] << " " << job.centre[1] << ", copies " << job.copy_count << ": " << fault;
        }
    }
}

// With cutter compensation the whole program and its copies still convert;
// copies per machining refuse the compensated machining and leave nothing.
TEST(GeneratedPrograms, CompensatedProgramsAreRefusedOnlyPerMachining) {
    DriverHarness h;
    int compensated = 0;
    for (uint32_t seed = 1; seed <= 300; ++seed) {
        GeneratedJob job;
        generate_job(seed, job, true);
        if (!job.compensation) continue;
        ++compensated;
        write_file_bytes(h.input_path, job.program);
        for (const Composition &composition : Compositions) {
            std::string fault = convert_and_check(h, job, composition);
            if (composition.kind == PER_MACHINING) {
                EXPECT_EQ(0u, fault.find("driver: ")) << "seed " << seed;
                EXPECT_EQ("", h.stray_files()) << "seed " << seed;
            } else {
                EXPECT_EQ("", fault) << "seed " << seed << ", " << composition.name;
            }
        }
    }
    EXPECT_GT(compensated, 20);
}
