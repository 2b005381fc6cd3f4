// Fuzz target: the driver that writes three placements of the whole program, on
// any bytes as the NC program, written into memory.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    return fuzz_driver(FUZZ_COPIES, data, size);
}
