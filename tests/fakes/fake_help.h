#pragma once

#include <string>
#include <vector>

#include "platform/help.h"

namespace pontavi {

// Records which help pages were asked for ("" = the contents).
class FakeHelp final : public Help {
  public:
    void ShowContents() override { opened.emplace_back(); }
    void ShowTopic(const std::string& topic) override { opened.push_back(topic); }
    std::vector<std::string> opened;
};

}  // namespace pontavi
