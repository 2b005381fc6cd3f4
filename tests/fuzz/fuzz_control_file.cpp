// Fuzz target: the conversion job on any bytes as its control file, converting
// a fixed small program. "@DIR@" in the input stands for the fuzz folder, as in
// the control files of the end-to-end cases; NC paths outside that folder are
// skipped, since the job replaces the output it is given.
#include <cstring>
#include <filesystem>
#include <vector>

#include "fuzz_support.h"
#include "job/conversion_job.h"
#include "platform/platform.h"

namespace {

const char Program[] =
    "%\r\nO1234\r\nG90 G92 X0 Y0 Z100.\r\nG00 X10. Y0\r\nG00 Z5.\r\nG01 Z-1. F100\r\nG01 X20.\r\n"
    "G02 X30. Y10. I0 J10.\r\nG00 Z100.\r\nM30\r\n%\r\n";

// 1 when the key names nothing or a plain name inside the fuzz folder.
int stays_inside(const std::string &control, const char *key) {
    std::vector<char> value(2048, '\0');
    profile_read_string("Pivora", key, "", value.data(), static_cast<unsigned long>(value.size()), control.c_str());
    std::string path = value.data();
    if (path.empty()) return 1;
    const std::string &folder = fuzz_folder();
    if (path.compare(0, folder.size(), folder) != 0) return 0;
    std::string name = path.substr(folder.size());
    return !name.empty() && name.find('/') == std::string::npos && name != "." && name != "..";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const int prepared = (fuzz_unattended_settings(), 1);
    (void)prepared;
    const std::string &folder = fuzz_folder();
    const std::string input = folder + "in.nc";
    const std::string control = folder + "control.ini";
    fuzz_write(input, reinterpret_cast<const uint8_t *>(Program), sizeof Program - 1);
    std::string text(reinterpret_cast<const char *>(data), size);
    const std::string here = folder.substr(0, folder.size() - 1);
    for (size_t at = text.find("@DIR@"); at != std::string::npos; at = text.find("@DIR@", at + here.size())) {
        text.replace(at, 5, here);
    }
    fuzz_write(control, reinterpret_cast<const uint8_t *>(text.data()), text.size());
    if (stays_inside(control, "NCFILE1") && stays_inside(control, "NCFILE2")) {
        run_job(nullptr, control.c_str());
        run_job(nullptr, control.c_str());  // the second run meets the first one's output
    }
    // Each run starts from the program, the settings and the control file alone.
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name != "Pivora.ini") std::filesystem::remove_all(entry.path(), error);
    }
    return 0;
}
