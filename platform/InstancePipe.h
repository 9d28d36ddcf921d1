#pragma once
// Stand-in for the named pipe \\.\pipe\Tintorel: an abstract-namespace Unix socket. It
// vanishes with the process that bound it, and it "exists" while a connect to it succeeds.
// $TINTOREL_INSTANCE_PIPE replaces the name (tests run side by side with their own).

#include <string>

namespace platform {

// The socket's name in the abstract namespace: "Tintorel" unless overridden.
std::string InstancePipeName();

// Whether some process holds the pipe: a connect succeeds within timeoutMs.
bool InstancePipeExists(int timeoutMs);

enum class PipeResult {
    Created,       // this process holds the pipe (now or already)
    AlreadyExists, // another process holds the name
    Unsupported,   // the system has no Unix sockets
    Failed,        // any other error; error holds errno
};

// Binds the pipe; the socket stays open until the process ends.
PipeResult CreateInstancePipe(int& error);

} // namespace platform
