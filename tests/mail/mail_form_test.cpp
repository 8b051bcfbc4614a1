#include "mail/mail_form.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "fakes/fake_dialogs.h"

namespace pontavi {
namespace {

class MailFormTest : public ::testing::Test {
  protected:
    // A dialog as MailSettingBtnClick creates it, opened.
    std::unique_ptr<TMailForm> open() {
        auto form = std::make_unique<TMailForm>(
            MailFormValues{names, records, mailInterval, autoRun, mailProgram, playWav, wavFile,
                           notify, autoConnectEntry, autoConnectInterval, chosenProgram, chosenWav,
                           rasEntries},
            MailFormServices{dialogs, [this](const std::string& t) { helpTopics.push_back(t); },
                             [this](const std::string& n) { erased.push_back(n); },
                             [](const std::string& n) {
                                 return n == "Idents" ? std::string("refused") : std::string();
                             },
                             [this](const std::string& p) { return files.count(p) != 0; },
                             [this](const std::string& p) { return files.count(p) != 0; }});
        form->FormShow();
        return form;
    }

    void threeEntries() {
        names = {"A", "B", "C"};
        records = {{"A", "a.example", "ua", "pa"},
                   {"B", "b.example", "ub", "pb"},
                   {"C", "c.example", "uc", "pc"}};
    }

    // Any way of switching (the list opening first or not) keeps the edits.
    static void choose(TMailForm& form, int index) {
        form.ComboBox1.setItemIndex(index);
        form.ComboBox1Click();
    }

    static std::vector<std::string> fields(const TMailForm& form) {
        return {form.MailServer.Text(), form.UserName.Text(), form.Password.Text()};
    }

