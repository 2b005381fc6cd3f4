// Fuzz target: the INI reader on any bytes as Pivora.ini, with the names every
// reader of the program asks for, the section and key lists, small buffers,
// and one write whose value must read back.
#include <cstdlib>
#include <cstring>

#include "fuzz_support.h"
#include "platform/platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string path = fuzz_folder() + "Pivora.ini";
    fuzz_write(path, data, size);
    // The keys the program reads, each in its section.
    static const char *const keys[][2] = {
        {"FILES", "NCFILE"},       {"FILES", "OUTPUTFILE"},  {"FORMAT", "DECIMAL"},   {"FORMAT", "COMMENT"},
        {"COMMAND", "DEBUG"},      {"COMMAND", "MODE"},      {"COMMAND", "OVERWRITE"}, {"COMMAND", "HISTORY"},
        {"COLOR", "WINDOW"},       {"QUILLO", "NCVIEWER"},   {"Pivora", "ANGLE"},     {"Pivora", "XCOORD"},
        {"Pivora", "NCDATAKEEP"},  {"Pivora", "NCFILE1"},    {"HISTORY", "ROTCOUNT"}, {"MESSAGE", "TIME120"},
    };
    char small[2];
    char value[64];
    char list[4096];
    for (const auto &key : keys) {
        profile_read_string(key[0], key[1], "default", value, sizeof value, path.c_str());
        profile_read_string(key[0], key[1], "", small, sizeof small, path.c_str());
        profile_read_int(key[0], key[1], 7, path.c_str());
    }
    profile_read_string("Pivora", nullptr, "", list, sizeof list, path.c_str());
    profile_read_string("Pivora", nullptr, "", small, sizeof small, path.c_str());
    profile_read_string(nullptr, nullptr, "", list, sizeof list, path.c_str());
    profile_read_string(nullptr, nullptr, "", small, sizeof small, path.c_str());

    // The history is written and read back by Execute and "前回の情報読込".
    if (profile_write_string("HISTORY", "ROTANGLE", "45", path.c_str())) {
        profile_read_string("HISTORY", "ROTANGLE", "", value, sizeof value, path.c_str());
        if (std::strcmp(value, "45") != 0) std::abort();
    }
    return 0;
}
