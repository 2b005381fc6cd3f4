// Correct outputs of generated programs, corrupted in ways that matter on the
// machine: the check must fail each one, at the line that was corrupted.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "../rotate/driver_harness.h"
#include "support/program_generator.h"
#include "toolpath/check_run.h"

namespace {

// The output's motions, each with its line and whether it cuts.
struct SeenMotion {
    int line;
    int kind;
};

void remember(void *context, const Motion &motion, int) {
    static_cast<std::vector<SeenMotion> *>(context)->push_back({motion.line, motion.kind});
}

std::vector<std::string> split_lines(const std::string &text) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

std::string join_lines(const std::vector<std::string> &lines) {
    std::string text;
    for (const std::string &line : lines) text += line + "\r\n";
    return text;
}

// The line with its first number after letter changed by delta millimetres, in
// the style it is written in; "" when the line has no such word.
std::string with_word_moved(const std::string &line, char letter, double delta) {
    size_t at = line.find(letter);
    if (at == std::string::npos || line.find('(') < at) return "";
    size_t end = at + 1;
    while (end < line.size() && (std::isdigit(static_cast<unsigned char>(line[end])) || line[end] == '.' ||
                                 line[end] == '-' || line[end] == '+')) {
        ++end;
    }
    std::string number = line.substr(at + 1, end - at - 1);
    if (number.empty()) return "";
    bool point = number.find('.') != std::string::npos;
    double value = std::strtod(number.c_str(), nullptr);
    char text[64];
    if (point) {
        std::snprintf(text, sizeof text, "%.3f", value + delta);
    } else {
        std::snprintf(text, sizeof text, "%.0f", value + delta * 1000.0);
    }
    return line.substr(0, at + 1) + text + line.substr(end);
}

struct Corruption {
    const char *name;
    int names_its_line;  // the check names the corrupted line itself; else a later one that it affects
    // The corrupted output, or "" when this output offers no place for it.
    std::string (*apply)(const std::vector<std::string> &lines, const std::vector<SeenMotion> &motions, int &line);
};

// The first cut written with an X word, its X off by 0.01 mm.
std::string coordinate_off(const std::vector<std::string> &lines, const std::vector<SeenMotion> &motions, int &line) {
    for (const SeenMotion &motion : motions) {
        if (motion.kind != MOTION_FEED) continue;
        std::string moved = with_word_moved(lines[motion.line - 1], 'X', 0.01);
        if (moved.empty()) continue;
        std::vector<std::string> corrupted = lines;
        corrupted[motion.line - 1] = moved;
        line = motion.line;
        return join_lines(corrupted);
    }
    return "";
}

// The first arc that names its direction, turned the other way.
std::string arc_reversed(const std::vector<std::string> &lines, const std::vector<SeenMotion> &motions, int &line) {
    for (const SeenMotion &motion : motions) {
        if (motion.kind != MOTION_ARC_CW && motion.kind != MOTION_ARC_CCW) continue;
        std::string text = lines[motion.line - 1];
        size_t at = text.find(motion.kind == MOTION_ARC_CW ? "G02" : "G03");
        if (at == std::string::npos) continue;
        text[at + 2] = motion.kind == MOTION_ARC_CW ? '3' : '2';
        std::vector<std::string> corrupted = lines;
        corrupted[motion.line - 1] = text;
        line = motion.line;
        return join_lines(corrupted);
    }
    return "";
}

// A cut in the middle of the program left out.
std::string cut_dropped(const std::vector<std::string> &lines, const std::vector<SeenMotion> &motions, int &line) {
    std::vector<const SeenMotion *> cuts;
    for (const SeenMotion &motion : motions) {
        if (motion.kind == MOTION_FEED || motion.kind == MOTION_ARC_CW || motion.kind == MOTION_ARC_CCW) {
            cuts.push_back(&motion);
        }
    }
    if (cuts.size() < 3) return "";
    const SeenMotion &dropped = *cuts[cuts.size() / 2];
    std::vector<std::string> corrupted = lines;
    corrupted.erase(corrupted.begin() + dropped.line - 1);
    line = dropped.line;
    return join_lines(corrupted);
}

// The first work offset on a line swapped for another.
std::string offset_swapped(const std::vector<std::string> &lines, const std::vector<SeenMotion> &, int &line) {
    for (size_t i = 0; i < lines.size(); ++i) {
        size_t at = lines[i].find("G54");
        if (at == std::string::npos || lines[i].find('(') < at || lines[i].compare(at, 5, "G54.1") == 0) continue;
        std::vector<std::string> corrupted = lines;
        corrupted[i].replace(at, 3, "G59");
        line = static_cast<int>(i) + 1;
        return join_lines(corrupted);
    }
    return "";
}

// The first spindle start lost.
std::string spindle_lost(const std::vector<std::string> &lines, const std::vector<SeenMotion> &, int &line) {
    for (size_t i = 0; i < lines.size(); ++i) {
        for (const char *code : {"M03", "M3 ", "M04"}) {
            size_t at = lines[i].find(code);
            if (at == std::string::npos || lines[i].find('(') < at) continue;
            std::vector<std::string> corrupted = lines;
            corrupted[i].erase(at, 3);
            line = static_cast<int>(i) + 1;
            return join_lines(corrupted);
        }
    }
    return "";
}

// The first feed written as G01 turned into a rapid.
std::string feed_made_rapid(const std::vector<std::string> &lines, const std::vector<SeenMotion> &motions, int &line) {
    for (const SeenMotion &motion : motions) {
        if (motion.kind != MOTION_FEED) continue;
        std::string text = lines[motion.line - 1];
        size_t at = text.find("G01");
        if (at == std::string::npos) continue;
        text[at + 2] = '0';
        std::vector<std::string> corrupted = lines;
        corrupted[motion.line - 1] = text;
        line = motion.line;
        return join_lines(corrupted);
    }
    return "";
}

const Corruption Corruptions[] = {
    {"coordinate off by 0.01", 1, coordinate_off}, {"G02 for G03", 1, arc_reversed},
    {"dropped cut", 0, cut_dropped},                {"swapped work offset", 0, offset_swapped},
    {"lost M03", 0, spindle_lost},                  {"feed made a rapid", 1, feed_made_rapid},
};

}  // namespace

