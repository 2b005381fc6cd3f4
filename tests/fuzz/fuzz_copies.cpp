// Fuzz target: the driver that writes three placements of the whole program, on
// any bytes as the NC program, written into memory.
#include "fuzz_support.h"
#include "platform/platform.h"
#include "rotate/drivers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const int prepared = (fuzz_unattended_settings(), 1);
    (void)prepared;
    const std::string input = fuzz_folder() + "in.nc";
    fuzz_write(input, data, size);
    std::string written;
    TextWriter output;
    text_open_memory(output, written);
    double angle[3] = {30.0, 30.0, 30.0};
    const double centre[3] = {12.5, -7.0, 0.0};
    rotate_copies(nullptr, output, input.c_str(), angle, centre, 3);
    text_close_write(output);
    fuzz_expect_nothing_left();
    return 0;
}
