#include "launch/launch_sequencer.h"

#include "launch/launch_record.h"

namespace pontavi {

namespace {

TWindowState stateOfStyle(const std::string& style) {
    if (style == "1") {
        return TWindowState::wsMinimized;
    }
    if (style == "2") {
        return TWindowState::wsMaximized;
    }
    return TWindowState::wsNormal;
}

}  // namespace

std::string ProgramFolderOf(const std::string& executable) {
    const auto slash = executable.rfind('/');
    return slash == std::string::npos ? std::string() : executable.substr(0, slash);
}

LaunchSequencer::LaunchSequencer(Parts parts) : parts_(std::move(parts)) {
    parts_.AppsTimer.OnTimer = [this] { AppsTimerTimer(); };
}

void LaunchSequencer::skipped(const LaunchEntry& entry, const std::string& why) {
    if (parts_.report) {
        parts_.report("Auto-Launch: \"" + entry.Title + "\" not started: " + why);
    }
}

void LaunchSequencer::AppsTimerTimer() {
    auto& p = parts_;
    p.AppsTimer.setEnabled(false);
    ++p.AppsIndex;
    if (p.AppsList.empty() || p.AppsIndex < 0 ||
        static_cast<std::size_t>(p.AppsIndex) >= p.AppsList.size()) {
        return;
    }
    const LaunchEntry entry = ReadLaunchRecord(p.AppsList[static_cast<std::size_t>(p.AppsIndex)]);
    auto& exec = p.AppExec1;
    exec.ExeName = entry.Executable;
    exec.setExePath(ProgramFolderOf(entry.Executable));
    exec.ExeParams = {entry.Parameters};
    exec.setWindowState(stateOfStyle(entry.Style));
    if (entry.Executable.empty() || !p.fileExists(entry.Executable)) {
        skipped(entry, "no file \"" + entry.Executable + "\"");
    } else {
        try {
            exec.Execute();
        } catch (const std::exception& e) {
            skipped(entry, e.what());  // ErrNo tells why a start failed
        }
    }
    exec.ExeParams.clear();
    exec.ExeName.clear();
    if (static_cast<std::size_t>(p.AppsIndex) + 1 != p.AppsList.size()) {
        p.AppsTimer.setEnabled(true);
    }
}

}  // namespace pontavi
