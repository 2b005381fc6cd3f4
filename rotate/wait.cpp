// The pause the copy drivers make between passes, counted on the tick counter.
#include <cstdint>

#include "platform/platform.h"
#include "rotate/drivers.h"
#include "settings/program_values.h"

int wait_seconds(int seconds) {
    if (SkipWaits) return 0;
    int counted = 0;
    uint32_t last = tick_count_ms();
    while (counted < seconds) {
        // The window stays alive meanwhile, and a close or a signal ends the wait.
        pump_interface_messages();
        if (CancelRequested) return -1;
        uint32_t now = tick_count_ms();
        // Unsigned difference: the counter's wrap-around does no harm.
        if (static_cast<uint32_t>(now - last) >= 1000u) {
            ++counted;
            last = now;
        } else {
            sleep_ms(10);
        }
    }
    return 0;
}
