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

// A server's reply may hold addresses; the cycle's server names tell where
// the name begins.
TEST(ErrorsFormTest, EntriesSplitBeforeTheLongestKnownServerName) {
    struct Case {
        std::string entry;
        Lines names;
        std::string error, server;
    };
    const Case cases[] = {
        {"-ERR [AUTH] bob@isp: bad@Work", {"Home", "Work"}, "[AUTH] bob@isp: bad", "Work"},
        {"-ERR a@b@Work@Night", {"Night", "Work@Night"}, "a@b", "Work@Night"},
        {"-ERR a@b@Work@Night", {"Work@Night", "Night"}, "a@b", "Work@Night"},
        {"-ERR x@y@Night", {"Work@Night", "Night"}, "x@y", "Night"},
        {"-ERR bob@isp: bad@", {""}, "bob@isp: bad", ""},
        // No name fits: the first "@", as without names.
        {"-ERR bob@isp: bad@Gone", {"Home"}, "bob", "isp: bad@Gone"},
        {"-ERR bob@isp", {"isp: more"}, "bob", "isp"},
        // A name must follow an "@" and end the entry.
        {"-ERR x Work", {"Work"}, "x Work", ""},
        {"-ERR a@Workshop", {"Work", "shop"}, "a", "Workshop"},
        {"Work", {"Work"}, "", ""},
        {"@Work", {"Work"}, "", "Work"},
        {"-ERR @" + std::string(300, 's'), {std::string(300, 's')}, "", std::string(255, 's')},
    };
    for (const Case& c : cases) {
        const TErrorsForm::Split split = TErrorsForm::SplitEntry(c.entry, c.names);
        EXPECT_EQ(split.error, c.error) << c.entry;
        EXPECT_EQ(split.server, c.server) << c.entry;
    }
}

TEST(ErrorsFormTest, ShowingSplitsWithTheCycleServerNames) {
    TErrorsForm form({"Home", "Work@Night"});
    Lines list{"-ERR [AUTH] bob@isp: bad@Work@Night", "-ERR Connection Timed Out@Home"};
    form.FormShow(list);
    EXPECT_EQ(form.ErrorBox.Lines(), (Lines{"[AUTH] bob@isp: bad", "Connection Timed Out"}));
    EXPECT_EQ(form.ServerBox.Lines(), (Lines{"Work@Night", "Home"}));
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
