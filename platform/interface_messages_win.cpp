// The window messages of a long job on Windows: the job runs on the window's
// thread, so while it works the messages that wait for that thread are handled
// here; the window procedures decide what may happen during a job.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform/platform.h"

void pump_interface_messages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // The program's own message loop ends on it, once the job has returned.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}
