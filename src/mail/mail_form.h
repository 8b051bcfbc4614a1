#pragma once

#include <functional>
#include <string>
#include <vector>

#include "controls/button.h"
#include "controls/check_box.h"
#include "controls/combo_box.h"
#include "controls/dialogs.h"
#include "controls/label.h"
#include "controls/modal_form.h"
#include "controls/spin_edit.h"
#include "controls/text_box.h"
#include "mail/mail_server_record.h"

namespace pontavi {

// The main window's mail values the dialog edits, by reference: the server
// list (names and records, row i for item i), the watcher's settings and the
// pending file choices, which outlive every dialog.
struct MailFormValues {
    std::vector<std::string>& ServerNames;
    std::vector<MailServerRecord>& ServersInfo;
    int& MailInterval;
    bool& AutoRun;
    std::string& MailProgram;
    bool& PlayWav;
    std::string& WavFile;
    bool& Notify;
    std::string& AutoConnectEntry;
    int& AutoConnectInterval;
    std::string& ChosenMailProgram;
    std::string& ChosenWavFile;
    const std::vector<std::string>& RasEntryList;
};

// What the dialog asks of the rest of the program.
struct MailFormServices {
    Dialogs& dialogs;  // input box, file choosers, messages
    std::function<void(const std::string& topic)> ShowHelp;
    // Deleting an entry erases its stored section at once.
    std::function<void(const std::string& name)> EraseSection;
    // Why the settings store cannot keep an entry of this name; empty when it can.
    std::function<std::string(const std::string& name)> NameProblem;
    // A file exists at the path; a file the program chooser may return.
    std::function<bool(const std::string& path)> FileExists;
    std::function<bool(const std::string& path)> IsProgram;
};

// "Mail Settings": the list of mailboxes and the mail watcher's settings. The
// dialog is created for each opening and keeps nothing itself: edits go
// straight into the values it was given (switching entries, New, Delete) or
// are applied by OK.
class TMailForm final : public ModalForm {
  public:
    static constexpr const char* kHelpTopic = "Mail_Settings";

    TMailForm(MailFormValues values, MailFormServices services);

    ComboBox ComboBox1{"ComboBox1", {}};
    Button Button1{"Button1", "&New"};
    Button Button2{"Button2", "&Delete"};
    TextBox MailServer{"MailServer"};  // group "Mail Server Address"
    TextBox UserName{"UserName"};      // group "Mail UserName"
    TextBox Password{"Password"};      // group "Mail Password"
    // How the selected entry's connection is protected; the items follow
    // MailSecurity's order.
    static constexpr int kSecurityHelp = 672;
    ComboBox Security{ControlInfo{.name = "Security",
                                  .help = kSecurityHelp,
                                  .hint = "None: clear text on port 110. TLS: POP3S, port 995. "
                                          "STARTTLS: port 110, upgraded before the login. "
                                          "Another port: server:port."},
                      {"None", "TLS", "STARTTLS"}};
    // Why a typed or pasted text was refused; hidden while there is nothing to say.
    Label RefusedNotice{"RefusedNotice"};
    // Shown while the entry has a password and Security "None".
    Label ClearTextNotice{"ClearTextNotice"};
    ComboBox RasEntriesCombo{"RasEntriesCombo", {}};
    SpinEdit AutoConnectSpin{"AutoConnectSpin", 1, 1440, 60};
    CheckBox NotifyDialog{"NotifyDialog", "Notify with Dialog box when got mail"};
    CheckBox WavCheckBox{"WavCheckBox", "Play a Wave on new mail"};
    CheckBox AutoRun{"AutoRun", "Auto-Run Mail Program"};
    SpinEdit MailSpin{"MailSpin", 1, 60, 5};
    Button BitBtn2{"BitBtn2", "&Ok"};
    Button ChooseMailer{"ChooseMailer", "&Mail Program"};
    Button BitBtn1{"BitBtn1", "&Help"};
    Button BitBtn3{"BitBtn3", "Cancel"};

    // Help context numbers of the three field groups.
    static constexpr int kServerGroupHelp = 114;
    static constexpr int kUserNameGroupHelp = 115;
    static constexpr int kPasswordGroupHelp = 116;

    void FormShow() override;
    // The selector's list is about to open / an item has been chosen.
    void ComboBox1DropDown();
    void ComboBox1Click();
    void Button1Click();
    void Button2Click();
    void ChooseMailerClick();
    void AutoRunClick();
    void WavCheckBoxClick();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn1Click();
    // F1 anywhere in the dialog.
    void HelpKey() { BitBtn1Click(); }

    // The wave chooser's title and filter.
    static constexpr const char* kWavTitle = "Choose a Wav file";
    static constexpr const char* kWavFilter = "Sound File|*.wav";

    static constexpr const char* kRefusedText =
        "Line breaks and NUL characters cannot be part of a server, user name or password.";
    static constexpr const char* kClearTextText =
        "With Security \"None\" this password travels unencrypted.";
    // Each field goes into one POP3 command line: CR, LF or NUL would end
    // that line early and make the rest another command.
    static bool FieldAllowed(const std::string& text);

  private:
    bool fieldsAllowed() const;
    bool acceptField(const std::string& text);
    void showRefusal(bool refused);
    void showClearTextNotice();
    void saveFields();
    void showRecord(int index);
    void enableFields(bool enabled);

    MailFormValues v_;
    MailFormServices s_;
    bool loading_ = false;  // FormShow sets the boxes without their reactions
    // The record the three fields show: every way of switching entries saves
    // them there first, whatever the selector already points at.
    int shown_ = -1;
};

// The default file tests: a regular file exists; a program is an executable
// file, or a file named like a Windows program or shortcut.
bool MailFileExists(const std::string& path);
bool MailIsProgram(const std::string& path);

}  // namespace pontavi
