#include "app/form1_impl.h"

#include <filesystem>
#include <system_error>

#include "connection/connection_address.h"
#include "connection/short_date.h"
#include "launch/program_file.h"
#include "platform/clipboard.h"
#include "platform/dialup_service.h"
#include "platform/help.h"
#include "platform/paths.h"

namespace pontavi {

namespace {

constexpr const char* kScramblerKey = "quolavin38";
constexpr const char* kLegacySettingsFile = "Pontavi.iNi";
constexpr const char* kLegacyMessage =
    "You are upgrading from a previous beta, you'll need to re-configure Pontavi since its now "
    "using the Registry to save your settings";

bool fileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

// A file, as the mail program and its chooser mean it (not a folder).
bool FileExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::exists(path, ec) &&
           !std::filesystem::is_directory(path, ec);
}

}  // namespace

TForm1Impl::TForm1Impl(TForm1& owner, FormServices platform)
    : form(owner),
      services(platform),
      dialogs(services.dialogs, form.TopMost1, form.OnTop),
      ProgramFolder(services.paths.ProgramFolder()),
      UrlFileName(ProgramFolder + "URL.lst"),
      AppsTimer(services.loop, 5000, false),
      MailTimer(services.loop, 255'000, false),
      AutoConnectTimer(services.loop, 3'300'000, false),
      dialer({.loop = services.loop,
              .dialUp = services.dialUp,
              .dialogs = services.dialogs,
              .state = connection,
              .TrayIcon1 = form.TrayIcon1,
              .ConnectNow = form.ConnectNow,
              .AutoConnectTimer = AutoConnectTimer}),
      online(services.loop,
             {.SessionTimePanel = form.SessionTimePanel,
              .TotalTimePanel = form.TotalTimePanel,
              .ResetDateLabel = form.ResetDateLabel},
             LocalShortDateToday),
      AppExec1(services.processes),
      mailProgram({.shell = services.shell,
                   .dialogs = dialogs,
                   .fileExists = FileExists,
                   .windowVisible = [this] { return form.Visible(); },
                   .hideOptions = [this] { form.HideOptions(); },
                   .execute =
                       [this](const std::string& program, const std::vector<std::string>& params) {
                           AppExec1.ExeParams = params;
                           AppExec1.ExeName = program;
                           try {
                               AppExec1.Execute();
                           } catch (const EAppExec&) {
                               // A failed start of the mail program is not reported.
                           }
                       }}),
      launch({.AppsList = AppsList,
              .AppsIndex = connection.AppsIndex,
              .AppsTimer = AppsTimer,
              .AppExec1 = AppExec1,
              .fileExists = fileExists,
              .report = [this](const std::string& m) { form.Memo1.addLine(m); }}),
      launchPage({.fnp = form.fnp,
                  .Button3 = form.Button3,
                  .Button1 = form.Button1,
                  .Button2 = form.Button2,
                  .Button4 = form.Button4},
                 {.dialogs = dialogs,
                  .programProblem = ProgramFileProblem,
                  .showHelp = [this](const std::string& topic) { services.help.ShowTopic(topic); }},
                 AppsList),
      timePage({.TimeLB = form.TimeLB,
                .Button6 = form.Button6,
                .Button7 = form.Button7,
                .Button8 = form.Button8,
                .Button9 = form.Button9},
               dialogs, TimeServerList),
      layer(services.loop, services.resolver),
      pop3(layer,
           {.StringGrid1 = form.StringGrid1,
            .TrayIcon1 = form.TrayIcon1,
            .MailStatus = form.MailStatus,
            .Seen = SeenMessageIds,
            .MailErrorList = MailErrorList,
            .Cache = &MailHeaderCache},
           {.port = services.pop3Port}, &tls),
      idents({.CB1 = form.CB1,
              .First1 = form.First1,
              .Edit1 = form.Edit1,
              .IdentMemo = form.IdentMemo},
             IdentList),
      ident(layer, idents, form.Memo1, dialogs, std::to_string(services.identPort),
            services.privilegedPorts),
      nameLookup({.DNSEdit = form.DNSEdit,
                  .DNSResult = form.DNSResult,
                  .Resolve = form.Resolve,
                  .AutoCopyCB = form.AutoCopyCB},
                 ident.ServerSocket1(), services.clipboard),
      timeClient({.TimeServerList = TimeServerList, .TrayIcon1 = form.TrayIcon1},
                 {.layer = layer,
                  .clock = services.clock,
                  .report = [this](const std::string& m) { form.Memo1.addLine(m); }}),
      monitor(services.loop,
              {.dialUp = services.dialUp,
               .state = connection,
               .TrayIcon1 = form.TrayIcon1,
               .MailStatus = form.MailStatus,
               .ConnectNow = form.ConnectNow,
               .CheckMailNow1 = form.CheckMailNow1,
               .BitBtn2 = form.BitBtn2,
               .CopyIPCB = form.CopyIPCB,
               .UpdateClockCB = form.UpdateClockCB,
               .MailCB = form.MailCB,
               .SpinEdit1 = form.SpinEdit1,
               .AutoConnectTimer = AutoConnectTimer,
               .AppsTimer = AppsTimer,
               .MailTimer = MailTimer,
               .onlineTimer = online},
              {.AppsTimerTimer = [this] { launch.AppsTimerTimer(); },
               .CopyIPAddress = [this] { copyIPAddress(); },
               .StartClockUpdate = [this] { timeClient.StartClockUpdate(); },
               .MailTimerTimer = [this] { MailTimerTimer(); },
               // A line dialled only to check mail is not kept up for nothing.
               .NoMailCheck = [this] { dialer.HangUpOwnDial(); },
               .OnBackgroundError = [this](const std::string& m) { form.Memo1.addLine(m); }}),
      urls({.UrlLB = form.UrlLB(),
            .Button5 = form.Button5,
            .Button13 = form.Button13,
            .Button11 = form.Button11,
            .Button12 = form.Button12,
            .Button10 = form.Button10,
            .Copy1 = form.Copy1,
            .View1 = form.View1,
            .Remove1 = form.Remove1},
           {.clipboard = services.clipboard,
            .shell = services.shell,
            .dialogs = dialogs,
            .hideOptions = [this] { form.HideOptions(); },
            .textWidth = {}},
           UrlFileName) {
    Crypt.Key = kScramblerKey;
    // Failures inside socket handlers are a peer's doing: they go to the
    // Requests log, never to a box per event.
    layer.OnHandlerError = [this](const std::string& message) { form.Memo1.addLine(message); };
    idents.bind();
    form.OnTop.OnClick = [this] { form.OnTopClick(); };
    form.MailCB.OnClick = [this] { form.MailCBClick(); };
    form.StartAtLoginCB.setEnabled(services.startAtLogin != nullptr);
    form.StartAtLoginCB.OnClick = [this] { form.StartAtLoginCBClick(); };
    form.BitBtn1.OnClick = [this] { runMailProgram(); };
    form.MailSettingBtn.setEnabled(false);
    form.MailSettingBtn.OnClick = [this] { MailSettingBtnClick(); };
    MailTimer.OnTimer = [this] { MailTimerTimer(); };
    form.BitBtn2.OnClick = [this] { MailTimerTimer(); };
    form.CheckMailNow1.OnClick = [this] { MailTimerTimer(); };
    pop3.OnCycleComplete = [this] { mailCycleComplete(); };
    form.PageControl1.OnChange = [this] { form.PageControl1Change(); };
    form.ShowRequests1.OnClick = [this] { form.TrayIcon1Click(); };
    form.Help1.OnClick = [this] { form.Help1Click(); };
    form.About1.OnClick = [this] { form.About1Click(); };
    form.Exit1.OnClick = [this] { form.Exit1Click(); };
    form.BitBtn3.OnClick = [this] { online.BitBtn3Click(); };
    form.BitBtn4.OnClick = [this] { online.BitBtn4Click(); };
    form.Memo1.setReadOnly(true);
    form.CopyIPEdit.setVisible(false);
    buildPopupMenu();
}

void TForm1Impl::buildPopupMenu() {
    popupMenu = {&form.Help1,         &form.About1,        &separator1_,
                 &form.ShowRequests1, &form.CheckMailNow1, &form.ConnectNow,
                 &form.First1,        &separator2_,        &form.Exit1};
}

void TForm1Impl::formCreate() {
    CanHide = false;
    CanShow = true;
    form.BitBtn2.setEnabled(false);
    form.CheckMailNow1.setEnabled(false);
    announceLegacySettings();
    try {
        urls.load();
    } catch (const std::exception& e) {
        urlsLoaded = true;  // the keeper leaves an unreadable file alone
        dialogs.ShowMessage(e.what());
    }
    urlsLoaded = true;
    urls.start();
    pop3.CurrentServer = 0;
    form.TrayIcon1.setToolTip("Pontavi! - Not Connected");
    form.MailStatus.setPanelText(0, "Not Connected");
    online.BitBtn4Click();
    connection.AppsIndex = -1;
    IdentList.clear();
    AppsList.clear();
    TimeServerList.clear();
    SeenMessageIds.clear();
    MailErrorList.clear();
    ServerNames.clear();
    form.StringGrid1.setCell(0, 0, "From:");
    form.StringGrid1.setCell(1, 0, "Subject:");
    form.StringGrid1.setCell(2, 0, "MailBox:");
    iniFileRead();
    idents.showFirstIdent();
    ident.start();
    monitor.start();
    form.TrayIcon1.OnClick = [this] { form.TrayIcon1Click(); };
    form.TrayIcon1.setIcon(TrayImage::IconNotConnected);
    form.TrayIcon1.setActive(true);
    // Without a tray the window is the only way in.
    if (form.DisplayAtStartupCB.Checked() || !form.HasTray()) {
        form.TrayIcon1Click();
    }
}

void TForm1Impl::announceLegacySettings() {
    const std::filesystem::path legacy = ProgramFolder + kLegacySettingsFile;
    std::error_code ec;
    if (!std::filesystem::exists(legacy, ec)) {
        return;
    }
    dialogs.ShowMessage(kLegacyMessage);
    std::filesystem::remove(legacy, ec);
}

void TForm1Impl::displayAppsList() {
    launchPage.DisplayAppsList();
}

void TForm1Impl::runMailProgram() {
    try {
        mailProgram.BitBtn1Click(storedSettings.MailProgram, storedSettings.AutoRun);
    } catch (const ShortcutError& e) {
        dialogs.ShowMessage(e.what());
    }
}

void TForm1Impl::copyIPAddress() {
    const std::string address = ConnectionAddress(services.dialUp);
    form.CopyIPEdit.setText(address);
    form.CopyIPEdit.selectAll();
    services.clipboard.setText(form.CopyIPEdit.SelText());
}

}  // namespace pontavi
