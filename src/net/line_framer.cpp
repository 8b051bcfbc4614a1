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

bool IsSingleLine(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

namespace {

// The first line end in `held`, by the rules above.
std::optional<LineFramer::FoundLine> FindLineEnd(std::string_view held, TLineEnd end) {
    if (end != TLineEnd::leCRLF) {
        const std::size_t pos = held.find(end == TLineEnd::leLF ? '\n' : '\r');
        if (pos == std::string_view::npos) {
            return std::nullopt;
        }
        return LineFramer::FoundLine{pos, pos + 1};
    }
    if (const std::size_t pos = held.find("\r\n"); pos != std::string_view::npos) {
        return LineFramer::FoundLine{pos, pos + 2};
    }
    if (!held.empty() && held.back() == '\r') {
        return LineFramer::FoundLine{held.size() - 1, held.size()};  // CR as the last byte held
    }
    return std::nullopt;
}

}  // namespace

std::optional<LineFramer::FoundLine> LineFramer::Find() const {
    const std::string_view held = buffer_->Held();
    if (auto found = FindLineEnd(held, lineEnd_)) {
        return found;
    }
    if (cutDue_) {
        return FoundLine{held.size(), held.size(), false};
    }
    return std::nullopt;
}

bool LineFramer::Take(std::string& line, bool& complete) {
    const auto found = Find();
    if (!found) {
        return false;
    }
    const std::string_view held = buffer_->Held();
    const std::size_t keep =
        (options_ & lsoKeepTerminator) != 0 ? found->length : found->textLength;
    line.assign(held.data(), keep);
    complete = found->complete;
    lineFeedDue_ = lineEnd_ == TLineEnd::leCRLF && found->complete &&
                   found->length == held.size() && found->length == found->textLength + 1;
    if (!found->complete) {
        cutDue_ = false;
        dropping_ = true;
    }
    buffer_->PullUp(found->length);
    return true;
}

void LineFramer::DropOverlongRest() {
    if (!dropping_) {
        return;
    }
    const std::string_view held = buffer_->Held();
    const auto found = FindLineEnd(held, lineEnd_);
    if (!found) {
        buffer_->PullUp(held.size());
        return;
    }
    // The line end ends the dropping; a CR that is the last byte held ends it
    // as it would end a line, and its LF is dropped when it comes.
    dropping_ = false;
    lineFeedDue_ = lineEnd_ == TLineEnd::leCRLF && found->length == held.size() &&
                   found->length == found->textLength + 1;
    buffer_->PullUp(found->length);
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
