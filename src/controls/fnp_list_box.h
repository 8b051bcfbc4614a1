#pragma once

#include <string>
#include <utility>
#include <vector>

#include "controls/list_box.h"

namespace pontavi {

// A single-selection list box whose rows the user can rearrange (Ctrl+Up,
// Ctrl+Down, dragging with Ctrl; the view does the key and mouse part and
// presses the page's Move buttons). The operations act on the current row.
class TFnpListBox : public ListBox {
  public:
    explicit TFnpListBox(std::string name) : ListBox(std::move(name)) {}
    explicit TFnpListBox(const ControlInfo& info) : ListBox(info) {}

    bool Rearrange() const { return rearrange_; }
    void setRearrange(bool rearrange) { assign(rearrange_, rearrange); }
    // Tab stop positions in whole pixels, applied by the view.
    const std::vector<std::string>& TabStops() const { return tabStops_; }
    void setTabStops(std::vector<std::string> stops) { tabStops_ = std::move(stops); }
    // Read-only: assigning changes nothing.
    std::string Version() const { return "1.00.00"; }
    void setVersion(const std::string&) {}

    // Exchange the current row with its neighbour and keep it current; false
    // (nothing changed) at the end of the list or without a current row.
    bool MoveUp();
    bool MoveDown();
    // Deletes the current row; the row now at its index, or the new last
    // row, becomes current. False without a current row.
    bool DeleteSelected();

  private:
    bool exchange(int from, int to);

    bool rearrange_ = true;
    std::vector<std::string> tabStops_;
};

}  // namespace pontavi
