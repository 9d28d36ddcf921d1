#include "platform/Sound.h"

#include <canberra.h>

#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include <dlfcn.h>

namespace platform {

namespace {

// A sound that can't be played within a moment is worthless, so the queue stays short.
constexpr std::size_t kMaxPending = 4;
// After a failure, sounds are dropped this long before the device is tried again.
constexpr auto kRetryDelay = std::chrono::seconds(30);
// How long the program's end waits for the player to finish.
constexpr auto kStopWait = std::chrono::seconds(1);

struct Player {
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable taken; // a sound was played or dropped
    std::deque<unsigned> pending;
    SoundRecorder recorder;
    std::thread thread;
    std::size_t requested = 0; // MessageBeep calls so far
    std::size_t handed = 0;    // sounds queued so far
    std::size_t done = 0;      // of those, played or dropped
    bool stopping = false;
    bool finished = false;
};

// Never destroyed: late callers may still use it while the process exits.
Player& GetPlayer() {
    static Player* player = new Player;
    return *player;
}

// ALSA's first complaint during the current attempt, on the player thread.
thread_local std::string t_alsaComplaint;

void KeepAlsaComplaint(const char*, int, const char*, int, const char* format, va_list args) {
    if (!t_alsaComplaint.empty())
        return;
    char text[256];
    std::vsnprintf(text, sizeof text, format, args);
    t_alsaComplaint = text;
}

// Without a sound card, ALSA prints a dozen lines to standard error for every sound it is
// asked to play (libcanberra's ALSA backend, and the ALSA plugins of sound servers, go through
// it). Its handler for this thread keeps them instead: the player says once what went wrong.
// libasound is the one the backends load, found by its soname; no build dependency on it.
void QuietAlsaOnThisThread() {
    using Handler = void (*)(const char*, int, const char*, int, const char*, va_list);
    using SetLocal = Handler (*)(Handler);
    void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!alsa)
        return; // no ALSA, no ALSA noise
    // Kept loaded for the process's life: the handler must outlive every backend's use of it.
    if (auto setLocal = reinterpret_cast<SetLocal>(dlsym(alsa, "snd_lib_error_set_local")))
        setLocal(KeepAlsaComplaint);
}

// The one line that says sounds can't be played, and why.
void SayUnavailable(int error) {
    std::string why = ca_strerror(error);
    if (!t_alsaComplaint.empty())
        why += "; ALSA: " + t_alsaComplaint;
    std::printf("Sounds are unavailable (%s): calls are shown without them\n", why.c_str());
    std::fflush(stdout);
}

// A play's result as the player sees it: whether the device works.
bool Failed(int result) {
    // Event sounds switched off in the desktop's settings are the user's choice, not a fault.
    return result != CA_SUCCESS && result != CA_ERROR_DISABLED;
}

int Play(ca_context*& context, unsigned type) {
    if (!context) {
        int result = ca_context_create(&context);
        if (result != CA_SUCCESS) {
            context = nullptr;
            return result;
        }
        ca_context_change_props(context, CA_PROP_APPLICATION_NAME, "Tintorel",
                                CA_PROP_APPLICATION_ID, "tintorel", nullptr);
        result = ca_context_open(context);
        if (result != CA_SUCCESS)
            return result;
    }
    return ca_context_play(context, 0, CA_PROP_EVENT_ID, SoundEventId(type),
                           CA_PROP_CANBERRA_CACHE_CONTROL, "permanent", nullptr);
}

void PlayerLoop(Player* player) {
    QuietAlsaOnThisThread();
    ca_context* context = nullptr;
    std::chrono::steady_clock::time_point nextTry{};
    // Said once until a sound plays again.
    bool told = false;
    for (;;) {
        unsigned type = 0;
        {
            std::unique_lock lock(player->mutex);
            player->wake.wait(lock, [&] { return !player->pending.empty() || player->stopping; });
            if (player->stopping)
                break;
            type = player->pending.front();
            player->pending.pop_front();
        }
        if (std::chrono::steady_clock::now() >= nextTry) {
            t_alsaComplaint.clear();
            const int result = Play(context, type);
            if (Failed(result)) {
                // A device that failed once fails the same way for every call: each new try
                // costs time and, with some backends, noise. Try again after a while.
                if (context)
                    ca_context_destroy(context);
                context = nullptr;
                nextTry = std::chrono::steady_clock::now() + kRetryDelay;
                if (!told)
                    SayUnavailable(result);
                told = true;
            } else if (result == CA_SUCCESS) {
                told = false;
            }
        }
        std::lock_guard lock(player->mutex);
        ++player->done;
        player->taken.notify_all();
    }
    if (context)
        ca_context_destroy(context);
    std::lock_guard lock(player->mutex);
    player->finished = true;
    player->wake.notify_all();
    player->taken.notify_all();
}

} // namespace

const char* SoundEventId(unsigned type) {
    return type == MB_ICONEXCLAMATION ? "dialog-warning" : "dialog-information";
}

void MessageBeep(unsigned type) {
    Player& player = GetPlayer();
    std::unique_lock lock(player.mutex);
    ++player.requested;
    if (player.recorder) {
        SoundRecorder recorder = player.recorder;
        lock.unlock();
        recorder(type);
        return;
    }
    if (player.stopping)
        return;
    if (!player.thread.joinable())
        player.thread = std::thread(PlayerLoop, &player);
    if (player.pending.size() >= kMaxPending)
        return;
    player.pending.push_back(type);
    ++player.handed;
    player.wake.notify_one();
}

std::size_t SoundsRequested() {
    Player& player = GetPlayer();
    std::lock_guard lock(player.mutex);
    return player.requested;
}

void StopSounds() {
    Player& player = GetPlayer();
    std::unique_lock lock(player.mutex);
    if (player.stopping || !player.thread.joinable())
        return;
    player.stopping = true;
    player.wake.notify_all();
    // A sound server that hangs must not hold the program's end for long.
    if (player.wake.wait_for(lock, kStopWait, [&] { return player.finished; })) {
        lock.unlock();
        player.thread.join();
    } else {
        player.thread.detach();
    }
}

bool WaitForSounds(std::chrono::milliseconds timeout) {
    Player& player = GetPlayer();
    std::unique_lock lock(player.mutex);
    const std::size_t handed = player.handed;
    return player.taken.wait_for(lock, timeout,
                                 [&] { return player.done >= handed || player.finished; });
}

void SetSoundRecorder(SoundRecorder recorder) {
    Player& player = GetPlayer();
    std::lock_guard lock(player.mutex);
    player.recorder = std::move(recorder);
}

} // namespace platform
