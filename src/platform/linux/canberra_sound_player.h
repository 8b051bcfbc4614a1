#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "platform/linux/background_worker.h"
#include "platform/sound_player.h"

struct ca_context;

namespace pontavi {

// Event sounds through libcanberra (PulseAudio or ALSA, whichever the
// desktop has). The context is made, and every sound started, on a worker
// thread: opening the sound server may wait, the loop never does. Without
// an audio device every play fails quietly.
class CanberraSoundPlayer final : public SoundPlayer {
  public:
    // Sounds asked for while this many still wait are dropped.
    static constexpr std::size_t kMaxWaiting = 4;

    void PlayFile(const std::string& file) override;

    // For tests: waits for the sounds asked for so far to be started.
    bool waitIdle(int timeoutMs) { return worker_.waitIdle(timeoutMs); }
    // Sounds handed to libcanberra, and how many of those it refused.
    int Started() const { return started_; }
    int Refused() const { return refused_; }

  private:
    void play(const std::string& file);

    struct ContextFree {
        void operator()(ca_context* context) const;
    };
    // Made and used only on the worker thread; freed after it has ended.
    std::unique_ptr<ca_context, ContextFree> context_;
    std::atomic<int> started_{0};
    std::atomic<int> refused_{0};
    // Last member: its thread ends before the other members go.
    BackgroundWorker worker_{kMaxWaiting};
};

}  // namespace pontavi
