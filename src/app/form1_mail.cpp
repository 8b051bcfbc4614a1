// The main window's mail handlers: the check cycle's start and end, and the
// mail settings dialog.
#include <ctime>
#include <exception>
#include <utility>

#include "app/form1_impl.h"
#include "mail/errors_form.h"
#include "mail/mail_form.h"
#include "platform/help.h"
#include "platform/notifier.h"
#include "platform/paths.h"
#include "platform/sound_player.h"

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

std::string NewMailSummary(int count) {
    return std::to_string(count) + (count == 1 ? " new message" : " new messages");
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
    if (!form.BitBtn2.Enabled() || mailCycleUnderway) {
        return;  // a cycle runs, or checking is unavailable
    }
    if (ServerNames.empty()) {
        hangUpIdleDial();
        return;
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
        hangUpIdleDial();  // before the box: the user may leave it open for long
        dialogs.ShowMessage("You should provide me a UserName and Password " +
                            std::to_string(pop3.CurrentServer));
        MailTimer.setEnabled(false);
        MailSettingBtnClick();
        return;
    }
    if (connection.NetConnected) {
        mailCycleUnderway = true;
        pop3.CheckMail();
    }
}

// No cycle will run: a line the program dialled only to check mail goes at
// once. A dial still under way (a click on "Check Mail Now" after a cycle
// ended off line) is left to come up and check mail.
void TForm1Impl::hangUpIdleDial() {
    if (connection.NetConnected) {
        dialer.HangUpOwnDial();
    }
}

// The end of a cycle, in this order: the errors report, the alerts for new
// mail, the status texts, the idle state, and last the hang-up of a line
// dialled only to check mail (so the texts are written while it is up).
// The report does not wait for the user: a failing server must neither hold a
// line paid by the minute open nor keep the new mail from being announced.
void TForm1Impl::mailCycleComplete() {
    if (!MailErrorList.empty()) {
        std::vector<std::string> names;
        for (const MailServerRecord& server : pop3.Servers) {
            names.push_back(server.Name);
        }
        TErrorsForm report(std::move(names));
        report.FormShow(MailErrorList);
        dialogs.ShowErrorsReport(report.ErrorBox, report.ServerBox);
    }
    const std::string startError = pop3.NewMessages > 0 ? alertNewMail() : std::string();
    // The time is taken anew for each text. A failed start of the mail
    // program stays in the tip under the count until the next cycle.
    const std::string below = startError.empty() ? "" : "\n" + startError;
    if (pop3.TotalMessages < 1) {
        form.TrayIcon1.setToolTip("No Messages (" + TimeText() + ")" + below);
        form.MailStatus.setPanelText(0, "No Messages");
    } else {
        const std::string count = std::to_string(pop3.TotalMessages);
        form.TrayIcon1.setToolTip(count + " Messages Waiting (" + TimeText() + ")" + below);
        form.MailStatus.setPanelText(0, count + " Messages Waiting");
    }
    form.MailStatus.setPanelText(1, "Last Check: " + TimeText());
    pop3.NewMessages = 0;
    form.BitBtn2.setEnabled(true);
    form.TrayIcon1.setIcon(TrayImage::IconConnected);
    form.CheckMailNow1.setEnabled(true);
    pop3.CurrentServer = 0;
    mailCycleUnderway = false;
    dialer.MailCycleCompleted();
}

// Sound, the Messages page with a desktop notification, and the mail program
// (not on a line the program dialled itself: it hangs up at once). Returns why
// the mail program did not start, for the tip: no box for an unattended start.
std::string TForm1Impl::alertNewMail() {
    if (storedSettings.PlayWav && MailFileExists(storedSettings.WavFile)) {
        services.sound.PlayFile(storedSettings.WavFile);
    }
    if (storedSettings.Notify) {
        if (!form.Visible()) {
            form.TrayIcon1Click();
        }
        form.PageControl1.setActivePage(MailPage);
        services.notifier.Notify(NewMailSummary(pop3.NewMessages), newestMessageText());
    }
    if (storedSettings.AutoRun && !connection.AutoDialed) {
        // Whatever the start does, the completion must reach the idle state.
        try {
            mailProgram.BitBtn1Click(storedSettings.MailProgram, storedSettings.AutoRun);
        } catch (const std::exception& e) {
            const std::string why = std::string("Mail program: ") + e.what();
            form.Memo1.addLine(why);
            return why;
        }
    }
    return {};
}

// Sender and subject of the newest new message, as plain text (the notifier
// makes it safe for the notification server); a line for each one it has.
std::string TForm1Impl::newestMessageText() const {
    if (!pop3.NewestNew) {
        return {};
    }
    std::string text;
    const auto add = [&text](const char* label, const std::string& value) {
        if (!value.empty()) {
            text += (text.empty() ? std::string() : "\n") + label + value;
        }
    };
    add("From: ", pop3.NewestNew->From);
    add("Subject: ", pop3.NewestNew->Subject);
    return text;
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
                         noteTightenedSettings(EraseServerSection(store, name));
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
        // "Check Mail Now" comes back after a cycle that never started (no
        // login), not in the middle of one: a second cycle would reset the
        // running one's servers and counts under its open session. The
        // completion enables it.
        if (!mailCycleUnderway) {
            form.BitBtn2.setEnabled(true);
            form.CheckMailNow1.setEnabled(true);
        }
    }
}

}  // namespace pontavi
