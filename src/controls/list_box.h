#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

#include "controls/control.h"

namespace pontavi {

// A list box of text rows with a current row (ItemIndex) and, when
// MultiSelect is on, a selection mark per row. Row changes are reported to the
// view one by one through OnRowsChanged, so a long list is never redrawn whole
// for one insert.
class ListBox : public Control {
  public:
    struct RowsChange {
        enum Kind { kReset, kInserted, kRemoved, kChanged, kSelectionCleared } kind;
        std::size_t index;  // first row concerned (unused for kReset)
    };

    explicit ListBox(std::string name, bool multiSelect = false)
        : Control(std::move(name)), multiSelect_(multiSelect) {}
    explicit ListBox(const ControlInfo& info, bool multiSelect = false)
        : Control(info), multiSelect_(multiSelect) {}

    // The rows top first; Items() copies them, Rows() does not.
    std::vector<std::string> Items() const { return {items_.begin(), items_.end()}; }
    const std::deque<std::string>& Rows() const { return items_; }
    std::size_t Count() const { return items_.size(); }
    const std::string& Item(std::size_t i) const { return items_.at(i); }

    void setItems(std::vector<std::string> items);
    void insert(std::size_t index, std::string item);
    void add(std::string item) { insert(items_.size(), std::move(item)); }
    void remove(std::size_t index);
    void setItem(std::size_t index, std::string item);
    void clear() { setItems({}); }

    // -1 when no row is current.
    int ItemIndex() const { return itemIndex_; }
    void setItemIndex(int index);

    bool MultiSelect() const { return multiSelect_; }
    bool Selected(std::size_t index) const;
    void setSelected(std::size_t index, bool selected);
    std::size_t SelCount() const;
    void clearSelection();

    int TopIndex() const { return topIndex_; }
    void setTopIndex(int index) { assign(topIndex_, index); }
    // Width in pixels the view scrolls horizontally over.
    int ScrollWidth() const { return scrollWidth_; }
    void setScrollWidth(int width) { assign(scrollWidth_, width); }

    std::function<void(const RowsChange&)> OnRowsChanged;
    // Runs when the user changes the current row or the selection.
    std::function<void()> OnClick;

  protected:
    // For a derived list that keeps its own index of the row texts: called
    // after a row entered the list (Item(index) is the new text), just before
    // a row leaves it (Item(index) is still there), and after setItems.
    // setItem is a leave followed by an enter of the same index.
    virtual void rowInserted(std::size_t /*index*/) {}
    virtual void rowRemoving(std::size_t /*index*/) {}
    virtual void rowsReset() {}

  private:
    void rowsChanged(RowsChange::Kind kind, std::size_t index);

    // Deques: the URL list grows at the top, which must not cost a shift of
    // every row.
    std::deque<std::string> items_;
    std::deque<char> selected_;
    bool multiSelect_;
    int itemIndex_ = -1;
    int topIndex_ = 0;
    int scrollWidth_ = 0;
};

}  // namespace pontavi
