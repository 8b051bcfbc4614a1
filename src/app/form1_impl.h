#pragma once

#include <string>
#include <vector>

#include "app/app_settings.h"
#include "app/form1.h"
#include "app/settings_store.h"
#include "connection/auto_connect_dialer.h"
#include "connection/connection_monitor.h"
#include "connection/connection_state.h"
#include "connection/online_timer.h"
#include "ident/ident_chooser.h"
#include "ident/ident_responder.h"
#include "launch/app_exec.h"
#include "launch/auto_launch_page.h"
#include "launch/launch_sequencer.h"
#include "lookup/name_lookup.h"
#include "mail/mail_program.h"
#include "mail/pop3_session.h"
#include "mail/seen_message_ids.h"
#include "mail/uidl_cache.h"
#include "mail/velk_encryption.h"
#include "net/socket_layer.h"
#include "nettime/time_client.h"
#include "nettime/time_server_page.h"
#include "urls/url_keeper.h"

namespace pontavi {

// The window's state and components, and the steps TForm1's handlers share.
// Members are declared in the order they must be built: what a later member
// takes a reference to comes first.
class TForm1Impl {
  public:
    TForm1Impl(TForm1& owner, FormServices platform);

    void formCreate();
    void iniFileRead();
    void iniFileWrite();
    // IniFileWrite for a close request or Exit: a failure shows its message and
    // returns false.
    bool saveReportingFailure();
    // The settings file holds a mail password and was readable by others:
    // the save made it the owner's alone; the Requests log says so.
    static constexpr const char* kTightenedSettingsLine =
        "registry.ini holds a mail password: group and others may no longer read it";
    void noteTightenedSettings(bool tightened);
    void displayAppsList();
    void copyIPAddress();
    // "Run Mail Program"; a shortcut that cannot be read is shown in a box.
    void runMailProgram();
    // Mail handlers (form1_mail.cpp).
    void MailTimerTimer();
    void MailSettingBtnClick();
    void mailCycleComplete();
    void hangUpIdleDial();
    std::string alertNewMail();
    std::string newestMessageText() const;
    std::vector<MailServerRecord> mailServers() const;

    TForm1& form;  // the owner, whose controls the components below act on
    FormServices services;
    BracketedDialogs dialogs;

    // Set once start-up has read the URL list and the settings: neither file
    // is written before.
    bool urlsLoaded = false;
    bool settingsRead = false;
    // True while iniFileRead sets the controls: a check box it sets is not
    // the user's click (MailCB then opens no dialog).
    bool readingSettings = false;
    // From the start of a cycle's first session to the end of its completion:
    // nothing may start another cycle meanwhile.
    bool mailCycleUnderway = false;
    bool CanHide = false;
    bool CanShow = true;
    int SavedTop = 100;
    int SavedLeft = 200;
    std::string ProgramFolder;
    std::string UrlFileName;

    std::vector<std::string> IdentList;
    std::vector<std::string> AppsList;
    std::vector<std::string> TimeServerList;
    SeenMessageIdList SeenMessageIds;
    UidlHeaderCache MailHeaderCache;
    std::vector<std::string> MailErrorList;
    std::vector<std::string> ServerNames;
    // The settings as last read. Those without a control of their own (mail
    // options, server records) live only here; the rest live in the controls
    // and lists above, and a save collects them from there.
    AppSettings storedSettings;
    ConnectionState connection;
    // The mail settings dialog's file choices, applied at its next OK.
    std::string ChosenMailProgram;
    std::string ChosenWavFile;

    VelkEncryption Crypt;

    Timer AppsTimer;
    Timer MailTimer;
    Timer AutoConnectTimer;
    AutoConnectDialer dialer;
    OnlineTimer online;
    TAppExec AppExec1;
    MailProgramRunner mailProgram;
    LaunchSequencer launch;
    AutoLaunchPage launchPage;
    TimeServerPage timePage;

    SocketLayer layer;
    // The program's one client TLS context (CA store, TLS 1.2 at least), made
    // when the first protected mailbox is checked.
    LazyTlsContext tls;
    // PopClient and the check cycle's state (CurrentServer, MessageRow, ...).
    Pop3Session pop3;
    IdentChooser idents;
    IdentResponder ident;
    NameLookup nameLookup;
    TimeClient timeClient;
    ConnectionMonitor monitor;
    UrlKeeper urls;

    std::vector<MenuItem*> popupMenu;

  private:
    void applyReadStep(ReadStep step);
    void applyConsistencyAndDisplay();
    AppSettings collectSettings() const;
    void announceLegacySettings();
    void buildPopupMenu();

    MenuItem separator1_{"N1", "-"};
    MenuItem separator2_{"N2", "-"};
};

}  // namespace pontavi
