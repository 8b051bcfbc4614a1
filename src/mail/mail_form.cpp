#include "mail/mail_form.h"

#include <filesystem>
#include <string_view>
#include <system_error>

namespace pontavi {

namespace {

constexpr const char* kNoAutoConnectItem = "No Auto-Connect";

bool EndsWithNoCase(std::string_view text, std::string_view tail) {
    if (text.size() < tail.size()) {
        return false;
    }
    text = text.substr(text.size() - tail.size());
    for (std::size_t i = 0; i < tail.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != tail[i]) {
            return false;
        }
    }
    return true;
}

// The choice's item as the record's value; nothing chosen is None.
MailSecurity SecurityOf(int index) {
    switch (index) {
        case 1:
            return MailSecurity::Tls;
        case 2:
            return MailSecurity::StartTls;
        default:
            return MailSecurity::None;
    }
}

}  // namespace

bool MailFileExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

bool MailIsProgram(const std::string& path) {
    if (!MailFileExists(path)) {
        return false;
    }
    for (const char* tail : {".exe", ".com", ".bat", ".lnk", ".desktop"}) {
        if (EndsWithNoCase(path, tail)) {
            return true;
        }
    }
    std::error_code ec;
    const auto perms = std::filesystem::status(path, ec).permissions();
    using std::filesystem::perms;
    return !ec &&
           (perms & (perms::owner_exec | perms::group_exec | perms::others_exec)) != perms::none;
}

TMailForm::TMailForm(MailFormValues values, MailFormServices services)
    : ModalForm("Mail Settings"), v_(values), s_(std::move(services)) {
    Password.setPasswordChar('*');
    NotifyDialog.setHelpContext(110);
    WavCheckBox.setHelpContext(111);
    AutoRun.setHelpContext(112);
    MailSpin.setHelpContext(113);
    MailServer.setHelpContext(kServerGroupHelp);
    UserName.setHelpContext(kUserNameGroupHelp);
    Password.setHelpContext(kPasswordGroupHelp);
    ChooseMailer.setHelpContext(117);
    BitBtn2.setHelpContext(118);
    BitBtn3.setHelpContext(119);
    BitBtn1.setHelpContext(666);
    ComboBox1.setHelpContext(667);
    Button1.setHelpContext(668);
    Button2.setHelpContext(669);
    RasEntriesCombo.setHelpContext(670);
    AutoConnectSpin.setHelpContext(671);
    RefusedNotice.setVisible(false);
    ClearTextNotice.setVisible(false);
    for (TextBox* field : {&MailServer, &UserName, &Password}) {
        field->Accepts = [this](const std::string& text) { return acceptField(text); };
    }
    Password.OnChange = [this] { showClearTextNotice(); };
    Security.OnChange = [this] { showClearTextNotice(); };

    Button1.OnClick = [this] { Button1Click(); };
    Button2.OnClick = [this] { Button2Click(); };
    ChooseMailer.OnClick = [this] { ChooseMailerClick(); };
    BitBtn1.OnClick = [this] { BitBtn1Click(); };
    BitBtn2.OnClick = [this] { BitBtn2Click(); };
    BitBtn3.OnClick = [this] { BitBtn3Click(); };
    AutoRun.OnClick = [this] {
        if (!loading_) {
            AutoRunClick();
        }
    };
    WavCheckBox.OnClick = [this] {
        if (!loading_) {
            WavCheckBoxClick();
        }
    };
}

