#include "net/line_framer.h"

#include <cstring>

namespace pontavi {

const char* LineEndText(TLineEnd end) {
    switch (end) {
        case TLineEnd::leCR:
            return "\r";
        case TLineEnd::leLF:
            return "\n";
        case TLineEnd::leCRLF:
            return "\r\n";
    }
    return "\r\n";
}

std::optional<LineFramer::FoundLine> LineFramer::Find() const {
    const std::string_view held = buffer_->Held();
    if (lineEnd_ != TLineEnd::leCRLF) {
        const std::size_t pos = held.find(lineEnd_ == TLineEnd::leLF ? '\n' : '\r');
        if (pos == std::string_view::npos) {
            return std::nullopt;
        }
        return FoundLine{pos, pos + 1};
    }
    if (const std::size_t pos = held.find("\r\n"); pos != std::string_view::npos) {
        return FoundLine{pos, pos + 2};
    }
    if (!held.empty() && held.back() == '\r') {
        return FoundLine{held.size() - 1, held.size()};  // CR as the last byte held
    }
    return std::nullopt;
}

bool LineFramer::Take(std::string& line) {
    const auto found = Find();
    if (!found) {
        return false;
    }
    const std::string_view held = buffer_->Held();
    const std::size_t keep =
        (options_ & lsoKeepTerminator) != 0 ? found->length : found->textLength;
    line.assign(held.data(), keep);
    lineFeedDue_ = lineEnd_ == TLineEnd::leCRLF && found->length == held.size() &&
                   found->length == found->textLength + 1;
    buffer_->PullUp(found->length);
    return true;
}

void LineFramer::DropSplitLineFeed() {
    if (!lineFeedDue_ || buffer_->Count() == 0) {
        return;
    }
    lineFeedDue_ = false;
    if (buffer_->Held().front() == '\n') {
        buffer_->PullUp(1);
    }
}

}  // namespace pontavi
