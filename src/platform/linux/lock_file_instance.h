#pragma once

#include <string>
#include <string_view>

#include "base/unique_fd.h"
#include "platform/linux/xdg_paths.h"
#include "platform/single_instance.h"

namespace pontavi {

// The single-instance claim as an exclusive flock(2) on a per-user lock file.
// The kernel drops the lock when the holder exits however it ends, so a crash
// never leaves a stale claim behind.
class LockFileInstance : public SingleInstance {
  public:
    explicit LockFileInstance(std::string lockPath);

    // The lock file for a key: $XDG_RUNTIME_DIR/<key>-<uid>.lock, or the same
    // name in /tmp; the key keeps only its letters and digits, in lower case
    // ("Pontavi!" -> "pontavi").
    static std::string LockPath(std::string_view key, const EnvLookup& env);

    // True when this object holds the lock, now or already. When the lock file
    // cannot be opened at all the rule cannot be enforced; the program then
    // runs rather than refusing to start without a word, and held() is false.
    bool acquire() override;
    bool held() const { return held_; }

    const std::string& path() const { return path_; }

  private:
    std::string path_;
    UniqueFd fd_;
    bool held_ = false;
};

}  // namespace pontavi
