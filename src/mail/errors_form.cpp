#include "mail/errors_form.h"

#include <algorithm>
#include <utility>

namespace pontavi {

TErrorsForm::TErrorsForm() {
    ErrorBox.setReadOnly(true);
    ServerBox.setReadOnly(true);
}

TErrorsForm::Split TErrorsForm::SplitEntry(const std::string& entry) {
    const std::size_t at = entry.find('@');
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
        Split split = SplitEntry(entry);
        errors.push_back(std::move(split.error));
        servers.push_back(std::move(split.server));
    }
    ErrorBox.setLines(std::move(errors));
    ServerBox.setLines(std::move(servers));
    MailErrorList.clear();
}

}  // namespace pontavi
