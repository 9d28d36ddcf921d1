#pragma once
// The line watcher: registration with the CAPI driver, LISTEN on every controller, the
// watcher thread and the hand-off of each incoming call. libcapi20's headers stay inside
// capi/*.cpp.

namespace capi {

// Receives the calling party's digits, then the called party's digits (either may be empty).
// Runs on the watcher thread; the texts are valid only until it returns.
using IncomingCallHandler = int (*)(const char* calling, const char* called);

void SetIncomingCallHandler(IncomingCallHandler handler);
bool InitCAPI();
unsigned CAPIThread(void* unused);
// Starts CAPIThread as a detached thread.
void StartCAPIThread();
void StopCAPI();

} // namespace capi
