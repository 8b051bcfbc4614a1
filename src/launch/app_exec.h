#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/process_starter.h"

namespace pontavi {

// Failures of TAppExec::Execute.
class EAppExec : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};
// The program's folder could not be made its current directory.
class EAppExecChDir : public EAppExec {
  public:
    using EAppExec::EAppExec;
};
// The program could not be started.
class EAppExecWinExec : public EAppExec {
  public:
    using EAppExec::EAppExec;
};

enum class TWindowState { wsNormal, wsMinimized, wsMaximized };

// The process launcher the launch sequence and "Run Mail Program" share, so
// its settings carry over between them. Callers fill ExeName, ExeParams,
// ExePath and WindowState, call Execute and catch EAppExec. Loop thread only.
class TAppExec {
  public:
    // The command line's buffer: longer lines are refused as a failed start.
    static constexpr std::size_t kMaxCommandLine = 511;

    explicit TAppExec(ProcessStarter& starter) : starter_(starter) {}

    bool ChangeDir = true;
    // errno of the last failed start; 0 after a start with Wait; -1 before any.
    int ErrNo = -1;
    std::string ExeName;
    std::vector<std::string> ExeParams;
    bool Wait = false;

    const std::string& ExePath() const { return exePath_; }
    // Drops one trailing separator ("\" or "/") unless the value is a lone
    // separator or a drive root such as C:\ .
    void setExePath(const std::string& path);

    TWindowState WindowState() const { return windowState_; }
    void setWindowState(TWindowState state);
    // The show-window command the state stands for: 1 normal, 2 minimized,
    // 3 maximized.
    std::uint16_t ShowCmd() const { return showCmd_; }

    // The command line: ExeName, then one space and each parameter, unquoted.
    std::string CommandLine() const;

    // Starts ExeName with the parameters, in ExePath when ChangeDir is on;
    // relative names are made absolute against this program's folder first.
    // Raises EAppExecChDir when ExePath is not a usable folder, and
    // EAppExecWinExec with GetErrorText when the start fails (ErrNo then
    // holds the errno value). Only the started program's directory changes,
    // never this program's.
    void Execute();

    // The text for ErrNo: what the Linux error of the start means.
    std::string GetErrorText() const;

  private:
    ProcessStarter& starter_;
    std::string exePath_;
    TWindowState windowState_ = TWindowState::wsNormal;
    std::uint16_t showCmd_ = 1;
};

}  // namespace pontavi
