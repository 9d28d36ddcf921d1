#include "platform/Sound.h"

#include <canberra.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace platform {

namespace {

// A sound that can't be played within a moment is worthless, so the queue stays short.
constexpr std::size_t kMaxPending = 4;
// After a failed connection to the sound server, wait this long before trying again.
constexpr auto kRetryDelay = std::chrono::seconds(30);
// How long the program's end waits for the player to finish.
constexpr auto kStopWait = std::chrono::seconds(1);

struct Player {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<unsigned> pending;
    SoundRecorder recorder;
    std::thread thread;
    bool stopping = false;
    bool finished = false;
};

// Never destroyed: late callers may still use it while the process exits.
Player& GetPlayer() {
    static Player* player = new Player;
    return *player;
}

void PlayerLoop(Player* player) {
    ca_context* context = nullptr;
    std::chrono::steady_clock::time_point nextTry{};
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
        if (!context) {
            if (std::chrono::steady_clock::now() < nextTry)
                continue;
            if (ca_context_create(&context) != CA_SUCCESS) {
                context = nullptr;
                nextTry = std::chrono::steady_clock::now() + kRetryDelay;
                continue;
            }
            ca_context_change_props(context, CA_PROP_APPLICATION_NAME, "Tintorel",
                                    CA_PROP_APPLICATION_ID, "tintorel", nullptr);
            if (ca_context_open(context) != CA_SUCCESS) {
                ca_context_destroy(context);
                context = nullptr;
                nextTry = std::chrono::steady_clock::now() + kRetryDelay;
                continue;
            }
        }
        ca_context_play(context, 0, CA_PROP_EVENT_ID, SoundEventId(type),
                        CA_PROP_CANBERRA_CACHE_CONTROL, "permanent", nullptr);
    }
    if (context)
        ca_context_destroy(context);
    std::lock_guard lock(player->mutex);
    player->finished = true;
    player->wake.notify_all();
}

} // namespace

const char* SoundEventId(unsigned type) {
    return type == MB_ICONEXCLAMATION ? "dialog-warning" : "dialog-information";
}

void MessageBeep(unsigned type) {
    Player& player = GetPlayer();
    std::unique_lock lock(player.mutex);
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
    player.wake.notify_one();
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

void SetSoundRecorder(SoundRecorder recorder) {
    Player& player = GetPlayer();
    std::lock_guard lock(player.mutex);
    player.recorder = std::move(recorder);
}

} // namespace platform
