#include "net/line_socket.h"

#include <cstring>

namespace pontavi {

TLineSocketBase::TLineSocketBase(TSockCtrl& owner)
    : TBufferedSocketBase(owner), framer_(ReadBuffer()) {}

bool TLineSocketBase::SendLine(const std::string& text) {
    if (!IsSingleLine(text)) {
        return false;  // it would reach the peer as more than one line
    }
    const bool addEnd = (framer_.Options() & lsoAddTerminator) != 0;
    const char* end = LineEndText(framer_.LineEnd());
    const std::size_t endLength = addEnd ? std::strlen(end) : 0;
    SocketBuffer& out = WriteBuffer();
    if (out.Free() < text.size() + endLength) {
        return false;
    }
    out.Append(text.data(), text.size());
    out.Append(end, endLength);
    if (framer_.Options() & lsoAutoFlush) {
        Flush();
    }
    return true;
}

bool TLineSocketBase::ReadLine(std::string& line, bool& complete) {
    if (!framer_.Take(line, complete)) {
        return false;
    }
    ReadBufferFreed();
    return true;
}

void TLineSocketBase::LineNotification(const std::string& line, bool complete) {
    if (OnLine) {
        // A copy: the handler may reassign OnLine.
        TLineEvent handler = OnLine;
        handler(*this, line, complete);
    }
}

void TLineSocketBase::FillReadBuffer() {
    framer_.Fill(
        [this](char* room, std::size_t size) { return ReceiveInto(room, size); },
        [this](const std::string& line, bool complete) { LineNotification(line, complete); });
}

void TLineSocketBase::ReadBufferFull() {
    framer_.FullRule(
        [this](const std::string& line, bool complete) { LineNotification(line, complete); });
}

}  // namespace pontavi
