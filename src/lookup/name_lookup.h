#pragma once

#include "controls/button.h"
#include "controls/check_box.h"
#include "controls/text_box.h"
#include "platform/clipboard.h"

namespace pontavi {

class TSockCtrl;

// The DNS Lookup page: a host name to its first address, or a dotted address
// (any text starting with a digit) to its host name, through a socket
// component's lookups. The wait runs in the event loop, so the window stays
// responsive; Resolve stays disabled meanwhile.
class NameLookup {
  public:
    static constexpr std::size_t kMaxQueryLength = 255;

    struct Controls {
        TextBox& DNSEdit;
        TextBox& DNSResult;
        Button& Resolve;
        CheckBox& AutoCopyCB;
    };

    NameLookup(Controls controls, TSockCtrl& component, Clipboard& clipboard);

    void ResolveClick();

  private:
    std::string lookUp(const std::string& text);

    Controls c_;
    TSockCtrl& component_;
    Clipboard& clipboard_;
};

}  // namespace pontavi
