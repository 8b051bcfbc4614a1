#include "mail/errors_form.h"

#include <algorithm>
#include <utility>

namespace pontavi {

namespace {

// Where the server name begins: after the "@" that precedes the longest
// known name the entry ends with, else after the first "@".
std::size_t ServerAt(const std::string& entry, const std::vector<std::string>& serverNames) {
    std::size_t best = std::string::npos;
    std::size_t bestLength = 0;
    for (const std::string& name : serverNames) {
        if (entry.size() <= name.size() ||
            (best != std::string::npos && name.size() <= bestLength)) {
            continue;
        }
        const std::size_t at = entry.size() - name.size() - 1;
        if (entry[at] == '@' && entry.compare(at + 1, name.size(), name) == 0) {
            best = at;
            bestLength = name.size();
        }
    }
    return best != std::string::npos ? best : entry.find('@');
}

}  // namespace

TErrorsForm::TErrorsForm(std::vector<std::string> serverNames)
    : serverNames_(std::move(serverNames)) {
    ErrorBox.setReadOnly(true);
    ServerBox.setReadOnly(true);
}

TErrorsForm::Split TErrorsForm::SplitEntry(const std::string& entry,
                                           const std::vector<std::string>& serverNames) {
    const std::size_t at = ServerAt(entry, serverNames);
    const std::size_t errorEnd = std::min(at, entry.size());
    Split split;
    if (errorEnd > kPrefixLength) {
        split.error = entry.substr(kPrefixLength, errorEnd - kPrefixLength);
    }
    if (at != std::string::npos) {
        split.server = entry.substr(at + 1, kMaxServerText);
    }
    return split;
}

void TErrorsForm::FormShow(std::vector<std::string>& MailErrorList) {
    std::vector<std::string> errors;
    std::vector<std::string> servers;
    errors.reserve(MailErrorList.size());
    servers.reserve(MailErrorList.size());
    for (const std::string& entry : MailErrorList) {
        Split split = SplitEntry(entry, serverNames_);
        errors.push_back(std::move(split.error));
        servers.push_back(std::move(split.server));
    }
    ErrorBox.setLines(std::move(errors));
    ServerBox.setLines(std::move(servers));
    MailErrorList.clear();
}

}  // namespace pontavi
