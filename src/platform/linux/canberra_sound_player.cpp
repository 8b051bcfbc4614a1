#include "platform/linux/canberra_sound_player.h"

#include <canberra.h>

namespace pontavi {

void CanberraSoundPlayer::ContextFree::operator()(ca_context* context) const {
    ca_context_destroy(context);
}

void CanberraSoundPlayer::PlayFile(const std::string& file) {
    if (file.empty()) {
        return;
    }
    worker_.post([this, file] { play(file); });
}

void CanberraSoundPlayer::play(const std::string& file) {
    if (!context_) {
        ca_context* made = nullptr;
        if (ca_context_create(&made) != CA_SUCCESS) {
            ++refused_;
            return;
        }
        context_.reset(made);
        ca_context_change_props(made, CA_PROP_APPLICATION_NAME, "Pontavi!", CA_PROP_APPLICATION_ID,
                                "pontavi", nullptr);
    }
    ++started_;
    // Returns once the sound has started; libcanberra plays it on its own.
    const int result = ca_context_play(context_.get(), 0, CA_PROP_MEDIA_FILENAME, file.c_str(),
                                       CA_PROP_EVENT_DESCRIPTION, "New mail",
                                       CA_PROP_CANBERRA_CACHE_CONTROL, "never", nullptr);
    if (result != CA_SUCCESS) {
        ++refused_;
    }
}

}  // namespace pontavi
