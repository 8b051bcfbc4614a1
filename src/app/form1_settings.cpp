// Moving every setting between the store and the window's controls and lists.
#include "app/form1_impl.h"
#include "platform/paths.h"
#include "platform/start_at_login.h"

namespace pontavi {

void TForm1Impl::iniFileRead() {
    SettingsStore store(services.paths.SettingsFile());
    bool loaded = true;
    try {
        store.load();
    } catch (const SettingsError& e) {
        // A file that exists but cannot be read is never overwritten: this
        // run goes on with the defaults (the store stays empty) and saves no
        // settings.
        dialogs.ShowMessage(e.what());
        loaded = false;
    }
    AppSettings read;
    std::vector<std::string> problems;
    {
        struct Reading {
            bool& flag;
            explicit Reading(bool& f) : flag(f) { flag = true; }
            ~Reading() { flag = false; }
            Reading(const Reading&) = delete;
            Reading& operator=(const Reading&) = delete;
        } reading(readingSettings);
        for (const ReadStep step : kReadSteps) {
            ReadAppSettingsStep(step, store, Crypt, read, problems);
            storedSettings = read;
            applyReadStep(step);
        }
        applyConsistencyAndDisplay();
    }
    settingsRead = loaded;
    // Each unreadable value took its default; one box says which.
    if (!problems.empty()) {
        std::string message;
        for (const auto& problem : problems) {
            message += (message.empty() ? "" : "\n") + problem;
        }
        dialogs.ShowMessage(message);
    }
}

void TForm1Impl::applyReadStep(ReadStep step) {
    switch (step) {
        case ReadStep::Options:
            form.OnTop.setChecked(storedSettings.AlwaysOnTop);
            form.First1.setChecked(storedSettings.UseFirst);
            form.SpinEdit1.setValue(storedSettings.AppsDelay);
            form.UpdateClockCB.setChecked(storedSettings.UpdateClock);
            form.CopyIPCB.setChecked(storedSettings.CopyIP);
            form.AutoCopyCB.setChecked(storedSettings.AutoCopy);
            form.DisplayAtStartupCB.setChecked(storedSettings.DisplayAtStartup);
            form.StartSectionCombo.setItemIndex(storedSettings.StartupSection);
            form.StartAtLoginCB.setChecked(services.startAtLogin != nullptr
                                               ? services.startAtLogin->Enabled()
                                               : storedSettings.StartAtLogin);
            break;
        case ReadStep::MailServers:
            ServerNames = storedSettings.ServerNames;
            break;
        case ReadStep::Mail:
            form.MailCB.setChecked(storedSettings.CheckMail);
            break;
        case ReadStep::Positions:
            SavedTop = storedSettings.Top;
            SavedLeft = storedSettings.Left;
            break;
        case ReadStep::Timer:
            online.setTotalTime(storedSettings.TotalTime);
            online.setResetDate(storedSettings.ResetDate);
            break;
        case ReadStep::ServerRecords:
            break;  // kept in `storedSettings`
        case ReadStep::AutoConnect:
            connection.AutoConnectEntry = storedSettings.AutoConnectEntry;
            connection.AutoConnectInterval = storedSettings.AutoConnectInterval;
            break;
        case ReadStep::Idents:
            IdentList = storedSettings.IdentList;
            break;
        case ReadStep::LaunchAndTime:
            AppsList = storedSettings.AppsList;
            TimeServerList = storedSettings.TimeServerList;
            break;
    }
}

void TForm1Impl::applyConsistencyAndDisplay() {
    form.CB1.setChecked(form.First1.Checked());
    if (form.MailCB.Checked() && ServerNames.empty()) {
        form.MailCB.setChecked(false);
    }
    if (form.UpdateClockCB.Checked() && TimeServerList.empty()) {
        form.UpdateClockCB.setChecked(false);
    }
    form.SessionTimePanel.setCaption(OnlineTimer::kZero);
    MailTimer.setInterval(MailTimerInterval(storedSettings));
    AutoConnectTimer.setInterval(AutoConnectTimerInterval(storedSettings));
}

AppSettings TForm1Impl::collectSettings() const {
    AppSettings out = storedSettings;
    out.AlwaysOnTop = form.OnTop.Checked();
    out.UseFirst = form.First1.Checked();
    out.AppsDelay = form.SpinEdit1.Value();
    out.UpdateClock = form.UpdateClockCB.Checked();
    out.CopyIP = form.CopyIPCB.Checked();
    out.AutoCopy = form.AutoCopyCB.Checked();
    out.DisplayAtStartup = form.DisplayAtStartupCB.Checked();
    out.StartupSection = form.StartSectionCombo.ItemIndex();
    out.StartAtLogin = form.StartAtLoginCB.Checked();
    out.ServerNames = ServerNames;
    out.CheckMail = form.MailCB.Checked();
    out.AutoConnectEntry = connection.AutoConnectEntry;
    out.AutoConnectInterval = connection.AutoConnectInterval;
    // A hidden window is where it was when it was hidden.
    out.Top = services.host.IsVisible() ? services.host.Top() : SavedTop;
    out.Left = services.host.IsVisible() ? services.host.Left() : SavedLeft;
    out.TotalTime = online.TotalTime();
    out.ResetDate = online.ResetDate();
    out.IdentList = IdentList;
    out.AppsList = AppsList;
    out.TimeServerList = TimeServerList;
    return out;
}

void TForm1Impl::iniFileWrite() {
    // Before start-up has read a file (a signal while a start-up box is
    // open) the list and the controls hold their initial states, not the
    // user's: saving them would erase what the file holds.
    if (urlsLoaded) {
        urls.save();  // "Cannot create file ..." fails the save before the settings
    }
    if (!settingsRead) {
        return;
    }
    SettingsStore store(services.paths.SettingsFile());
    noteTightenedSettings(SaveAppSettings(store, Crypt, collectSettings()));
}

void TForm1Impl::noteTightenedSettings(bool tightened) {
    if (tightened) {
        form.Memo1.addLine(kTightenedSettingsLine);
    }
}

bool TForm1Impl::saveReportingFailure() {
    try {
        iniFileWrite();
        return true;
    } catch (const std::exception& e) {
        dialogs.ShowMessage(e.what());
        return false;
    }
}

}  // namespace pontavi
