// Fuzz target: the driver that follows each machining with two turned copies,
// on any bytes as the NC program, written into memory; its move files must be
// gone after every run.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    return fuzz_driver(FUZZ_PER_MACHINING, data, size);
}
