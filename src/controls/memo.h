#pragma once

#include <string>
#include <vector>

#include "controls/control.h"

namespace pontavi {

// A multi-line text: the Requests log and the idents editor. Modified is the
// mark a user edit sets; code that fills the memo clears it.
class Memo : public Control {
public:
    explicit Memo(std::string name) : Control(std::move(name)) {}

    const std::vector<std::string>& Lines() const { return lines_; }
    void setLines(std::vector<std::string> lines) {
        lines_ = std::move(lines);
        modified_ = false;
        changed();
    }
    void addLine(std::string line) {
        lines_.push_back(std::move(line));
        changed();
    }
    void clear() { setLines({}); }

    // The whole text typed by the user, split into lines at CR LF, CR or LF.
    void userEdit(const std::string& text);
    std::string Text() const;

    bool Modified() const { return modified_; }
    void setModified(bool modified) { modified_ = modified; }
    bool ReadOnly() const { return readOnly_; }
    void setReadOnly(bool readOnly) { readOnly_ = readOnly; }

private:
    std::vector<std::string> lines_;
    bool modified_ = false;
    bool readOnly_ = false;
};

}  // namespace pontavi
