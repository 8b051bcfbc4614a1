#pragma once

#include <string>

namespace pontavi {

// Plays event sounds. Loop thread only; never blocks the loop and never
// reports: without an audio device, or with a file it cannot play, nothing
// is heard and nothing else happens.
class SoundPlayer {
  public:
    SoundPlayer() = default;
    virtual ~SoundPlayer() = default;
    SoundPlayer(const SoundPlayer&) = delete;
    SoundPlayer& operator=(const SoundPlayer&) = delete;

    // Starts playing a sound file (a wave file, say) and returns at once.
    virtual void PlayFile(const std::string& file) = 0;
};

}  // namespace pontavi
