#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/bracketed_dialogs.h"
#include "controls/button.h"
#include "controls/check_box.h"
#include "controls/combo_box.h"
#include "controls/fnp_list_box.h"
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
class PrivilegedPorts;
class ProcessStarter;
class SystemClock;
class TAddAppsForm;
class Resolver;
class Shell;
class SoundPlayer;
class StartAtLogin;
class Notifier;

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
    ProcessStarter& processes;  // the launch list and the mail program
    SystemClock& clock;
    SoundPlayer& sound;  // the new-mail sound
    Notifier& notifier;  // the new-mail desktop notification
    int identPort = 113;
    // Whether the desktop has a tray (notification area) for the icon and its
    // menu. Without one the window is the only way in: see TForm1::HasTray.
    bool hasTray = true;
    // Where the Ident port is asked for when the program may not bind it
    // (null: nowhere).
    PrivilegedPorts* privilegedPorts = nullptr;
    std::string pop3Port = "110";
    // The desktop's start at login (null: none, the box is disabled).
    StartAtLogin* startAtLogin = nullptr;
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
//
// Where things are:
// - form1.h: the controls, each declared with its caption, help number and hint.
// - form1.cpp: the window's own handlers declared below (show, hide, keys,
//   close, exit, the tray menu's commands, option clicks that change only
//   other controls).
// - form1_impl.h/.cpp: TForm1Impl, the state, lists, timers and components,
//   built and wired to the controls in its constructor; start-up
//   (FormCreate) and the steps the handlers share.
// - form1_settings.cpp: reading and writing the settings (IniFileRead/Write).
// - form1_mail.cpp: the mail check cycle's start and end, the Mail Settings
//   dialog (MailSettingBtnClick); the POP3 session itself is mail/'s.
// A subsystem's handlers stay in its own component (ident chooser, name
// lookup, online timer, connection monitor, URL keeper), wired to the
// controls in TForm1Impl's constructor.
class TForm1 {
  public:
    explicit TForm1(FormServices services);
    ~TForm1();
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    // Each control is declared once with what the window's design gives it:
    // name, caption, help context number and hint (see ControlInfo). The view
    // reads them from here.
    PageControl PageControl1{ControlInfo{.name = "PageControl1"}, kPageCount, TimePage};
    // ---- Requests page
    CheckBox CB1{
        ControlInfo{.name = "CB1",
                    .caption = "&Use The First Ident Only",
                    .help = 150,
                    .hint = "When activated, only the first ident in the list will be replied."}};
    TextBox Edit1{ControlInfo{.name = "Edit1",
                              .help = 151,
                              .hint =
                                  "If you enter something else here, it will be used as your next "
                                  "ident."}};
    Memo Memo1{ControlInfo{.name = "Memo1", .help = 152}};
    // ---- Options page
    CheckBox OnTop{ControlInfo{
        .name = "OnTop", .caption = "Always stay on top of other applications", .help = 100}};
    CheckBox UpdateClockCB{ControlInfo{
        .name = "UpdateClockCB", .caption = "Update the system clock at connect", .help = 101}};
    CheckBox CopyIPCB{ControlInfo{
        .name = "CopyIPCB", .caption = "Copy IP Address to clipboard at connect", .help = 102}};
    CheckBox AutoCopyCB{ControlInfo{
        .name = "AutoCopyCB", .caption = "Auto-Copy DNS Lookup Result To ClipBoard", .help = 103}};
    CheckBox MailCB{
        ControlInfo{.name = "MailCB", .caption = "Enable new mail notification", .help = 104}};
    Button MailSettingBtn{
        ControlInfo{.name = "MailSettingBtn", .caption = "&Settings", .help = 105}};
    CheckBox DisplayAtStartupCB{ControlInfo{
        .name = "DisplayAtStartupCB", .caption = "Display Pontavi window at startup", .help = 107}};
    // Ticked while the desktop starts the program at login: what its
    // autostart entry says, read at every start.
    CheckBox StartAtLoginCB{ControlInfo{
        .name = "StartAtLoginCB", .caption = "Start Pontavi when I log in", .help = 109}};
    ComboBox StartSectionCombo{ControlInfo{.name = "StartSectionCombo", .help = 108},
                               {"Requests", "Options", "Messages", "Online Timer", "DNS Lookup",
                                "Edit Idents", "Auto-Launch", "Net Time", "URL"}};
    SpinEdit SpinEdit1{ControlInfo{.name = "SpinEdit1", .help = 106}, 3, 1800, 5};
    // ---- Messages page
    StringGrid StringGrid1{ControlInfo{.name = "StringGrid1", .help = 140}, 3, 2};
    Button BitBtn1{ControlInfo{.name = "BitBtn1", .caption = "Run Mail Program", .help = 141}};
    Button BitBtn2{ControlInfo{.name = "BitBtn2", .caption = "Check Mail Now", .help = 142}};
    StatusBar MailStatus{ControlInfo{.name = "MailStatus", .help = 143},
                         {{"Status: IDLE", 220}, {"Last Check: Never", 120}}};
    // ---- Online Timer page
    Label SessionTimePanel{
        ControlInfo{.name = "SessionTimePanel", .caption = "00:00:00", .help = 200}};
    Label TotalTimePanel{ControlInfo{.name = "TotalTimePanel", .caption = "00:00:00", .help = 201}};
    Label ResetDateLabel{ControlInfo{.name = "ResetDateLabel", .help = 201}};
    Button BitBtn3{ControlInfo{.name = "BitBtn3", .caption = "&Reset Total", .help = 202}};
    Button BitBtn4{ControlInfo{.name = "BitBtn4", .caption = "&Reset Session", .help = 203}};
    // ---- DNS Lookup page
    TextBox DNSEdit{ControlInfo{.name = "DNSEdit", .help = 160}};
    TextBox DNSResult{ControlInfo{.name = "DNSResult", .help = 161}};
    Button Resolve{ControlInfo{.name = "Resolve", .caption = "&Resolve", .help = 162}};
    // ---- Edit Idents page
    Memo IdentMemo{ControlInfo{.name = "IdentMemo", .help = 170}};
    // ---- Auto-Launch page
    TFnpListBox fnp{ControlInfo{.name = "fnp", .help = 120}};
    Button Button3{ControlInfo{.name = "Button3", .caption = "&Add", .help = 121}};
    Button Button1{ControlInfo{.name = "Button1", .caption = "Move &Up", .help = 122}};
    Button Button2{ControlInfo{.name = "Button2", .caption = "Move &Down", .help = 123}};
    Button Button4{ControlInfo{.name = "Button4", .caption = "&Remove", .help = 124}};
    // The view shows the "Add To Auto-Launch" dialog; true when closed with OK.
    void setShowAddAppsForm(std::function<bool(TAddAppsForm&)> show);
    TextBox CopyIPEdit{"CopyIPEdit"};
    // ---- Net Time page
    TFnpListBox TimeLB{ControlInfo{.name = "TimeLB", .help = 130}};
    Button Button6{ControlInfo{.name = "Button6", .caption = "&Add", .help = 131}};
    Button Button7{ControlInfo{.name = "Button7", .caption = "Move &Up", .help = 132}};
    Button Button8{ControlInfo{.name = "Button8", .caption = "Move &Down", .help = 133}};
    Button Button9{ControlInfo{.name = "Button9", .caption = "&Remove", .help = 134}};
    // ---- URL page (rows change only through the URL keeper)
    TMoreListBox& UrlLB() { return urlLB_; }
    // The URL list's context menu is about to open.
    void URLPopupPopup();
    // The view measures a row in the list's font (plus its average character
    // width) for the horizontal scroll width.
    void setUrlTextWidth(std::function<int(const std::string&)> textWidth);
    Button Button5{ControlInfo{.name = "Button5", .caption = "&Add", .help = 211}};
    Button Button13{ControlInfo{.name = "Button13", .caption = "&Find", .help = 212}};
    Button Button11{ControlInfo{.name = "Button11", .caption = "&Copy", .help = 213}};
    Button Button12{ControlInfo{.name = "Button12", .caption = "&View", .help = 214}};
    Button Button10{ControlInfo{.name = "Button10", .caption = "&Remove", .help = 215}};
    MenuItem Copy1{ControlInfo{.name = "Copy1", .caption = "&Copy", .help = 213}};
    MenuItem View1{ControlInfo{.name = "View1", .caption = "&View", .help = 214}};
    MenuItem Remove1{ControlInfo{.name = "Remove1", .caption = "&Remove", .help = 215}};
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
    // A later start of the program asks for the window: shown as by the tray
    // menu's "&Options" when hidden, brought to the front when already shown.
    void ShowRequested();
    void PageControl1Change();
    // Returns true when the key was handled (Esc 27, F1 112).
    bool FormKeyUp(int key);
    // Every close request: hides, saves; the close itself is always refused.
    void FormClose();
    // The session's end (or SIGTERM/SIGINT/SIGHUP): tray icon removed, close request.
    void SessionEnd();
    // The session manager asks for the user's data before a logout the user
    // may still cancel: saves, and the program stays as it is. A failure goes
    // to the Requests log (no box may hold up a logout).
    void SessionSave();

    // Without a tray the window shows at start, "hiding" it minimises it (so
    // it can always be brought back), and the tray menu's commands are on the
    // window's own menu (TrayMenuInWindow).
    bool HasTray() const;
    bool TrayMenuInWindow() const { return !HasTray(); }
    void Exit1Click();
    void Help1Click();
    void About1Click();
    void OnTopClick();
    void MailCBClick();
    void StartAtLoginCBClick();
    void IniFileRead();
    void IniFileWrite();

    bool Visible() const;

  private:
    WindowHost& host() const;

    TMoreListBox urlLB_{ControlInfo{.name = "UrlLB", .help = 216}};
    std::unique_ptr<TForm1Impl> impl_;
    friend class TForm1Impl;
};

}  // namespace pontavi
