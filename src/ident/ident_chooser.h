#pragma once

#include <string>
#include <vector>

#include "controls/check_box.h"
#include "controls/memo.h"
#include "controls/menu_item.h"
#include "controls/text_box.h"

namespace pontavi {

// Which ident the next Ident reply gives: the first-ident-only mode shown by
// CB1 and First1 (mirrors of each other), the rotation index, and the "Next
// Ident" box Edit1 that always shows what the next reply will say.
class IdentChooser {
  public:
    struct Controls {
        CheckBox& CB1;
        MenuItem& First1;
        TextBox& Edit1;
        Memo& IdentMemo;
    };

    IdentChooser(Controls controls, std::vector<std::string>& identList);

    // Wires CB1 and First1 to the handlers below.
    void bind();

    // The ident the reply being made now gives: what Edit1 shows, in both modes.
    const std::string& currentIdent() const { return c_.Edit1.Text(); }
    // After a reply: Edit1 := the first ident, or the next one in rotation.
    void refill();

    void CB1Click();
    void First1Click();
    // Replaces IdentList by the lines of IdentMemo when the user edited it.
    void commitIdentMemo();
    // The Requests page became active: commit, then Edit1 := the first ident.
    void requestsPageShown();
    // Edit1 := the first ident (at start).
    void showFirstIdent();

    int IdentIndex() const { return identIndex_; }

  private:
    // Entry i of IdentList, or what Edit1 shows when there is no such entry:
    // an emptied list keeps answering with the last shown ident.
    std::string entryOrCurrent(std::size_t i) const;
    bool firstOnly() const { return c_.First1.Checked(); }

    Controls c_;
    std::vector<std::string>& identList_;
    int identIndex_ = 1;
};

}  // namespace pontavi
