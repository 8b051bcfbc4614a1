#pragma once

#include <cerrno>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/process_starter.h"

namespace pontavi {

// Records every start; a program can be made to fail with an errno value.
class FakeProcessStarter final : public ProcessStarter {
  public:
    int Start(const ProcessRequest& request) override {
        starts.push_back(request);
        if (onStart) {
            onStart(request);
        }
        const auto failure = failures.find(request.program);
        return failure == failures.end() ? 0 : failure->second;
    }

    std::vector<ProcessRequest> starts;
    std::map<std::string, int> failures;  // program -> errno
    std::function<void(const ProcessRequest&)> onStart;
};

}  // namespace pontavi
