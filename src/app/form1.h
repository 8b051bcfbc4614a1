#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/bracketed_dialogs.h"
#include "controls/button.h"
#include "controls/check_box.h"
#include "controls/combo_box.h"
#include "controls/label.h"
#include "controls/list_box.h"
#include "controls/memo.h"
#include "controls/menu_item.h"
#include "controls/page_control.h"
#include "controls/spin_edit.h"
#include "controls/status_bar.h"
#include "controls/string_grid.h"
#include "controls/text_box.h"
#include "controls/top_most.h"
#include "controls/tray_icon.h"
#include "controls/window_host.h"
#include "platform/event_loop.h"
#include "platform/timer.h"
#include "urls/more_list_box.h"

namespace pontavi {

class Clipboard;
class DialUpService;
class Help;
class Paths;
class Resolver;
class Shell;

// The platform services the window is built on; main() passes the real ones,
// tests pass fakes. All must outlive the window.
struct FormServices {
    EventLoop& loop;
    Dialogs& dialogs;  // raw boxes; the window adds the always-on-top bracket
    Paths& paths;
    Clipboard& clipboard;
    Shell& shell;
    Resolver& resolver;
    DialUpService& dialUp;
    Help& help;
    WindowHost& host;
    int identPort = 113;
};

// Page indexes of PageControl1, in tab order; "Startup Section" stores them.
enum Page : int {
    RequestsPage,
    OptionsPage,
    MailPage,
    TimerPage,
    DNSPage,
    IdentsPage,
    LaunchPage,
    TimePage,
    URLPage,
    kPageCount
};

class TForm1Impl;

// The main window: owner of every list, timer, component and control of the
// program for its whole run. The Qt view mirrors these control models and
// forwards the user's actions to the handlers below.
class TForm1 {
  public:
    explicit TForm1(FormServices services);
    ~TForm1();
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    PageControl PageControl1{"PageControl1", kPageCount, TimePage};
    // ---- Requests page
    CheckBox CB1{"CB1", "&Use The First Ident Only"};
    TextBox Edit1{"Edit1"};
    Memo Memo1{"Memo1"};
    // ---- Options page
    CheckBox OnTop{"OnTop", "Always stay on top of other applications"};
    CheckBox UpdateClockCB{"UpdateClockCB", "Update the system clock at connect"};
    CheckBox CopyIPCB{"CopyIPCB", "Copy IP Address to clipboard at connect"};
    CheckBox AutoCopyCB{"AutoCopyCB", "Auto-Copy DNS Lookup Result To ClipBoard"};
    CheckBox MailCB{"MailCB", "Enable new mail notification"};
    Button MailSettingBtn{"MailSettingBtn", "&Settings"};
    CheckBox DisplayAtStartupCB{"DisplayAtStartupCB", "Display Pontavi window at startup"};
    ComboBox StartSectionCombo{"StartSectionCombo",
                               {"Requests", "Options", "Messages", "Online Timer", "DNS Lookup",
                                "Edit Idents", "Auto-Launch", "Net Time", "URL"}};
    SpinEdit SpinEdit1{"SpinEdit1", 3, 1800, 5};
    // ---- Messages page
    StringGrid StringGrid1{"StringGrid1", 3, 2};
    Button BitBtn1{"BitBtn1", "Run Mail Program"};
    Button BitBtn2{"BitBtn2", "Check Mail Now"};
    StatusBar MailStatus{"MailStatus", {{"Status: IDLE", 220}, {"Last Check: Never", 120}}};
    // ---- Online Timer page
    Label SessionTimePanel{"SessionTimePanel", "00:00:00"};
    Label TotalTimePanel{"TotalTimePanel", "00:00:00"};
    Label ResetDateLabel{"ResetDateLabel"};
    Button BitBtn3{"BitBtn3", "&Reset Total"};
    Button BitBtn4{"BitBtn4", "&Reset Session"};
    // ---- DNS Lookup page
    TextBox DNSEdit{"DNSEdit"};
    TextBox DNSResult{"DNSResult"};
    Button Resolve{"Resolve", "&Resolve"};
    // ---- Edit Idents page
    Memo IdentMemo{"IdentMemo"};
    // ---- Auto-Launch page
    ListBox fnp{"fnp"};
    Button Button3{"Button3", "&Add"};
    Button Button1{"Button1", "Move &Up"};
    Button Button2{"Button2", "Move &Down"};
    Button Button4{"Button4", "&Remove"};
    TextBox CopyIPEdit{"CopyIPEdit"};
    // ---- Net Time page
    ListBox TimeLB{"TimeLB"};
    Button Button6{"Button6", "&Add"};
    Button Button7{"Button7", "Move &Up"};
    Button Button8{"Button8", "Move &Down"};
    Button Button9{"Button9", "&Remove"};
    // ---- URL page (rows change only through the URL keeper)
    TMoreListBox& UrlLB() { return urlLB_; }
    // The URL list's context menu is about to open.
    void URLPopupPopup();
    // The view measures a row in the list's font (plus its average character
    // width) for the horizontal scroll width.
    void setUrlTextWidth(std::function<int(const std::string&)> textWidth);
    Button Button5{"Button5", "&Add"};
    Button Button13{"Button13", "&Find"};
    Button Button11{"Button11", "&Copy"};
    Button Button12{"Button12", "&View"};
    Button Button10{"Button10", "&Remove"};
    MenuItem Copy1{"Copy1", "&Copy"};
    MenuItem View1{"View1", "&View"};
    MenuItem Remove1{"Remove1", "&Remove"};
    // ---- Tray, tray menu, window
    TrayIcon TrayIcon1{"TrayIcon1"};
    MenuItem Help1{"Help1", "&Help"};
    MenuItem About1{"About1", "&About"};
    MenuItem ShowRequests1{"ShowRequests1", "&Options"};
    MenuItem CheckMailNow1{"CheckMailNow1", "&Check Mail Now"};
    MenuItem ConnectNow{"ConnectNow", "Co&nnect && Check Mail"};
    MenuItem First1{"First1", "&Use The First Ident Only"};
    MenuItem Exit1{"Exit1", "&Exit"};
    // PopupMenu1 in order; separators are MenuItems captioned "-".
    std::vector<MenuItem*> PopupMenu1() const;
    TopMost TopMost1{"TopMost1"};

    // ---- Window operations
    void FormCreate();
    void FormShow();
    void HideOptions();
    void TrayIcon1Click();
    void PageControl1Change();
    // Returns true when the key was handled (Esc 27, F1 112).
    bool FormKeyUp(int key);
    // Every close request: hides, saves; the close itself is always refused.
    void FormClose();
    // The session's end (or SIGTERM/SIGINT/SIGHUP): tray icon removed, close request.
    void SessionEnd();
    void Exit1Click();
    void Help1Click();
    void About1Click();
    void OnTopClick();
    void IniFileRead();
    void IniFileWrite();

    bool Visible() const;

  private:
    TMoreListBox urlLB_{"UrlLB"};
    std::unique_ptr<TForm1Impl> impl_;
    friend class TForm1Impl;
};

}  // namespace pontavi
