#include "line/LineStatus.h"

#include <mutex>

namespace line {

namespace {

std::mutex& HookMutex() {
    static auto* mutex = new std::mutex;
    return *mutex;
}

std::function<void()>& Hook() {
    static auto* hook = new std::function<void()>;
    return *hook;
}

} // namespace

void SetLineStatusHook(std::function<void()> hook) {
    std::lock_guard lock(HookMutex());
    Hook() = std::move(hook);
}

void NotifyLineStatus() {
    std::function<void()> hook;
    {
        std::lock_guard lock(HookMutex());
        hook = Hook();
    }
    if (hook)
        hook();
}

} // namespace line
