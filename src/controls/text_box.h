#pragma once

#include <cstddef>

#include "controls/control.h"

namespace pontavi {

// A one-line edit box. setText from code and typing by the user (userEdit)
// both run OnChange when the text changes; Modified marks user edits only.
// Accepts, when set, sees every typed or pasted text first: a text it refuses
// leaves the box as it was.
class TextBox : public Control {
  public:
    explicit TextBox(std::string name) : Control(std::move(name)) {}
    explicit TextBox(const ControlInfo& info) : Control(info) {}

    const std::string& Text() const { return text_; }
    void setText(std::string text) {
        selStart_ = selLength_ = 0;
        if (assign(text_, text) && OnChange) {
            OnChange();
        }
    }
    void userEdit(std::string text) {
        if (Accepts && !Accepts(text)) {
            changed();  // the view shows the kept text again
            return;
        }
        modified_ = true;
        setText(std::move(text));
    }
    bool Modified() const { return modified_; }
    void setModified(bool modified) { modified_ = modified; }

    // A password field shows every character as this one; 0 shows the text.
    char PasswordChar() const { return passwordChar_; }
    void setPasswordChar(char c) { assign(passwordChar_, c); }

    bool ReadOnly() const { return readOnly_; }
    void setReadOnly(bool readOnly) { assign(readOnly_, readOnly); }

    std::size_t SelStart() const { return selStart_; }
    std::size_t SelLength() const { return selLength_; }
    void selectAll() {
        selStart_ = 0;
        selLength_ = text_.size();
        changed();
    }
    std::string SelText() const { return text_.substr(selStart_, selLength_); }

    std::function<void()> OnChange;
    std::function<bool(const std::string& text)> Accepts;

  private:
    std::string text_;
    bool modified_ = false;
    bool readOnly_ = false;
    char passwordChar_ = 0;
    std::size_t selStart_ = 0;
    std::size_t selLength_ = 0;
};

}  // namespace pontavi
