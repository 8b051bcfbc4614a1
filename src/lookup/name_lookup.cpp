#include "lookup/name_lookup.h"

#include "net/address_lookup.h"
#include "net/sock_error.h"

namespace pontavi {

namespace {
constexpr const char* kUnableToResolve = "Unable to resolve";
}

NameLookup::NameLookup(Controls controls, TSockCtrl& component, Clipboard& clipboard)
    : c_(controls), component_(component), clipboard_(clipboard) {
    c_.DNSResult.setReadOnly(true);
    c_.Resolve.OnClick = [this] { ResolveClick(); };
}

std::string NameLookup::lookUp(const std::string& text) {
    try {
        // Passed as typed: a text starting with a digit is taken as an address.
        if (text[0] >= '0' && text[0] <= '9') {
            return AddressToHost(component_, text);
        }
        return HostToAddress(component_, text);
    } catch (const ESockError&) {
        return kUnableToResolve;
    }
}

void NameLookup::ResolveClick() {
    if (c_.DNSEdit.Text().size() < 2) {
        return;
    }
    c_.Resolve.setEnabled(false);
    const std::string text = c_.DNSEdit.Text().substr(0, kMaxQueryLength);
    c_.DNSResult.setText(lookUp(text));
    if (c_.DNSResult.Text() != kUnableToResolve && c_.AutoCopyCB.Checked()) {
        c_.DNSResult.selectAll();
        clipboard_.setText(c_.DNSResult.SelText());
    }
    c_.Resolve.setEnabled(true);
    c_.DNSEdit.selectAll();
    c_.DNSEdit.setFocus();
}

}  // namespace pontavi
