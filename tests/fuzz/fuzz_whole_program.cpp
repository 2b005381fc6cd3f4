// Fuzz target: the driver that turns the whole program once, on any bytes as
// the NC program, written into memory.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    return fuzz_driver(FUZZ_WHOLE_PROGRAM, data, size);
}
