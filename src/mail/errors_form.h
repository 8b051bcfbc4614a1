#pragma once

#include <string>
#include <vector>

#include "controls/memo.h"

namespace pontavi {

// The "Mail Errors Report": every error of one check cycle, shown once at its
// end. An entry of MailErrorList reads "-ERR " + text + "@" + server name.
// The text is often a server's own reply and may hold an address
// ("-ERR [AUTH] bob@isp: bad@Work"), so the report splits where the entry
// ends with "@" and one of the cycle's server names (the longest that fits:
// a name may hold "@" itself), and at the first "@" only when none does.
class TErrorsForm {
  public:
    static constexpr const char* kCaption = "Mail Errors Report";
    static constexpr const char* kIntro =
        "We got the following error when trying to connect to your mail server(s) :";
    static constexpr const char* kErrorLabel = "Error :";
    static constexpr const char* kServerLabel = "Mail Server :";
    static constexpr const char* kOkCaption = "&Ok";
    // The part before the error text ("-ERR ").
    static constexpr std::size_t kPrefixLength = 5;
    static constexpr std::size_t kMaxServerText = 255;

    // serverNames: the names of the cycle's servers.
    explicit TErrorsForm(std::vector<std::string> serverNames = {});

    // Fills the boxes from the entries, in order, and empties the list.
    void FormShow(std::vector<std::string>& MailErrorList);

    // One entry's two halves. Without an "@", the whole text after the
    // prefix is the error and the server is left empty.
    struct Split {
        std::string error;
        std::string server;
    };
    static Split SplitEntry(const std::string& entry,
                            const std::vector<std::string>& serverNames = {});

    Memo ErrorBox{"ErrorBox"};
    Memo ServerBox{"ServerBox"};

  private:
    std::vector<std::string> serverNames_;
};

}  // namespace pontavi
