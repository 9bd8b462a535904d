// Dispatching the window messages waiting for the calling thread, for code
// that runs long on a window thread and must keep its windows alive.
#pragma once

namespace win {

// Dispatches every window message waiting for this thread, then returns. A
// WM_QUIT found on the way is posted again for the caller's message loop.
void PumpPendingMessages();

}  // namespace win
