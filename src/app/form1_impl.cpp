#include "app/form1_impl.h"

#include <filesystem>
#include <system_error>

#include "connection/short_date.h"
#include "net/address_lookup.h"
#include "platform/clipboard.h"
#include "platform/dialup_service.h"
#include "platform/paths.h"

namespace pontavi {

namespace {

constexpr const char* kScramblerKey = "quolavin38";
constexpr const char* kLegacySettingsFile = "Pontavi.iNi";
constexpr const char* kLegacyMessage =
    "You are upgrading from a previous beta, you'll need to re-configure Pontavi since its now "
    "using the Registry to save your settings";
constexpr int kIPLookupTimeOut = 30;

}  // namespace

TForm1Impl::TForm1Impl(TForm1& form, FormServices services)
    : f(form),
      s(services),
      dialogs(s.dialogs, f.TopMost1, f.OnTop),
      ProgramFolder(s.paths.ProgramFolder()),
      UrlFileName(ProgramFolder + "URL.lst"),
      AppsTimer(s.loop, 5000, false),
      MailTimer(s.loop, 255'000, false),
      AutoConnectTimer(s.loop, 3'300'000, false),
      online(s.loop, {f.SessionTimePanel, f.TotalTimePanel, f.ResetDateLabel}, LocalShortDateToday),
      layer(s.loop, s.resolver),
      idents({f.CB1, f.First1, f.Edit1, f.IdentMemo}, IdentList),
      ident(layer, idents, f.Memo1, dialogs, std::to_string(s.identPort)),
      nameLookup({f.DNSEdit, f.DNSResult, f.Resolve, f.AutoCopyCB}, ident.ServerSocket1(),
                 s.clipboard),
      IPLookup(layer),
      monitor(s.loop,
              {s.dialUp, connection, f.TrayIcon1, f.MailStatus, f.ConnectNow, f.CheckMailNow1,
               f.BitBtn2, f.CopyIPCB, f.UpdateClockCB, f.MailCB, f.SpinEdit1, AutoConnectTimer,
               AppsTimer, MailTimer, online},
              {.AppsTimerTimer = {},
               .CopyIPAddress = [this] { copyIPAddress(); },
               .StartClockUpdate = {},
               .MailTimerTimer = {},
               .OnBackgroundError = [this](const std::string& m) { f.Memo1.addLine(m); }}),
      urls({f.UrlLB(), f.Button5, f.Button13, f.Button11, f.Button12, f.Button10, f.Copy1, f.View1,
            f.Remove1},
           {s.clipboard, s.shell, dialogs, [this] { f.HideOptions(); }, {}}, UrlFileName) {
    Crypt.Key = kScramblerKey;
    // Failures inside socket handlers are a peer's doing: they go to the
    // Requests log, never to a box per event.
    layer.OnHandlerError = [this](const std::string& message) { f.Memo1.addLine(message); };
    IPLookup.setTimeOut(kIPLookupTimeOut);
    IPLookup.OnTimeOut = [](TSockCtrl&, TSocketBase*) {};  // the wait ends with 10060
    idents.bind();
    f.OnTop.OnClick = [this] { f.OnTopClick(); };
    f.MailCB.OnClick = [this] { MailCBClick(); };
    f.MailSettingBtn.setEnabled(false);
    f.PageControl1.OnChange = [this] { f.PageControl1Change(); };
    f.ShowRequests1.OnClick = [this] { f.TrayIcon1Click(); };
    f.Help1.OnClick = [this] { f.Help1Click(); };
    f.About1.OnClick = [this] { f.About1Click(); };
    f.Exit1.OnClick = [this] { f.Exit1Click(); };
    f.BitBtn3.OnClick = [this] { online.BitBtn3Click(); };
    f.BitBtn4.OnClick = [this] { online.BitBtn4Click(); };
    f.Memo1.setReadOnly(true);
    f.CopyIPEdit.setVisible(false);
    buildPopupMenu();
}

void TForm1Impl::buildPopupMenu() {
    popupMenu = {&f.Help1,      &f.About1, &separator1_, &f.ShowRequests1, &f.CheckMailNow1,
                 &f.ConnectNow, &f.First1, &separator2_, &f.Exit1};
}

void TForm1Impl::formCreate() {
    CanHide = false;
    CanShow = true;
    f.BitBtn2.setEnabled(false);
    f.CheckMailNow1.setEnabled(false);
    announceLegacySettings();
    try {
        urls.load();
    } catch (const std::exception& e) {
        dialogs.ShowMessage(e.what());
    }
    urls.start();
    CurrentServer = 0;
    f.TrayIcon1.setToolTip("Pontavi! - Not Connected");
    f.MailStatus.setPanelText(0, "Not Connected");
    online.BitBtn4Click();
    TimeServerIndex = 0;
    connection.AppsIndex = -1;
    IdentList.clear();
    AppsList.clear();
    TimeServerList.clear();
    SeenMessageIds.clear();
    MailErrorList.clear();
    ServerNames.clear();
    f.StringGrid1.setCell(0, 0, "From:");
    f.StringGrid1.setCell(1, 0, "Subject:");
    f.StringGrid1.setCell(2, 0, "MailBox:");
    iniFileRead();
    idents.showFirstIdent();
    ident.start();
    monitor.start();
    f.TrayIcon1.OnClick = [this] { f.TrayIcon1Click(); };
    f.TrayIcon1.setIcon(TrayImage::IconNotConnected);
    f.TrayIcon1.setActive(true);
    if (f.DisplayAtStartupCB.Checked()) {
        f.TrayIcon1Click();
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

void TForm1Impl::MailCBClick() {
    f.MailSettingBtn.setEnabled(f.MailCB.Checked());
}

void TForm1Impl::displayAppsList() {
    // A launch record is "Title?Executable?Parameters?Style"; the list shows titles.
    std::vector<std::string> rows;
    rows.reserve(AppsList.size());
    for (const auto& record : AppsList) {
        rows.push_back(record.substr(0, record.find('?')));
    }
    f.fnp.setItems(std::move(rows));
}

void TForm1Impl::hangUpOwnDial() {
    if (connection.AutoDialed) {
        s.dialUp.HangUp(connection.DialHandle);
    }
}

void TForm1Impl::copyIPAddress() {
    const std::string address = HostToAddress(IPLookup, LocalHostName());
    f.CopyIPEdit.setText(address);
    f.CopyIPEdit.selectAll();
    s.clipboard.setText(f.CopyIPEdit.SelText());
}

}  // namespace pontavi
