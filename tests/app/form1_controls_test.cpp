// What the window's design gives each control (caption, help context number,
// hint) is held by the control models themselves, so it is checked here
// without any view.

#include <string>

#include "form1_fixture.h"

namespace pontavi {

namespace {

struct Expected {
    const Control& control;
    const char* name;
    int help;
    std::string hint;
};

}  // namespace

TEST_F(Form1Test, ControlsCarryTheirHelpNumbersAndHints) {
    TForm1& f = create();
    const Expected table[] = {
        {f.CB1, "CB1", 150, "When activated, only the first ident in the list will be replied."},
        {f.Edit1, "Edit1", 151,
         "If you enter something else here, it will be used as your next ident."},
        {f.OnTop, "OnTop", 100, ""},
        {f.SpinEdit1, "SpinEdit1", 106, ""},
        {f.StartSectionCombo, "StartSectionCombo", 108, ""},
        {f.ResetDateLabel, "ResetDateLabel", 201, ""},
        {f.Button12, "Button12", 214, ""},
        {f.UrlLB(), "UrlLB", 216, ""},
        {f.Remove1, "Remove1", 215, ""},
        {f.Exit1, "Exit1", 0, ""},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.control.Name(), row.name);
        EXPECT_EQ(row.control.HelpContext(), row.help);
        EXPECT_EQ(row.control.Hint(), row.hint);
    }
}

TEST_F(Form1Test, ControlsCarryTheirCaptions) {
    TForm1& f = create();
    EXPECT_EQ(f.CB1.Caption(), "&Use The First Ident Only");
    EXPECT_EQ(f.MailSettingBtn.Caption(), "&Settings");
    EXPECT_EQ(f.TotalTimePanel.Caption(), "00:00:00");
    EXPECT_EQ(f.Copy1.Caption(), "&Copy");
    // The URL page's buttons are numbered in their column's order.
    const Button* column[] = {&f.Button5, &f.Button13, &f.Button11, &f.Button12, &f.Button10};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(column[i]->HelpContext(), 211 + i) << column[i]->Name();
    }
}

}  // namespace pontavi