void TMailForm::FormShow() {
    shown_ = -1;
    std::vector<std::string> ras = v_.RasEntryList;
    ras.emplace_back(kNoAutoConnectItem);
    ComboBox1.setItems({});
    RasEntriesCombo.setItems(ras);
    if (v_.AutoConnectEntry == kNoAutoConnectItem) {
        RasEntriesCombo.setItemIndex(static_cast<int>(ras.size()) - 1);
    } else {
        for (std::size_t i = 0; i + 1 < ras.size(); ++i) {
            if (ras[i] == v_.AutoConnectEntry) {
                RasEntriesCombo.setItemIndex(static_cast<int>(i));
                break;
            }
        }
    }
    AutoConnectSpin.setValue(v_.AutoConnectInterval);
    ComboBox1.setItems(v_.ServerNames);
    if (!v_.ServerNames.empty()) {
        ComboBox1.setItemIndex(0);
        showRecord(0);
    }
    loading_ = true;
    AutoRun.setChecked(v_.AutoRun);
    WavCheckBox.setChecked(v_.PlayWav);
    loading_ = false;
    MailSpin.setValue(v_.MailInterval);
    NotifyDialog.setChecked(v_.Notify);
    enableFields(ComboBox1.ItemIndex() >= 0);
}

void TMailForm::enableFields(bool enabled) {
    MailServer.setEnabled(enabled);
    UserName.setEnabled(enabled);
    Password.setEnabled(enabled);
    Security.setEnabled(enabled);
    Button2.setEnabled(enabled);
}

bool TMailForm::FieldAllowed(const std::string& text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos;
}

bool TMailForm::fieldsAllowed() const {
    return FieldAllowed(MailServer.Text()) && FieldAllowed(UserName.Text()) &&
           FieldAllowed(Password.Text());
}

bool TMailForm::acceptField(const std::string& text) {
    const bool allowed = FieldAllowed(text);
    showRefusal(!allowed);
    return allowed;
}

void TMailForm::showRefusal(bool refused) {
    RefusedNotice.setCaption(refused ? kRefusedText : "");
    RefusedNotice.setVisible(refused);
}

void TMailForm::showClearTextNotice() {
    const bool clear =
        !Password.Text().empty() && SecurityOf(Security.ItemIndex()) == MailSecurity::None;
    ClearTextNotice.setCaption(clear ? kClearTextText : "");
    ClearTextNotice.setVisible(clear);
}

void TMailForm::showRecord(int index) {
    if (index < 0 || index >= static_cast<int>(v_.ServersInfo.size())) {
        return;
    }
    shown_ = index;
    const MailServerRecord& r = v_.ServersInfo[static_cast<std::size_t>(index)];
    MailServer.setText(r.Server);
    UserName.setText(r.UserName);
    Password.setText(r.Password);
    Security.setItemIndex(static_cast<int>(r.Security));
    // A hand-edited settings file may hold what typing cannot.
    showRefusal(!fieldsAllowed());
}

// The shown entry's record takes its name and the three fields.
void TMailForm::saveFields() {
    const int index = shown_;
    if (index < 0 || index >= static_cast<int>(v_.ServersInfo.size()) ||
        index >= static_cast<int>(ComboBox1.Items().size())) {
        return;
    }
    MailServerRecord& r = v_.ServersInfo[static_cast<std::size_t>(index)];
    r.Name = ComboBox1.Items()[static_cast<std::size_t>(index)];
    r.Server = MailServer.Text();
    r.UserName = UserName.Text();
    r.Password = Password.Text();
    r.Security = SecurityOf(Security.ItemIndex());
}

void TMailForm::ComboBox1DropDown() {
    saveFields();
}

// Whatever switched the entry (the list, Up/Down, the wheel, typing), the
// fields go to the entry they showed before the new one is shown.
void TMailForm::ComboBox1Click() {
    saveFields();
    if (!v_.ServerNames.empty()) {
        showRecord(ComboBox1.ItemIndex());
    }
}

void TMailForm::Button1Click() {
    saveFields();
    const auto answer =
        s_.dialogs.InputQuery("New Mail Server", "Enter your POP server address", "");
    if (!answer || answer->empty()) {
        return;
    }
    // The name becomes the entry's section in the settings store, so a name
    // the store cannot keep apart from its own sections is refused here.
    if (s_.NameProblem) {
        if (const std::string problem = s_.NameProblem(*answer); !problem.empty()) {
            s_.dialogs.ShowMessage(problem);
            return;
        }
    }
    std::vector<std::string> items = ComboBox1.Items();
    items.push_back(*answer);
    ComboBox1.setItems(items);
    v_.ServersInfo.push_back({*answer, "", "", ""});
    v_.ServerNames.push_back(*answer);
    ComboBox1.setItemIndex(static_cast<int>(items.size()) - 1);
    shown_ = ComboBox1.ItemIndex();
    showRefusal(false);
    enableFields(true);
    MailServer.setText("");
    UserName.setText("");
    Password.setText("");
    Security.setItemIndex(0);
    MailServer.setFocus();
}

