#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "controls/control.h"

namespace pontavi {

// A multi-line text: the Requests log and the idents editor. Modified is the
// mark a user edit sets; code that fills the memo clears it.
class Memo : public Control {
  public:
    explicit Memo(std::string name) : Control(std::move(name)) {}
    explicit Memo(const ControlInfo& info) : Control(info) {}

    const std::vector<std::string>& Lines() const { return lines_; }
    void setLines(std::vector<std::string> lines) {
        lines_ = std::move(lines);
        modified_ = false;
        ++revision_;
        changed();
    }
    // Appends at the end; with MaxLines set, the oldest lines make room.
    void addLine(std::string line) {
        lines_.push_back(std::move(line));
        ++appended_;
        // Trimmed in batches, so a full log does not shift every line per append.
        if (maxLines_ > 0 && lines_.size() > maxLines_ + maxLines_ / 4) {
            lines_.erase(lines_.begin(),
                         lines_.begin() + static_cast<std::ptrdiff_t>(lines_.size() - maxLines_));
        }
        changed();
    }
    // 0 = no limit. A log that strangers can write to keeps only its newest
    // lines: at least MaxLines of them, at most a quarter more.
    std::size_t MaxLines() const { return maxLines_; }
    void setMaxLines(std::size_t maxLines) { maxLines_ = maxLines; }
    // Lets a view follow cheaply: while Revision() stays the same, the only
    // change since it last looked is Appended() growing by the new lines.
    std::uint64_t Revision() const { return revision_; }
    std::uint64_t Appended() const { return appended_; }
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
    std::size_t maxLines_ = 0;
    std::uint64_t revision_ = 0;
    std::uint64_t appended_ = 0;
};

}  // namespace pontavi
