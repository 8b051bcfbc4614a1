// Moving every setting between the store and the window's controls and lists.
#include "app/form1_impl.h"
#include "platform/paths.h"

namespace pontavi {

void TForm1Impl::iniFileRead() {
    SettingsStore store(s.paths.SettingsFile());
    AppSettings read;
    try {
        store.load();
        for (const ReadStep step : kReadSteps) {
            ReadAppSettingsStep(step, store, Crypt, read);
            other = read;
            applyReadStep(step);
        }
    } catch (const SettingsError& e) {
        // The rest of the read does not run; start-up goes on without it.
        dialogs.ShowMessage(e.what());
        return;
    }
    applyConsistencyAndDisplay();
}

void TForm1Impl::applyReadStep(ReadStep step) {
    switch (step) {
        case ReadStep::Options:
            f.OnTop.setChecked(other.AlwaysOnTop);
            f.First1.setChecked(other.UseFirst);
            f.SpinEdit1.setValue(other.AppsDelay);
            f.UpdateClockCB.setChecked(other.UpdateClock);
            f.CopyIPCB.setChecked(other.CopyIP);
            f.AutoCopyCB.setChecked(other.AutoCopy);
            f.DisplayAtStartupCB.setChecked(other.DisplayAtStartup);
            f.StartSectionCombo.setItemIndex(other.StartupSection);
            break;
        case ReadStep::MailServers:
            ServerNames = other.ServerNames;
            break;
        case ReadStep::Mail:
            f.MailCB.setChecked(other.CheckMail);
            break;
        case ReadStep::Positions:
            SavedTop = other.Top;
            SavedLeft = other.Left;
            break;
        case ReadStep::Timer:
            online.setTotalTime(other.TotalTime);
            online.setResetDate(other.ResetDate);
            break;
        case ReadStep::ServerRecords:
            break;  // kept in `other`
        case ReadStep::AutoConnect:
            connection.AutoConnectEntry = other.AutoConnectEntry;
            connection.AutoConnectInterval = other.AutoConnectInterval;
            break;
        case ReadStep::Idents:
            IdentList = other.IdentList;
            break;
        case ReadStep::LaunchAndTime:
            AppsList = other.AppsList;
            TimeServerList = other.TimeServerList;
            break;
    }
}

void TForm1Impl::applyConsistencyAndDisplay() {
    f.CB1.setChecked(f.First1.Checked());
    if (f.MailCB.Checked() && ServerNames.empty()) {
        f.MailCB.setChecked(false);
    }
    if (f.UpdateClockCB.Checked() && TimeServerList.empty()) {
        f.UpdateClockCB.setChecked(false);
    }
    f.SessionTimePanel.setCaption(OnlineTimer::kZero);
    MailTimer.setInterval(MailTimerInterval(other));
    AutoConnectTimer.setInterval(AutoConnectTimerInterval(other));
}

AppSettings TForm1Impl::collectSettings() const {
    AppSettings out = other;
    out.AlwaysOnTop = f.OnTop.Checked();
    out.UseFirst = f.First1.Checked();
    out.AppsDelay = f.SpinEdit1.Value();
    out.UpdateClock = f.UpdateClockCB.Checked();
    out.CopyIP = f.CopyIPCB.Checked();
    out.AutoCopy = f.AutoCopyCB.Checked();
    out.DisplayAtStartup = f.DisplayAtStartupCB.Checked();
    out.StartupSection = f.StartSectionCombo.ItemIndex();
    out.ServerNames = ServerNames;
    out.CheckMail = f.MailCB.Checked();
    out.AutoConnectEntry = connection.AutoConnectEntry;
    out.AutoConnectInterval = connection.AutoConnectInterval;
    // A hidden window is where it was when it was hidden.
    out.Top = s.host.IsVisible() ? s.host.Top() : SavedTop;
    out.Left = s.host.IsVisible() ? s.host.Left() : SavedLeft;
    out.TotalTime = online.TotalTime();
    out.ResetDate = online.ResetDate();
    out.IdentList = IdentList;
    out.AppsList = AppsList;
    out.TimeServerList = TimeServerList;
    return out;
}

void TForm1Impl::iniFileWrite() {
    urls.save();  // "Cannot create file ..." fails the save before the settings
    SettingsStore store(s.paths.SettingsFile());
    SaveAppSettings(store, Crypt, collectSettings());
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