TEST(CorruptedOutputs, TheCheckFailsEveryCorruptionThatMatters) {
    DriverHarness h;
    int tried[sizeof Corruptions / sizeof Corruptions[0]] = {};
    for (uint32_t seed = 1; seed <= 60; ++seed) {
        GeneratedJob job;
        generate_job(seed, job);
        write_file_bytes(h.input_path, job.program);
        h.centre[0] = job.centre[0];
        h.centre[1] = job.centre[1];
        DriverKind kind = seed % 3 == 0 ? WHOLE_PROGRAM : seed % 3 == 1 ? COPIES : PER_MACHINING;
        std::string output;
        ASSERT_EQ(0, h.run_file(kind, job.angle, job.copy_count, output)) << seed;
        CheckParams params = {job.angle, {job.centre[0], job.centre[1]}, job.copy_count, kind == WHOLE_PROGRAM ? 0 : 1,
                              kind == PER_MACHINING ? 1 : 0};
        std::vector<SeenMotion> motions;
        CheckObserver observer = {&motions, remember};
        CheckResult result;
        ASSERT_EQ(0, check_conversion_observed(h.input_path.c_str(), h.output_path.c_str(), params, result, &observer))
            << "seed " << seed << ": " << result.found;
        std::vector<std::string> lines = split_lines(without_cr(output));
        for (size_t c = 0; c < sizeof Corruptions / sizeof Corruptions[0]; ++c) {
            int line = 0;
            std::string corrupted = Corruptions[c].apply(lines, motions, line);
            if (corrupted.empty()) continue;
            ++tried[c];
            write_file_bytes(h.output_path, corrupted);
            CheckResult found;
            EXPECT_EQ(-1, h.check(params, found))
                << "seed " << seed << ", " << Corruptions[c].name << " at output line " << line;
            // A state is compared at the cuts it governs: the first of them is named.
            if (Corruptions[c].names_its_line) {
                EXPECT_EQ(line, found.output_line) << "seed " << seed << ", " << Corruptions[c].name;
            } else {
                EXPECT_GE(found.output_line, line - 1) << "seed " << seed << ", " << Corruptions[c].name;
            }
        }
    }
    // Every kind of corruption was met often enough to mean something.
    for (size_t c = 0; c < sizeof Corruptions / sizeof Corruptions[0]; ++c) EXPECT_GE(tried[c], 10) << Corruptions[c].name;
}
