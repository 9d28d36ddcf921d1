#pragma once
// Stand-in for MessageBeep: the desktop's event sounds through libcanberra. Playing never
// blocks the caller: sounds are handed to a player thread. When they can't be played (no
// sound card, no sound server), one line on standard output says so; then they are dropped
// without a word, and the device is tried again now and then.

#include <chrono>
#include <cstddef>
#include <functional>

namespace platform {

constexpr unsigned MB_ICONEXCLAMATION = 0x30; // "dialog-warning"
constexpr unsigned MB_ICONASTERISK = 0x40;    // "dialog-information"

void MessageBeep(unsigned type);

// Ends the player thread (at the program's end); later sounds are dropped.
void StopSounds();

// Waits until the player has taken every sound handed to it so far, played or dropped; false
// when that takes longer than timeout.
bool WaitForSounds(std::chrono::milliseconds timeout);

// How many sounds were asked for since the start, whatever became of them (played, dropped,
// or handed to the recorder below).
std::size_t SoundsRequested();

// The freedesktop event id played for a MessageBeep type ("dialog-warning" or
// "dialog-information"; anything else plays the information sound).
const char* SoundEventId(unsigned type);

// Test hook: when set, MessageBeep hands the type to the recorder (on the calling thread)
// instead of playing it. Pass an empty function to remove it.
using SoundRecorder = std::function<void(unsigned type)>;
void SetSoundRecorder(SoundRecorder recorder);

} // namespace platform
