#include "ui/callback_guard.h"

#include <exception>

namespace pontavi {

void CallbackGuard::operator()(const std::function<void()>& callback) const {
    try {
        callback();
    } catch (const std::exception& e) {
        if (!report_) {
            throw;
        }
        report_(e.what());
    }
}

}  // namespace pontavi
