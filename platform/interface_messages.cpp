// The window messages of a long job, where there is no window: nothing waits.
#include "platform/platform.h"

void pump_interface_messages() {}
