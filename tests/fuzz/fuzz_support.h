// What the fuzz targets share: a private folder for the files one run makes, and
// the settings of an unattended job (no questions, no boxes, no pauses).
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/platform.h"
#include "rotate/drivers.h"
#include "settings/program_values.h"
#include "settings/settings_file.h"

// A folder of its own under TMPDIR, made at the first call and removed when the
// fuzzer ends; the path ends with a separator.
inline const std::string &fuzz_folder() {
    static std::string folder;
    if (!folder.empty()) return folder;
    const char *temporary = std::getenv("TMPDIR");
    std::string pattern = std::string(temporary && *temporary ? temporary : "/tmp") + "/pivora-fuzz.XXXXXX";
    if (!mkdtemp(&pattern[0])) std::abort();
    folder = pattern + "/";
    std::atexit([] {
        std::error_code error;
        std::filesystem::remove_all(folder, error);
    });
    return folder;
}

inline void fuzz_write(const std::string &path, const uint8_t *data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(data), static_cast<std::streamsize>(size));
}

// Stops the fuzzer when the folder holds anything but in.nc and Pivora.ini: a
// file a run made and left behind (a machining move file) is a fault.
inline void fuzz_expect_nothing_left() {
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(fuzz_folder(), error)) {
        const std::string name = entry.path().filename().string();
        if (name != "in.nc" && name != "Pivora.ini") std::abort();
    }
}

// Pivora.ini with every default in the fuzz folder, unattended flags, no pauses.
inline void fuzz_unattended_settings() {
    prepare_settings_paths(fuzz_folder().c_str());
    ActiveCommandFlags = {0, 1, 1, 0, 0};
    SkipWaits = 1;
}

enum FuzzDriver { FUZZ_WHOLE_PROGRAM, FUZZ_COPIES, FUZZ_PER_MACHINING };

// One run of a composition driver on the bytes as the NC program (30 degrees
// about (12.5, -7), three placements), written into memory; the run may refuse
// the program, but it may leave nothing behind.
inline int fuzz_driver(FuzzDriver driver, const uint8_t *data, size_t size) {
    static const int prepared = (fuzz_unattended_settings(), 1);
    (void)prepared;
    const std::string input = fuzz_folder() + "in.nc";
    fuzz_write(input, data, size);
    std::string written;
    TextWriter output;
    text_open_memory(output, written);
    double angle[3] = {30.0, 30.0, 30.0};
    const double centre[3] = {12.5, -7.0, 0.0};
    switch (driver) {
    case FUZZ_WHOLE_PROGRAM: rotate_whole_program(nullptr, output, input.c_str(), angle, centre); break;
    case FUZZ_COPIES: rotate_copies(nullptr, output, input.c_str(), angle, centre, 3); break;
    case FUZZ_PER_MACHINING: rotate_per_machining(nullptr, output, input.c_str(), angle, centre, 3); break;
    }
    text_close_write(output);
    fuzz_expect_nothing_left();
    return 0;
}
