#pragma once
// The line watcher: registration with the CAPI driver, LISTEN on every controller, the
// watcher thread and the hand-off of each incoming call. libcapi20's headers stay inside
// capi/*.cpp.

namespace capi {

// Receives the calling party's digits, then the called party's digits (either may be empty).
// Runs on the watcher thread; the texts are valid only until it returns.
using IncomingCallHandler = int (*)(const char* calling, const char* called);

void SetIncomingCallHandler(IncomingCallHandler handler);
// Registers with the driver; false, with the reason on standard output, when it cannot. Once
// started, a lost connection is retried by the watcher for as long as it runs.
bool InitCAPI();
// The watcher of the start InitCAPI made, on the calling thread, until StopCAPI.
unsigned CAPIThread(void* unused);
// Runs CAPIThread on a thread kept here, joined once it has ended.
void StartCAPIThread();
// Stops the watcher and releases the application at once, without waiting for a handler
// that is still running: that watcher then ends alone, touching the line no more.
void StopCAPI();

} // namespace capi