void TMailForm::Button2Click() {
    const int index = ComboBox1.ItemIndex();
    if (index < 0 || index >= static_cast<int>(v_.ServerNames.size())) {
        return;
    }
    const std::string name = ComboBox1.Items()[static_cast<std::size_t>(index)];
    shown_ = -1;
    showRefusal(false);
    if (s_.EraseSection) {
        s_.EraseSection(name);
    }
    v_.ServerNames.erase(v_.ServerNames.begin() + index);
    if (index < static_cast<int>(v_.ServersInfo.size())) {
        v_.ServersInfo.erase(v_.ServersInfo.begin() + index);
    }
    MailServer.setText("");
    UserName.setText("");
    Password.setText("");
    Security.setItemIndex(0);
    std::vector<std::string> items = ComboBox1.Items();
    items.erase(items.begin() + index);
    ComboBox1.setItems(items);
    if (!items.empty()) {
        ComboBox1.setItemIndex(0);
        showRecord(0);
    } else {
        enableFields(false);
    }
}

void TMailForm::ChooseMailerClick() {
    const auto chosen = s_.dialogs.ChooseProgram();
    if (chosen && s_.IsProgram(*chosen)) {
        v_.ChosenMailProgram = *chosen;
    }
}

void TMailForm::AutoRunClick() {
    if (AutoRun.Checked() && v_.MailProgram.empty()) {
        ChooseMailerClick();
    }
}

void TMailForm::WavCheckBoxClick() {
    if (!WavCheckBox.Checked()) {
        return;
    }
    const auto chosen = s_.dialogs.OpenFile(kWavTitle, kWavFilter);
    if (!chosen) {
        return;  // cancelled: the box stays checked
    }
    if (s_.FileExists(*chosen)) {
        v_.ChosenWavFile = *chosen;
    } else {
        WavCheckBox.setChecked(false);
    }
}

void TMailForm::BitBtn2Click() {
    // A value read from a hand-edited settings file is refused here too; the
    // dialog stays open and nothing is applied.
    if (!fieldsAllowed()) {
        showRefusal(true);
        return;
    }
    ModalResult result = ModalResult::Ok;
    // A dial-up entry that no longer exists leaves nothing selected; the
    // setting then keeps its value.
    if (const int ras = RasEntriesCombo.ItemIndex(); ras >= 0) {
        v_.AutoConnectEntry = RasEntriesCombo.Items()[static_cast<std::size_t>(ras)];
    }
    v_.AutoConnectInterval = AutoConnectSpin.Value();
    if (!v_.ChosenWavFile.empty()) {
        v_.WavFile = v_.ChosenWavFile;
    }
    if (!v_.ChosenMailProgram.empty()) {
        v_.MailProgram = v_.ChosenMailProgram;
    }
    v_.MailInterval = MailSpin.Value();
    v_.AutoRun = AutoRun.Checked();
    if (MailServer.Text().empty() && UserName.Text().empty() && Password.Text().empty()) {
        result = ModalResult::Cancel;
    }
    if (AutoRun.Checked() && !s_.FileExists(v_.MailProgram)) {
        v_.AutoRun = false;
        v_.MailProgram.clear();
    }
    v_.Notify = NotifyDialog.Checked();
    v_.PlayWav = WavCheckBox.Checked();
    if (!v_.ServerNames.empty()) {
        saveFields();
    }
    setResult(result);
}

void TMailForm::BitBtn3Click() {
    setResult(ModalResult::Cancel);
}

void TMailForm::BitBtn1Click() {
    if (s_.ShowHelp) {
        s_.ShowHelp(kHelpTopic);
    }
}

}  // namespace pontavi
