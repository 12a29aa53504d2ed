// Dispatching window messages, shared by the main loop and the waits.
#pragma once

#include <windows.h>

namespace tarnwell {

// Hands one message on, giving the keyboard navigation of the message's
// top-level window (Tab, arrows, Enter) its turn first.
void DispatchWindowMessage(MSG& msg);

// Dispatches every message pending for this thread; returns at once.
void DispatchPendingMessages();

// The program's message loop; returns the WM_QUIT exit code.
int RunMessageLoop();

}  // namespace tarnwell