    FakeDialogs dialogs;
    std::vector<std::string> names;
    std::vector<MailServerRecord> records;
    int mailInterval = 5;
    bool autoRun = false;
    std::string mailProgram;
    bool playWav = false;
    std::string wavFile;
    bool notify = true;
    std::string autoConnectEntry = "No Auto-Connect";
    int autoConnectInterval = 60;
    std::string chosenProgram;
    std::string chosenWav;
    std::vector<std::string> rasEntries{"Dial One", "Dial Two"};
    std::vector<std::string> helpTopics;
    std::vector<std::string> erased;
    std::set<std::string> files{"/usr/bin/mutt", "/sounds/ding.wav"};
};

TEST_F(MailFormTest, OpeningShowsTheValuesAndTheFirstEntry) {
    struct Case {
        std::string entry;
        int selected;
    };
    for (const Case& c : {Case{"No Auto-Connect", 2}, Case{"Dial Two", 1}, Case{"Gone", -1}}) {
        SCOPED_TRACE(c.entry);
        threeEntries();
        autoConnectEntry = c.entry;
        autoConnectInterval = 90;
        mailInterval = 7;
        notify = false;
        auto form = open();
        EXPECT_EQ(form->Caption(), "Mail Settings");
        EXPECT_EQ(form->RasEntriesCombo.Items(),
                  (std::vector<std::string>{"Dial One", "Dial Two", "No Auto-Connect"}));
        EXPECT_EQ(form->RasEntriesCombo.ItemIndex(), c.selected);
        EXPECT_EQ(form->AutoConnectSpin.Value(), 90);
        EXPECT_EQ(form->MailSpin.Value(), 7);
        EXPECT_FALSE(form->NotifyDialog.Checked());
        EXPECT_EQ(form->ComboBox1.Items(), names);
        EXPECT_EQ(form->ComboBox1.ItemIndex(), 0);
        EXPECT_EQ(fields(*form), (std::vector<std::string>{"a.example", "ua", "pa"}));
        EXPECT_TRUE(form->Button2.Enabled());
        EXPECT_EQ(form->Password.PasswordChar(), '*');
    }
}

// CR, LF and NUL never enter the fields (the reason shows), nor pass OK from a
// hand-edited file. A password with Security "None" carries a notice.
TEST_F(MailFormTest, LineBreaksAreRefusedAndAClearPasswordIsNoted) {
    threeEntries();
    records[0].Password = "pa\r\ndele 1";
    auto form = open();
    EXPECT_TRUE(form->RefusedNotice.Visible());
    form->BitBtn2.click();
    EXPECT_EQ(form->Result(), ModalResult::None);
    form->Password.userEdit("pa");
    for (TextBox* field : {&form->MailServer, &form->UserName, &form->Password}) {
        for (const std::string& bad :
             {std::string("x\ry"), std::string("x\ny"), std::string("x\0y", 3)}) {
            const std::string before = field->Text();
            field->userEdit(bad);
            EXPECT_EQ(field->Text(), before);
            EXPECT_EQ(form->RefusedNotice.Caption(), TMailForm::kRefusedText);
        }
    }
    EXPECT_EQ(form->ClearTextNotice.Caption(), TMailForm::kClearTextText);
    form->Security.setItemIndex(1);
    EXPECT_FALSE(form->ClearTextNotice.Visible());
    form->BitBtn2.click();
    EXPECT_EQ(form->Result(), ModalResult::Ok);
    EXPECT_EQ(records[0].Password, "pa");
}

TEST_F(MailFormTest, SecurityChoiceFollowsTheSelectedEntry) {
    threeEntries();
    records[1].Security = MailSecurity::Tls;
    records[2].Security = MailSecurity::StartTls;
    auto form = open();
    EXPECT_EQ(form->Security.Items(), (std::vector<std::string>{"None", "TLS", "STARTTLS"}));
    EXPECT_EQ(form->Security.HelpContext(), TMailForm::kSecurityHelp);
    EXPECT_FALSE(form->Security.Hint().empty());
    EXPECT_TRUE(form->Security.Enabled());
    // Shown per entry; a change is kept when switching, like the other fields.
    const std::vector<int> shown = {0, 1, 2};
    for (int i : shown) {
        choose(*form, i);
        EXPECT_EQ(form->Security.ItemIndex(), i);
    }
    choose(*form, 0);
    form->Security.setItemIndex(2);
    choose(*form, 1);
    EXPECT_EQ(records[0].Security, MailSecurity::StartTls);
    form->Security.setItemIndex(0);
    form->BitBtn2.click();
    EXPECT_EQ(records[1].Security, MailSecurity::None);
    EXPECT_EQ(records[2].Security, MailSecurity::StartTls);
}

TEST_F(MailFormTest, NewAndDeleteResetTheSecurityChoice) {
    threeEntries();
    records[0].Security = MailSecurity::Tls;
    auto form = open();
    EXPECT_EQ(form->Security.ItemIndex(), 1);
    dialogs.inputAnswers = {std::string("Fresh")};
    form->Button1.click();
    EXPECT_EQ(form->Security.ItemIndex(), 0);
    EXPECT_EQ(records.back().Security, MailSecurity::None);
    EXPECT_EQ(records[0].Security, MailSecurity::Tls);  // saved before New
    choose(*form, 0);
    form->Button2.click();  // deletes "A"; shows "B" (None)
    EXPECT_EQ(form->Security.ItemIndex(), 0);
    while (!form->ComboBox1.Items().empty()) {
        form->Button2.click();
    }
    EXPECT_FALSE(form->Security.Enabled());
}

TEST_F(MailFormTest, NoEntriesDisablesTheFieldsUntilNew) {
    auto form = open();
    EXPECT_TRUE(form->ComboBox1.Items().empty());
    for (const Control* c : std::vector<const Control*>{&form->MailServer, &form->UserName,
                                                        &form->Password, &form->Button2}) {
        EXPECT_FALSE(c->Enabled()) << c->Name();
    }
    dialogs.inputAnswers = {std::string("Home")};
    form->Button1.click();
    ASSERT_EQ(dialogs.queries.size(), 1u);
    EXPECT_EQ(dialogs.queries[0].caption, "New Mail Server");
    EXPECT_EQ(dialogs.queries[0].prompt, "Enter your POP server address");
    EXPECT_EQ(names, (std::vector<std::string>{"Home"}));
    EXPECT_EQ(records, (std::vector<MailServerRecord>{{"Home", "", "", ""}}));
    EXPECT_EQ(form->ComboBox1.ItemIndex(), 0);
    EXPECT_TRUE(form->MailServer.Enabled());
    EXPECT_TRUE(form->Button2.Enabled());
    EXPECT_EQ(form->MailServer.FocusRequests(), 1);
}

TEST_F(MailFormTest, NewRefusesEmptyAndUnstorableNames) {
    threeEntries();
    auto form = open();
    form->MailServer.userEdit("edited.example");
    dialogs.inputAnswers = {std::nullopt, std::string(""), std::string("Idents")};
    for (int i = 0; i < 3; ++i) {
        form->Button1.click();
    }
    EXPECT_EQ(names.size(), 3u);
    EXPECT_EQ(records.size(), 3u);
    EXPECT_EQ(dialogs.messages, (std::vector<std::string>{"refused"}));
    // New saves the selected entry's fields first.
    EXPECT_EQ(records[0].Server, "edited.example");
}

TEST_F(MailFormTest, SwitchingEntriesKeepsEditsWhateverTheResult) {
    threeEntries();
    auto form = open();
    form->UserName.userEdit("new-ua");
    choose(*form, 1);
    EXPECT_EQ(fields(*form), (std::vector<std::string>{"b.example", "ub", "pb"}));
    form->UserName.userEdit("lost-ub");
    form->BitBtn3.click();
    EXPECT_EQ(form->Result(), ModalResult::Cancel);
    EXPECT_EQ(records[0].UserName, "new-ua");
    EXPECT_EQ(records[1].UserName, "ub");
}

TEST_F(MailFormTest, DeleteErasesAtOnceAndShowsTheFirstEntry) {
    threeEntries();
    auto form = open();
    choose(*form, 1);
    form->Button2.click();
    EXPECT_EQ(erased, (std::vector<std::string>{"B"}));
    EXPECT_EQ(names, (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(records[1], (MailServerRecord{"C", "c.example", "uc", "pc"}));
    EXPECT_EQ(form->ComboBox1.ItemIndex(), 0);
    EXPECT_EQ(fields(*form), (std::vector<std::string>{"a.example", "ua", "pa"}));
    form->BitBtn3.click();  // cancelling does not bring it back
    EXPECT_EQ(names.size(), 2u);

    form->Button2.click();
    form->Button2.click();
    EXPECT_TRUE(names.empty());
    EXPECT_TRUE(records.empty());
    EXPECT_EQ(form->ComboBox1.ItemIndex(), -1);
    EXPECT_FALSE(form->MailServer.Enabled());
    EXPECT_FALSE(form->Button2.Enabled());
}

TEST_F(MailFormTest, OkAppliesInOrderAndDecidesTheResult) {
    struct Case {
        const char* name;
        std::vector<std::string> fields;
        bool autoRunBox;
        std::string program;
        ModalResult result;
        bool autoRunAfter;
        std::string programAfter;
    };
    const std::vector<Case> cases = {
        {"plain", {"s", "u", "p"}, false, "", ModalResult::Ok, false, ""},
        {"no server data", {"", "", ""}, false, "", ModalResult::Cancel, false, ""},
        {"auto-run with a program",
         {"s", "", ""},
         true,
         "/usr/bin/mutt",
         ModalResult::Ok,
         true,
         "/usr/bin/mutt"},
        {"auto-run without a program",
         {"s", "", ""},
         true,
         "/gone/mutt",
         ModalResult::Ok,
         false,
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        names = {"Home"};
        records = {{"Home", "", "", ""}};
        mailProgram = c.program;
        autoRun = c.autoRunBox;  // shown checked without opening the chooser
        auto form = open();
        EXPECT_TRUE(dialogs.queries.empty());
        form->MailServer.userEdit(c.fields[0]);
        form->UserName.userEdit(c.fields[1]);
        form->Password.userEdit(c.fields[2]);
        form->RasEntriesCombo.setItemIndex(1);
        form->AutoConnectSpin.setValue(2000);
        form->MailSpin.setValue(12);
        form->NotifyDialog.setChecked(false);
        form->BitBtn2.click();
        EXPECT_EQ(form->Result(), c.result);
        EXPECT_EQ(autoConnectEntry, "Dial Two");
        EXPECT_EQ(autoConnectInterval, 1440);
        EXPECT_EQ(mailInterval, 12);
        EXPECT_FALSE(notify);
        EXPECT_EQ(autoRun, c.autoRunAfter);
        EXPECT_EQ(mailProgram, c.programAfter);
        EXPECT_EQ(records[0], (MailServerRecord{"Home", c.fields[0], c.fields[1], c.fields[2]}));
    }
}

TEST_F(MailFormTest, FileChoicesArePendingUntilAnOk) {
    names = {"Home"};
    records = {{"Home", "s", "u", "p"}};
    auto form = open();
    // Wave chooser: cancel keeps the box, a missing file unchecks it, a file is pending.
    dialogs.fileAnswers = {std::nullopt, std::string("/gone.wav"), std::string("/sounds/ding.wav")};
    form->WavCheckBox.setChecked(true);
    EXPECT_TRUE(form->WavCheckBox.Checked());
    form->WavCheckBox.setChecked(false);
    form->WavCheckBox.setChecked(true);
    EXPECT_FALSE(form->WavCheckBox.Checked());
    form->WavCheckBox.setChecked(true);
    EXPECT_EQ(chosenWav, "/sounds/ding.wav");
    // Auto-run with no program opens the program chooser.
    dialogs.fileAnswers = {std::string("/usr/bin/mutt")};
    form->AutoRun.setChecked(true);
    EXPECT_EQ(chosenProgram, "/usr/bin/mutt");
    form->BitBtn3.click();
    EXPECT_TRUE(wavFile.empty());
    EXPECT_TRUE(mailProgram.empty());

    auto again = open();
    EXPECT_FALSE(again->WavCheckBox.Checked());
    again->BitBtn2.click();
    EXPECT_EQ(wavFile, "/sounds/ding.wav");
    EXPECT_EQ(mailProgram, "/usr/bin/mutt");
    EXPECT_EQ(chosenWav, "/sounds/ding.wav");  // never emptied
}

TEST_F(MailFormTest, HelpButtonAndKeyOpenTheTopic) {
    auto form = open();
    form->BitBtn1.click();
    form->HelpKey();
    EXPECT_EQ(helpTopics, (std::vector<std::string>{"Mail_Settings", "Mail_Settings"}));
    EXPECT_EQ(form->Button1.HelpContext(), 668);
    EXPECT_EQ(form->MailServer.HelpContext(), 114);
    EXPECT_EQ(form->AutoConnectSpin.HelpContext(), 671);
}

TEST(MailFileTest, ProgramsAreExecutablesOrWindowsNames) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("pontavi-mail-form-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto make = [&](const char* name, std::filesystem::perms mode) {
        const auto path = dir / name;
        std::ofstream(path) << "x";
        std::filesystem::permissions(path, mode);
        return path.string();
    };
    using std::filesystem::perms;
    EXPECT_TRUE(MailIsProgram(make("mailer", perms::owner_all)));
    EXPECT_FALSE(MailIsProgram(make("notes.txt", perms::owner_read | perms::owner_write)));
    EXPECT_TRUE(MailIsProgram(make("OUTLOOK.EXE", perms::owner_read)));
    EXPECT_TRUE(MailFileExists(make("ding.wav", perms::owner_read)));
    std::filesystem::remove_all(dir);
    EXPECT_FALSE(MailIsProgram("/no/such.exe"));
    EXPECT_FALSE(MailFileExists(""));
    EXPECT_FALSE(MailFileExists("/etc"));
}

}  // namespace
}  // namespace pontavi
