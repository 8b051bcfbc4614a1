#pragma once

#include <functional>
#include <optional>
#include <string>

namespace pontavi {

// The system clipboard as the core sees it: plain text in and out, and a
// notification whenever its content changes, whoever changed it (our own
// writes included). Loop thread only.
class Clipboard {
  public:
    Clipboard() = default;
    virtual ~Clipboard() = default;
    Clipboard(const Clipboard&) = delete;
    Clipboard& operator=(const Clipboard&) = delete;

    // The clipboard's content as text; nullopt when it holds no text (a
    // picture, files, or nothing at all).
    virtual std::optional<std::string> text() const = 0;
    // Replaces the content with plain text. OnChanged may run before this
    // returns.
    virtual void setText(const std::string& text) = 0;

    // Runs after every change of the content. Set by the one component that
    // watches the clipboard; empty when nobody does.
    std::function<void()> OnChanged;

  protected:
    void notifyChanged() {
        if (OnChanged) {
            OnChanged();
        }
    }
};

}  // namespace pontavi
