#pragma once

#include <string>
#include <vector>

#include "platform/sound_player.h"

namespace pontavi {

// Records the sound files it is asked to play.
class FakeSoundPlayer final : public SoundPlayer {
  public:
    void PlayFile(const std::string& file) override { played.push_back(file); }

    std::vector<std::string> played;
};

}  // namespace pontavi
