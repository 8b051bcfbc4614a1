#pragma once

#include <string>
#include <vector>

#include "platform/notifier.h"

namespace pontavi {

// Records the notifications it is asked to show.
class FakeNotifier final : public Notifier {
  public:
    struct Shown {
        std::string summary, body;
    };
    void Notify(const std::string& summary, const std::string& body) override {
        shown.push_back({summary, body});
    }

    std::vector<Shown> shown;
};

}  // namespace pontavi
