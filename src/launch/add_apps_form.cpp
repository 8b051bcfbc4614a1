#include "launch/add_apps_form.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>

#include "base/utf8_cut.h"
#include "launch/launch_record.h"

namespace pontavi {

namespace {

bool endsInProgramExtension(const std::string& name) {
    if (name.size() < 3) {
        return false;
    }
    std::string last = name.substr(name.size() - 3);
    std::transform(last.begin(), last.end(), last.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return last == "com" || last == "exe" || last == "bat";
}

bool exists(const std::string& name) {
    struct stat st {};
    return ::stat(name.c_str(), &st) == 0;
}

}  // namespace

void TAddAppsForm::FormShow() {
    Title.setText({});
    Executable.setText({});
    Parameters.setText({});
    StyleCombo.setItemIndex(0);
}

void TAddAppsForm::BitBtn2Click() {
    const auto chosen = dialogs_.ChooseProgram();
    // Linux programs rarely carry those endings; any existing executable file
    // is accepted too.
    if (chosen && exists(*chosen) &&
        (endsInProgramExtension(*chosen) || ::access(chosen->c_str(), X_OK) == 0)) {
        Executable.setText(*chosen);
    }
}

TAddAppsForm::Outcome TAddAppsForm::Record(
    const std::function<std::string(const std::string&)>& programProblem) const {
    const std::string& title = Title.Text();
    const std::string& program = Executable.Text();
    if (title.empty() || program.empty() || CountCharacters(title) > kMaxTitle || !Typable(title) ||
        !Typable(Parameters.Text()) || !Typable(program)) {
        return {};
    }
    std::string problem = programProblem(program);
    if (!problem.empty()) {
        return {{}, std::move(problem)};
    }
    const int style = std::clamp(StyleCombo.ItemIndex(), 0, 2);
    return {WriteLaunchRecord(title, program, Parameters.Text(), style), {}};
}

}  // namespace pontavi
