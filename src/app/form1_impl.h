#pragma once

#include <string>
#include <vector>

#include "app/app_settings.h"
#include "app/form1.h"
#include "app/settings_store.h"
#include "connection/connection_monitor.h"
#include "connection/connection_state.h"
#include "connection/online_timer.h"
#include "ident/ident_chooser.h"
#include "ident/ident_responder.h"
#include "lookup/name_lookup.h"
#include "mail/velk_encryption.h"
#include "net/client_socket.h"
#include "net/socket_layer.h"
#include "urls/url_keeper.h"

namespace pontavi {

// The window's state and components. Members are declared in the order they
// must be built: what a later member takes a reference to comes first.
class TForm1Impl {
  public:
    TForm1Impl(TForm1& form, FormServices services);

    void formCreate();
    void iniFileRead();
    void iniFileWrite();
    // IniFileWrite for a close request or Exit: a failure shows its message and
    // returns false.
    bool saveReportingFailure();
    void displayAppsList();
    void hangUpOwnDial();
    void copyIPAddress();
    void MailCBClick();

    TForm1& f;
    FormServices s;
    BracketedDialogs dialogs;

    bool CanHide = false;
    bool CanShow = true;
    int SavedTop = 100;
    int SavedLeft = 200;
    std::string ProgramFolder;
    std::string UrlFileName;
    int CurrentServer = 0;
    int TimeServerIndex = 0;

    std::vector<std::string> IdentList;
    std::vector<std::string> AppsList;
    std::vector<std::string> TimeServerList;
    std::vector<std::string> SeenMessageIds;
    std::vector<std::string> MailErrorList;
    std::vector<std::string> ServerNames;
    // The settings that have no control of their own (mail options, server
    // records); the rest live in the controls and lists above.
    AppSettings other;
    ConnectionState connection;

    VelkEncryption Crypt;

    Timer AppsTimer;
    Timer MailTimer;
    Timer AutoConnectTimer;
    OnlineTimer online;

    SocketLayer layer;
    IdentChooser idents;
    IdentResponder ident;
    NameLookup nameLookup;
    // The address copy at connect looks up through a component of its own, so
    // its time-out never fires another component's handler.
    TClientSocket IPLookup;
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
