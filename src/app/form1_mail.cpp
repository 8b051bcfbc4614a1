// The main window's mail handlers: the check cycle's start and end, and the
// mail settings dialog.
#include <ctime>

#include "app/form1_impl.h"
#include "mail/mail_form.h"
#include "platform/help.h"
#include "platform/paths.h"

namespace pontavi {

namespace {

// The time of day in the user's locale.
std::string TimeText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[64];
    return std::strftime(text, sizeof text, "%X", &local) > 0 ? text : "";
}

}  // namespace

std::vector<MailServerRecord> TForm1Impl::mailServers() const {
    std::vector<MailServerRecord> servers;
    servers.reserve(ServerNames.size());
    for (std::size_t i = 0; i < ServerNames.size(); ++i) {
        MailServerRecord r = i < storedSettings.ServersInfo.size() ? storedSettings.ServersInfo[i]
                                                                   : MailServerRecord{};
        r.Name = ServerNames[i];
        servers.push_back(std::move(r));
    }
    return servers;
}

// Starts a check cycle over every server, in list order. The cycle works on
// the list as it stands now: the settings dialog may change it meanwhile.
void TForm1Impl::MailTimerTimer() {
    if (!form.BitBtn2.Enabled() || ServerNames.empty()) {
        return;  // a cycle runs, checking is unavailable, or nothing to check
    }
    pop3.ResetCycle(mailServers());
    const std::string checking = "Checking Mail at " + pop3.ServerName();
    form.TrayIcon1.setToolTip(checking);
    form.MailStatus.setPanelText(0, checking);
    form.BitBtn2.setEnabled(false);
    form.TrayIcon1.setIcon(TrayImage::IconCheckingMail);
    form.CheckMailNow1.setEnabled(false);
    form.StringGrid1.setRowCount(0);
    form.StringGrid1.setRowCount(2);
    form.StringGrid1.setCell(0, 0, "From:");
    form.StringGrid1.setCell(1, 0, "Subject:");
    form.StringGrid1.setCell(2, 0, "MailBox:");
    const MailServerRecord& first = pop3.Servers[static_cast<std::size_t>(
        pop3.CurrentServer < static_cast<int>(pop3.Servers.size()) ? pop3.CurrentServer : 0)];
    if (first.UserName.empty() && first.Password.empty()) {
        dialogs.ShowMessage("You should provide me a UserName and Password " +
                            std::to_string(pop3.CurrentServer));
        MailTimer.setEnabled(false);
        MailSettingBtnClick();
        return;
    }
    if (connection.NetConnected) {
        pop3.CheckMail();
    }
}

// The end of a cycle: the status texts and the checking state. The alerts and
// the errors report belong to the mail scheduling.
void TForm1Impl::mailCycleComplete() {
    const std::string time = TimeText();
    if (pop3.TotalMessages < 1) {
        form.TrayIcon1.setToolTip("No Messages (" + time + ")");
        form.MailStatus.setPanelText(0, "No Messages");
    } else {
        const std::string count = std::to_string(pop3.TotalMessages);
        form.TrayIcon1.setToolTip(count + " Messages Waiting (" + time + ")");
        form.MailStatus.setPanelText(0, count + " Messages Waiting");
    }
    form.MailStatus.setPanelText(1, "Last Check: " + time);
    pop3.NewMessages = 0;
    form.BitBtn2.setEnabled(true);
    form.TrayIcon1.setIcon(TrayImage::IconConnected);
    form.CheckMailNow1.setEnabled(true);
    pop3.CurrentServer = 0;
}

void TForm1Impl::MailSettingBtnClick() {
    ModalResult result = ModalResult::Cancel;
    {
        TMailForm mailForm(
            {.ServerNames = ServerNames,
             .ServersInfo = storedSettings.ServersInfo,
             .MailInterval = storedSettings.MailInterval,
             .AutoRun = storedSettings.AutoRun,
             .MailProgram = storedSettings.MailProgram,
             .PlayWav = storedSettings.PlayWav,
             .WavFile = storedSettings.WavFile,
             .Notify = storedSettings.Notify,
             .AutoConnectEntry = connection.AutoConnectEntry,
             .AutoConnectInterval = connection.AutoConnectInterval,
             .ChosenMailProgram = ChosenMailProgram,
             .ChosenWavFile = ChosenWavFile,
             .RasEntryList = connection.RasEntryList},
            {.dialogs = dialogs,
             .ShowHelp = [this](const std::string& topic) { services.help.ShowTopic(topic); },
             .EraseSection =
                 [this](const std::string& name) {
                     SettingsStore store(services.paths.SettingsFile());
                     try {
                         EraseServerSection(store, name);
                     } catch (const SettingsError& e) {
                         dialogs.ShowMessage(e.what());
                     }
                 },
             .NameProblem = MailEntryNameProblem,
             .FileExists = MailFileExists,
             .IsProgram = MailIsProgram});
        result = dialogs.ShowModal(mailForm);
    }
    MailTimer.setInterval(storedSettings.MailInterval * kSettingsMinute);
    AutoConnectTimer.setInterval(connection.AutoConnectInterval * kSettingsMinute);
    if (connection.AutoConnectEntry == kNoAutoConnect) {
        AutoConnectTimer.setEnabled(false);
    }
    if (result == ModalResult::Ok && connection.NetConnected) {
        MailTimer.setEnabled(true);
        form.BitBtn2.setEnabled(true);
        form.CheckMailNow1.setEnabled(true);
    }
}

}  // namespace pontavi
