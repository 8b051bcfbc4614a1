#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/clipboard.h"

namespace pontavi {

// A clipboard in memory. Every change notifies synchronously, before the
// setter returns, as the desktop does for the program's own writes.
class FakeClipboard final : public Clipboard {
  public:
    std::optional<std::string> text() const override { return text_; }
    // The program's own writes; recorded in `written`.
    void setText(const std::string& text) override;

    // Another program copied text, or something that is not text.
    void copyFromElsewhere(const std::string& text);
    void setImage();

    std::vector<std::string> written;

  private:
    std::optional<std::string> text_;
};

}  // namespace pontavi
