#include "mail/errors_form.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pontavi {
namespace {

using Lines = std::vector<std::string>;

TEST(ErrorsFormTest, EntriesSplitAtTheFirstAt) {
    struct Case {
        std::string entry, error, server;
    };
    const Case cases[] = {
        {"-ERR Connection Timed Out@Home", "Connection Timed Out", "Home"},
        {"-ERR [AUTH] Bad password@Work@Night", "[AUTH] Bad password", "Work@Night"},
        {"-ERR @Home", "", "Home"},
        {"-err x@", "x", ""},
        {"-ERR no server at all", "no server at all", ""},
        {"-ER@Home", "", "Home"},  // shorter than the prefix
        {"", "", ""},
        {"-ERR long@" + std::string(300, 's'), "long", std::string(255, 's')},
    };
    for (const Case& c : cases) {
        const TErrorsForm::Split split = TErrorsForm::SplitEntry(c.entry);
        EXPECT_EQ(split.error, c.error) << c.entry;
        EXPECT_EQ(split.server, c.server) << c.entry;
    }
}

TEST(ErrorsFormTest, ShowingFillsBothBoxesInOrderAndEmptiesTheList) {
    TErrorsForm form;
    Lines list{"-ERR Connection Timed Out@Home", "-ERR Error 10061 (Connection refused)@Work"};
    form.FormShow(list);
    EXPECT_EQ(form.ErrorBox.Lines(),
              (Lines{"Connection Timed Out", "Error 10061 (Connection refused)"}));
    EXPECT_EQ(form.ServerBox.Lines(), (Lines{"Home", "Work"}));
    EXPECT_TRUE(form.ErrorBox.ReadOnly());
    EXPECT_TRUE(form.ServerBox.ReadOnly());
    EXPECT_TRUE(list.empty());
}

}  // namespace
}  // namespace pontavi
