#pragma once

#include <functional>
#include <string>
#include <vector>

#include "launch/app_exec.h"
#include "launch/launch_record.h"
#include "platform/timer.h"

namespace pontavi {

// Starts the programs of the launch list one at a time at each connect: the
// first at once, each further one an AppsTimer interval after the previous.
// The connection monitor sets the interval, switches AppsTimer on and runs
// the first step at connect, and resets AppsIndex and the timer at
// disconnect. Loop thread only.
class LaunchSequencer {
  public:
    struct Parts {
        const std::vector<std::string>& AppsList;  // launch records, in launch order
        int& AppsIndex;                            // the entry last taken; -1 when idle
        pontavi::Timer& AppsTimer;
        TAppExec& AppExec1;
        // Whether a program file exists when its turn comes.
        std::function<bool(const std::string& path)> fileExists;
        // The Requests log: why an entry was skipped.
        std::function<void(const std::string& message)> report;
    };

    // Makes AppsTimer's tick run AppsTimerTimer.
    explicit LaunchSequencer(Parts parts);
    LaunchSequencer(const LaunchSequencer&) = delete;
    LaunchSequencer& operator=(const LaunchSequencer&) = delete;

    // One step: takes the next entry and starts its program when the file
    // exists. An entry that cannot be started (a missing file, a folder
    // change or start that fails) is skipped with a line in the Requests log;
    // it still takes its interval, and the entries after it still start.
    void AppsTimerTimer();

  private:
    void skipped(const LaunchEntry& entry, const std::string& why);

    Parts parts_;
};

// The folder part of a program path (before its last "/"); empty without one.
std::string ProgramFolderOf(const std::string& executable);

}  // namespace pontavi
