#include "fakes/fake_dialogs.h"

namespace pontavi {

std::optional<std::string> FakeDialogs::InputQuery(const std::string& caption,
                                                   const std::string& prompt,
                                                   const std::string& initial) {
    queries.push_back({caption, prompt, initial});
    if (whileOpen) {
        whileOpen();
    }
    if (inputAnswers.empty()) {
        return std::nullopt;
    }
    auto answer = inputAnswers.front();
    inputAnswers.pop_front();
    return answer;
}

std::optional<std::string> FakeDialogs::OpenFile(const std::string&, const std::string&) {
    if (fileAnswers.empty()) {
        return std::nullopt;
    }
    auto answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

}  // namespace pontavi
