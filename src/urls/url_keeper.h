#pragma once

#include <functional>
#include <string>

#include "controls/button.h"
#include "controls/dialogs.h"
#include "controls/menu_item.h"
#include "platform/clipboard.h"
#include "platform/shell.h"
#include "urls/more_list_box.h"
#include "urls/url_list_file.h"
#include "urls/widest_row.h"

namespace pontavi {

// The URL page: collects every web or FTP address copied to the clipboard
// into UrlLB (newest first, once), and runs the page's commands and the
// load and save of the list file. The rows of UrlLB must be changed through
// this keeper only, which keeps the list's scroll width in step with them.
// Loop thread only.
class UrlKeeper {
  public:
    // The page's controls, owned by the window; they must outlive the keeper.
    struct Controls {
        TMoreListBox& UrlLB;
        Button& Button5;   // "&Add"
        Button& Button13;  // "&Find"
        Button& Button11;  // "&Copy"
        Button& Button12;  // "&View"
        Button& Button10;  // "&Remove"
        MenuItem& Copy1;
        MenuItem& View1;
        MenuItem& Remove1;
    };
    struct Services {
        Clipboard& clipboard;
        Shell& shell;
        Dialogs& dialogs;  // the always-on-top bracketed boxes
        std::function<void()> hideOptions;
        // Pixel width of a row in the list's font plus the font's average
        // character width; empty = 6 px per character + 6.
        std::function<int(const std::string&)> textWidth;
    };

    // Wires the buttons, menu items and the list's OnClick to the commands
    // below and puts the page in its start-up state.
    UrlKeeper(Controls controls, Services services, std::string urlFileName);
    ~UrlKeeper();
    UrlKeeper(const UrlKeeper&) = delete;
    UrlKeeper& operator=(const UrlKeeper&) = delete;

    // Joins the clipboard watch and examines the text already there once.
    void start();
    // Leaves the clipboard watch (also done by the destructor).
    void stop();
    bool watching() const { return watching_; }

    // Reads the list file, when there is one, into UrlLB. Throws
    // std::runtime_error "Cannot open file <name>" when it exists but cannot
    // be read; the file is then never overwritten (see save).
    void load();
    // Writes every row to the list file; throws std::runtime_error
    // "Cannot create file <name>" when it cannot, leaving the old file whole.
    // After a failed load the file is left alone while it stays unreadable;
    // once it can be read, its rows join the list below the captured ones.
    void save();
    bool fileUnread() const { return fileUnread_; }
    const std::string& UrlFileName() const { return file_.FileName(); }

    // The clipboard changed: capture an address from its text.
    void WMDrawClipboard();
    void Button5Click();   // Add
    void Button13Click();  // Find
    void Button11Click();  // Copy
    void Button12Click();  // View
    void Button10Click();  // Remove
    void UrlLBClick() { UpdateUrlButtons(); }
    void URLPopupPopup() { UpdateUrlButtons(); }

    void UpdateUrlButtons();
    // Sets UrlLB's scroll width to the widest row.
    void UpdateUrlLB();
    // Deletes every selected row (topmost first, as repeated single deletes
    // would) and updates the scroll width.
    void RemoveSelectedUrl();
    // textWidth of the row, kept within 0..65535.
    int UrlTextWidth(const std::string& text) const;
    // A new measure (the view's font changed): every row is measured again.
    void setTextWidth(std::function<int(const std::string&)> textWidth);

    const std::string& LastFindText() const { return lastFindText_; }

  private:
    void wire();
    void insertTop(std::string row);
    void removeRowsOneByOne(const std::vector<std::size_t>& selected);
    void removeRowsByRebuild(const std::vector<std::size_t>& selected);
    std::vector<std::size_t> selectedRows() const;
    void remeasure();
    bool joinUnreadFile();

    Controls c_;
    Services s_;
    UrlListFile file_;
    WidestRow widest_;
    std::string lastFindText_;
    bool watching_ = false;
    bool fileUnread_ = false;
};

}  // namespace pontavi
