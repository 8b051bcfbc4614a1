#pragma once

#include <string>

namespace pontavi {

// The program's help: HTML topics, one per named topic.
class Help {
  public:
    virtual ~Help() = default;
    virtual void ShowContents() = 0;
    // Opens the contents first, then jumps to the named topic.
    virtual void ShowTopic(const std::string& topic) = 0;
};

}  // namespace pontavi
