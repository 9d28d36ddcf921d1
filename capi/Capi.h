#pragma once
// The line watcher: registration with the CAPI driver, LISTEN on every controller, the
// watcher thread and the hand-off of each incoming call. libcapi20's headers stay inside
// capi/*.cpp.

#include <functional>

namespace capi {

// Receives the calling party's digits, the called party's digits (either may be empty) and
// the calling party's type of number (bits 5-7 of its first octet: 0 unknown, 1
// international, 2 national, ...). Runs on the watcher thread; the texts are valid only until
// it returns.
using IncomingCallHandler = int (*)(const char* calling, const char* called, unsigned callingType);

void SetIncomingCallHandler(IncomingCallHandler handler);
// Registers with the driver on the calling thread; false, with the reason on standard output,
// when it cannot. Once started, a lost connection is retried by the watcher for as long as it
// runs.
bool InitCAPI();
// The watcher of the start InitCAPI made, on the calling thread, until StopCAPI.
unsigned CAPIThread(void* unused);
// Runs CAPIThread on a thread kept here, joined once it has ended.
void StartCAPIThread();
// Starts a watcher on a thread kept here that registers first, so that a driver slow to answer
// holds no other thread: the reason it cannot is written on standard output, then
// firstAttempt is told (on that thread) whether it could. A driver missing then is tried again
// on the retry schedule, with status Absent counting down, until it answers or StopCAPI.
void StartCAPI(std::function<void(bool registered)> firstAttempt);
// Stops the watcher and releases the application at once, without waiting for a handler
// that is still running: that watcher then ends alone, touching the line no more.
void StopCAPI();

} // namespace capi
