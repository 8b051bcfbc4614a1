#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

#include "controls/list_box.h"

namespace pontavi {

// The URL list: a list box with extended multiple selection and a text
// search. Beside the rows it keeps a count of each row text, so asking
// whether a text is already a row costs the same for ten rows as for a
// hundred thousand.
class TMoreListBox : public ListBox {
  public:
    explicit TMoreListBox(std::string name = "UrlLB") : ListBox(std::move(name), true) {}
    explicit TMoreListBox(const ControlInfo& info) : ListBox(info, true) {}

    // Index of the first row, from the top, that contains text (case-sensitive
    // substring), or -1.
    int FindText(std::string_view text) const;
    // Index of the first row after the current row (ItemIndex) that contains
    // text, or -1; stops at the last row, no wrap.
    int FindNextText(std::string_view text) const;
    void ClearSelection() { clearSelection(); }

    // Whether some row is exactly this text.
    bool HasRow(const std::string& text) const { return rowCounts_.count(text) != 0; }

  protected:
    void rowInserted(std::size_t index) override;
    void rowRemoving(std::size_t index) override;
    void rowsReset() override;

  private:
    int findFrom(std::size_t first, std::string_view text) const;

    std::unordered_map<std::string, std::size_t> rowCounts_;
};

}  // namespace pontavi
