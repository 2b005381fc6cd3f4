// Runs a composition driver on a program written into a temporary folder, with
// the settings file of that folder, no waits and the log captured.
#pragma once

#include <cstring>
#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "rotate/drivers.h"
#include "settings/program_values.h"
#include "test_support.h"
#include "toolpath/check.h"

// Text with CR LF line ends turned into LF, and LF into CR LF.
inline std::string without_cr(const std::string &text) {
    std::string out;
    for (char c : text) {
        if (c != '\r') out += c;
    }
    return out;
}
inline std::string with_crlf(const std::string &text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

enum DriverKind { WHOLE_PROGRAM, PER_MACHINING, COPIES };

struct DriverHarness {
    TempDir dir;
    SettingsHome home{dir.path};
    CapturedLog log;
    int saved_skip_waits = SkipWaits;
    std::string input_path = dir.file("PART.NC");
    std::string output_path = dir.file("PART_ROT.NC");
    double angle[3] = {0, 0, 0};
    double centre[3] = {0, 0, 0};

    DriverHarness() { SkipWaits = 1; }
    ~DriverHarness() { SkipWaits = saved_skip_waits; }

    // FORMAT / DECIMAL and COMMENT in the settings file of the folder.
    void set_format(int decimal_mode, int comment_mode) {
        profile_write_string("FORMAT", "DECIMAL", std::to_string(decimal_mode).c_str(), SettingsPath.c_str());
        profile_write_string("FORMAT", "COMMENT", std::to_string(comment_mode).c_str(), SettingsPath.c_str());
    }

    // Runs the driver on the program already in input_path; the output file's bytes go to output.
    int run_file(DriverKind kind, double base_angle, int copy_count, std::string &output) {
        angle[0] = angle[1] = angle[2] = base_angle;
        TextWriter writer;
        if (text_open_write(writer, output_path.c_str()) != 0) return -99;
        int result = -99;
        switch (kind) {
        case WHOLE_PROGRAM:
            result = rotate_whole_program(nullptr, writer, input_path.c_str(), angle, centre);
            break;
        case PER_MACHINING:
            result = rotate_per_machining(nullptr, writer, input_path.c_str(), angle, centre, copy_count);
            break;
        case COPIES:
            result = rotate_copies(nullptr, writer, input_path.c_str(), angle, centre, copy_count);
            break;
        }
        text_close_write(writer);
        output = read_file_bytes(output_path);
        return result;
    }

    int run(DriverKind kind, const std::string &program, double base_angle, int copy_count,
            std::string &output) {
        write_file_bytes(input_path, program);
        return run_file(kind, base_angle, copy_count, output);
    }

    // The program (LF line ends, written with CR LF) converted; the output with
    // LF line ends. result receives the driver's result.
    std::string convert(DriverKind kind, const std::string &program, double base_angle, int copy_count,
                        int &result) {
        std::string output;
        result = run(kind, with_crlf(program), base_angle, copy_count, output);
        return without_cr(output);
    }

    // The tool-path check on the input and the output as they stand.
    int check(const CheckParams &params, CheckResult &result) const {
        return check_conversion(input_path.c_str(), output_path.c_str(), params, result);
    }

    // A corruption for the check to find: the output's first line that reads
    // line becomes with (an empty with takes the line out). false when no line
    // reads so.
    bool replace_output_line(const std::string &line, const std::string &with) {
        std::string bytes = "\r\n" + read_file_bytes(output_path);
        size_t at = bytes.find("\r\n" + line + "\r\n");
        if (at == std::string::npos) return false;
        bytes.replace(at + 2, line.size() + 2, with.empty() ? "" : with + "\r\n");
        write_file_bytes(output_path, bytes.substr(2));
        return true;
    }

    // Names of the files in the folder other than the input, the output and the settings.
    std::string stray_files() const {
        std::string names;
        for (const auto &entry : std::filesystem::directory_iterator(dir.path)) {
            std::string name = entry.path().filename().string();
            if (name == "PART.NC" || name == "PART_ROT.NC" || name == "Pivora.ini") continue;
            names += name + " ";
        }
        return names;
    }
};

// The expected output kept under tests/rotate/expected/.
inline std::string expected_output(const std::string &name) {
    return read_file_bytes(test_data_path("rotate/expected/" + name));
}

// The first log line that begins with "エラー", or "".
inline std::string first_error(const CapturedLog &log) {
    for (const std::string &line : log.lines) {
        if (line.compare(0, std::strlen("エラー"), "エラー") == 0) return line;
    }
    return "";
}
