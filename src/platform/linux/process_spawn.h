#pragma once

#include <spawn.h>
#include <sys/types.h>

#include <string>
#include <vector>

#include "base/unique_fd.h"

namespace pontavi {

// A started child: its process id and, where the kernel offers pidfds (5.3
// and later), a pidfd that turns readable when it ends; invalid otherwise.
// `error` is the errno value that kept it from starting (0: started).
struct SpawnedChild {
    pid_t pid = -1;
    UniqueFd pidfd;
    int error = 0;
    bool ok() const { return error == 0; }
};

// One child start with posix_spawn: the attribute and file-action objects,
// released on every path. Every child starts with no blocked signals and
// the default action for SIGHUP, SIGINT, SIGTERM, SIGPIPE and SIGCHLD,
// whatever this (GUI) process blocks or ignores: the programs we start rely
// on those signals. The file actions run in the order added; the first one
// that cannot be recorded fails the start with its error.
class ProcessSpawn {
  public:
    // How the program is found: as given, or looked up on PATH when it has
    // no slash.
    enum class Lookup { AsGiven, Path };

    ProcessSpawn();
    ~ProcessSpawn();
    ProcessSpawn(const ProcessSpawn&) = delete;
    ProcessSpawn& operator=(const ProcessSpawn&) = delete;

    ProcessSpawn& changeDirectory(const std::string& dir);
    // `fd` on /dev/null, opened with `flags` (O_RDONLY, O_WRONLY).
    ProcessSpawn& openNull(int fd, int flags);
    // `fd` duplicated onto `target`, which so loses close-on-exec.
    ProcessSpawn& duplicate(int fd, int target);
    // Closes every descriptor from `lowest` on, close-on-exec or not.
    ProcessSpawn& closeFrom(int lowest);

    // Starts `program` with `args` after argv[0] (the program itself) and
    // `environment` (null: ours). Never throws for the start itself.
    SpawnedChild start(const std::string& program, const std::vector<std::string>& args,
                       Lookup lookup, char* const* environment = nullptr);

  private:
    void keepFirst(int rc);

    posix_spawn_file_actions_t actions_;
    posix_spawnattr_t attr_;
    int error_ = 0;
};

}  // namespace pontavi
