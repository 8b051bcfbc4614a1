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
    const char mark = lineEnd_ == TLineEnd::leLF ? '\n' : '\r';
    const std::size_t pos = held.find(mark);
    if (pos == std::string_view::npos) {
        return std::nullopt;
    }
    if (lineEnd_ != TLineEnd::leCRLF) {
        return FoundLine{pos, pos + 1};
    }
    if (pos + 1 == held.size()) {
        return FoundLine{pos, pos + 1};  // CR as the last byte held
    }
    if (held[pos + 1] != '\n') {
        return std::nullopt;
    }
    return FoundLine{pos, pos + 2};
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
    buffer_->PullUp(found->length);
    return true;
}

}  // namespace pontavi
