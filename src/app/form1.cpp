#include "app/form1.h"

#include "app/form1_impl.h"
#include "platform/help.h"

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

std::vector<MenuItem*> TForm1::PopupMenu1() const {
    return impl_->popupMenu;
}

bool TForm1::Visible() const {
    return impl_->s.host.IsVisible();
}

void TForm1::TrayIcon1Click() {
    auto& d = *impl_;
    if (d.s.host.IsVisible()) {
        if (d.CanHide) {
            HideOptions();
        }
    } else if (d.CanShow) {
        d.s.host.ShowAt(d.SavedLeft, d.SavedTop);
        FormShow();
    }
}

void TForm1::FormShow() {
    auto& d = *impl_;
    const int section = StartSectionCombo.ItemIndex();
    if (section >= 0 && section < kPageCount) {
        PageControl1.setActivePage(section);
    }
    TimeLB.setItems(d.TimeServerList);
    IdentMemo.setLines(d.IdentList);
    d.CanHide = true;
    d.CanShow = false;
    d.displayAppsList();
    d.s.host.BringToFront();
}

void TForm1::HideOptions() {
    auto& d = *impl_;
    d.idents.commitIdentMemo();
    d.TimeServerList = TimeLB.Items();
    d.SavedTop = d.s.host.Top();
    d.SavedLeft = d.s.host.Left();
    d.s.host.Hide();
    d.CanShow = true;
    d.CanHide = false;
}

void TForm1::PageControl1Change() {
    auto& d = *impl_;
    if (PageControl1.ActivePage() == DNSPage) {
        DNSEdit.setFocus();
    } else if (PageControl1.ActivePage() == RequestsPage) {
        d.idents.requestsPageShown();
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
        impl_->s.help.ShowTopic(kPageTopics[page]);
        return true;
    }
    return false;
}

void TForm1::FormClose() {
    if (impl_->s.host.IsVisible()) {
        HideOptions();
    }
    impl_->saveReportingFailure();
}

void TForm1::SessionEnd() {
    TrayIcon1.setActive(false);
    FormClose();
}

void TForm1::Exit1Click() {
    auto& d = *impl_;
    if (!d.saveReportingFailure()) {
        return;  // the user may try again; nothing is hung up, nothing quits
    }
    if (d.s.host.IsVisible()) {
        HideOptions();
    }
    d.hangUpOwnDial();
    d.s.loop.quit();
}

void TForm1::URLPopupPopup() {
    impl_->urls.URLPopupPopup();
}

void TForm1::setUrlTextWidth(std::function<int(const std::string&)> textWidth) {
    impl_->urls.setTextWidth(std::move(textWidth));
}

void TForm1::Help1Click() {
    impl_->s.help.ShowContents();
}

void TForm1::About1Click() {
    impl_->s.dialogs.About();
}

void TForm1::OnTopClick() {
    TopMost1.setTopMost(OnTop.Checked());
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
