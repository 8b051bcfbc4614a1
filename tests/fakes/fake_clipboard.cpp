#include "fakes/fake_clipboard.h"

namespace pontavi {

void FakeClipboard::setText(const std::string& text) {
    written.push_back(text);
    text_ = text;
    notifyChanged();
}

void FakeClipboard::copyFromElsewhere(const std::string& text) {
    text_ = text;
    notifyChanged();
}

void FakeClipboard::setImage() {
    text_.reset();
    notifyChanged();
}

}  // namespace pontavi
