#include "app/form1.h"

#include "app/form1_impl.h"
#include "platform/help.h"
#include "platform/start_at_login.h"

#include <stdexcept>

namespace pontavi {

namespace {

constexpr int kKeyEscape = 27;
constexpr int kKeyF1 = 112;

constexpr const char* kPageTopics[kPageCount] = {"RequestsPage", "Options_Section", "MailPage",
                                                 "TimerPage",    "DNSPage",         "IdentsPage",
                                                 "LaunchPage",   "TimePage",        "URLPage"};

}  // namespace

TForm1::TForm1(FormServices services) : impl_(std::make_unique<TForm1Impl>(*this, services)) {}

TForm1::~TForm1() = default;

WindowHost& TForm1::host() const {
    return impl_->services.host;
}

std::vector<MenuItem*> TForm1::PopupMenu1() const {
    return impl_->popupMenu;
}

bool TForm1::Visible() const {
    return host().IsVisible();
}

void TForm1::TrayIcon1Click() {
    TForm1Impl& impl = *impl_;
    if (host().IsVisible()) {
        if (impl.CanHide) {
            HideOptions();
        }
    } else if (impl.CanShow) {
        host().ShowAt(impl.SavedLeft, impl.SavedTop);
        FormShow();
    }
}

void TForm1::ShowRequested() {
    if (host().IsVisible()) {
        host().BringToFront();
    } else {
        TrayIcon1Click();
    }
}

void TForm1::FormShow() {
    TForm1Impl& impl = *impl_;
    const int section = StartSectionCombo.ItemIndex();
    if (section >= 0 && section < kPageCount) {
        PageControl1.setActivePage(section);
    }
    TimeLB.setItems(impl.TimeServerList);
    IdentMemo.setLines(impl.IdentList);
    impl.CanHide = true;
    impl.CanShow = false;
    impl.displayAppsList();
    host().BringToFront();
}

void TForm1::HideOptions() {
    TForm1Impl& impl = *impl_;
    impl.idents.commitIdentMemo();
    impl.TimeServerList = TimeLB.Items();
    impl.SavedTop = host().Top();
    impl.SavedLeft = host().Left();
    if (HasTray()) {
        host().Hide();
    } else {
        host().Minimize();  // hidden, nothing could bring it back
    }
    impl.CanShow = true;
    impl.CanHide = false;
}

void TForm1::PageControl1Change() {
    TForm1Impl& impl = *impl_;
    if (PageControl1.ActivePage() == DNSPage) {
        DNSEdit.setFocus();
    } else if (PageControl1.ActivePage() == RequestsPage) {
        impl.idents.requestsPageShown();
    }
}

bool TForm1::FormKeyUp(int key) {
    if (key == kKeyEscape) {
        HideOptions();
        return true;
    }
    if (key == kKeyF1) {
        const int page = PageControl1.ActivePage();
        HideOptions();
        impl_->services.help.ShowTopic(kPageTopics[page]);
        return true;
    }
    return false;
}

void TForm1::FormClose() {
    if (host().IsVisible()) {
        HideOptions();
    }
    impl_->saveReportingFailure();
}

void TForm1::SessionEnd() {
    TrayIcon1.setActive(false);
    FormClose();
}

void TForm1::SessionSave() {
    TForm1Impl& impl = *impl_;
    impl.idents.commitIdentMemo();
    if (host().IsVisible()) {
        impl.TimeServerList = TimeLB.Items();
    }
    try {
        impl.iniFileWrite();
    } catch (const std::exception& e) {
        Memo1.addLine(e.what());
    }
}

bool TForm1::HasTray() const {
    return impl_->services.hasTray;
}

void TForm1::Exit1Click() {
    TForm1Impl& impl = *impl_;
    if (!impl.saveReportingFailure()) {
        return;  // the user may try again; nothing is hung up, nothing quits
    }
    if (host().IsVisible()) {
        HideOptions();
    }
    impl.dialer.HangUpOwnDial();
    impl.services.loop.quit();
}

void TForm1::URLPopupPopup() {
    impl_->urls.URLPopupPopup();
}

void TForm1::setUrlTextWidth(std::function<int(const std::string&)> textWidth) {
    impl_->urls.setTextWidth(std::move(textWidth));
}

void TForm1::setShowAddAppsForm(std::function<bool(TAddAppsForm&)> show) {
    impl_->launchPage.setShowAddForm(std::move(show));
}

void TForm1::Help1Click() {
    impl_->services.help.ShowContents();
}

void TForm1::About1Click() {
    impl_->services.dialogs.About();
}

// Only a change writes or removes the entry: the loader setting the box from
// the entry leaves a hand-edited one as it is. A failure is said in a box (the
// user's own click) and the box shows the entry's state again.
void TForm1::StartAtLoginCBClick() {
    StartAtLogin* startAtLogin = impl_->services.startAtLogin;
    if (startAtLogin == nullptr || StartAtLoginCB.Checked() == startAtLogin->Enabled()) {
        return;
    }
    try {
        startAtLogin->SetEnabled(StartAtLoginCB.Checked());
    } catch (const std::runtime_error& e) {
        impl_->dialogs.ShowMessage(e.what());
        StartAtLoginCB.setChecked(startAtLogin->Enabled());
    }
}

void TForm1::OnTopClick() {
    TopMost1.setTopMost(OnTop.Checked());
}

// A running cycle goes on either way, and "Check Mail Now" keeps its state.
// Only the user's click opens the settings: the loader setting the box (even
// with the window shown) does not.
void TForm1::MailCBClick() {
    MailSettingBtn.setEnabled(MailCB.Checked());
    if (!MailCB.Checked()) {
        impl_->MailTimer.setEnabled(false);
    } else if (host().IsVisible() && !impl_->readingSettings) {
        impl_->MailSettingBtnClick();
    }
}

void TForm1::FormCreate() {
    impl_->formCreate();
}

void TForm1::IniFileRead() {
    impl_->iniFileRead();
}

void TForm1::IniFileWrite() {
    impl_->iniFileWrite();
}

}  // namespace pontavi
