#pragma once

#include <string>

namespace pontavi {

// How the started program's first window should appear. Only a hint: a
// platform without a way to pass it on starts the program normally.
enum class WindowHint { Normal, Minimized, Maximized };

// One program start.
struct ProcessRequest {
    // The program file; always one word, spaces included. No search of PATH.
    // Absolute, so that the change of folder below cannot make it another.
    std::string program;
    // The parameters as typed; split into words at white space, with double
    // quotes grouping (SplitParameters). No shell runs: nothing in them is
    // expanded or executed, and no text makes the start fail.
    std::string parameters;
    // Current directory of the new program; empty keeps the program's own.
    std::string workingDirectory;
    WindowHint window = WindowHint::Normal;
    // Block until the program has ended.
    bool wait = false;
};

// Starts programs for the launch sequence and the mail notification. The
// started program runs on after the starter is gone.
class ProcessStarter {
  public:
    virtual ~ProcessStarter() = default;

    // 0 when the program was started (and, with wait, has ended); otherwise
    // the errno value of the failure.
    virtual int Start(const ProcessRequest& request) = 0;
};

}  // namespace pontavi
