#include "platform/linux/canberra_sound_player.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/linux/background_worker.h"

namespace pontavi {
namespace {

namespace fs = std::filesystem;

// A short silent 8 kHz mono wave file.
void writeWave(const fs::path& file) {
    const std::uint32_t samples = 800;
    std::ofstream out(file, std::ios::binary);
    auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out << "RIFF";
    u32(36 + samples);
    out << "WAVEfmt ";
    u32(16);
    u16(1);
    u16(1);
    u32(8000);
    u32(8000);
    u16(1);
    u16(8);
    out << "data";
    u32(samples);
    out << std::string(samples, '\x80');
}

// Whatever the machine's audio, playing never throws, never waits on the
// caller's thread for the sound, and every request is handed on in turn.
TEST(CanberraSoundPlayerTest, PlaysOrStaysSilentWithoutHoldingTheCaller) {
    std::string tmpl = (fs::temp_directory_path() / "sound-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    const fs::path dir = tmpl;
    writeWave(dir / "new mail.wav");
    {
        CanberraSoundPlayer player;
        player.PlayFile((dir / "new mail.wav").string());
        player.PlayFile((dir / "missing.wav").string());
        player.PlayFile("");  // nothing to play: not even handed on
        ASSERT_TRUE(player.waitIdle(30'000));
        EXPECT_LE(player.Started(), 2);
        // The missing file is refused, by the library or for want of a device.
        EXPECT_GE(player.Refused(), 1);
    }
    fs::remove_all(dir);
}

TEST(BackgroundWorkerTest, RunsJobsInOrderDropsBeyondCapacityAndSurvivesThrows) {
    std::vector<int> ran;
    std::mutex gate;
    std::unique_lock hold(gate);
    BackgroundWorker worker(2);
    ASSERT_TRUE(worker.post([&] { std::lock_guard wait(gate); }));  // blocks the thread
    ASSERT_FALSE(worker.waitIdle(50));
    // The blocking job may or may not have been taken off the queue yet.
    int accepted = 0;
    for (int i = 0; i < 5; ++i) {
        accepted += worker.post([&ran, i] {
            ran.push_back(i);
            if (i == 0) {
                throw std::runtime_error("reported nowhere");
            }
        });
    }
    EXPECT_GE(accepted, 1);
    EXPECT_LE(accepted, 2);
    hold.unlock();
    ASSERT_TRUE(worker.waitIdle(10'000));
    EXPECT_EQ(static_cast<int>(ran.size()), accepted);
    for (int i = 0; i < accepted; ++i) {
        EXPECT_EQ(ran[static_cast<std::size_t>(i)], i);
    }
}

}  // namespace
}  // namespace pontavi
