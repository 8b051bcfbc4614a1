#pragma once

#include <string_view>

namespace pontavi {

// The reply to CAPA (RFC 2449), line by line: a status line, then one
// capability per line up to ".". A server that refuses or does not know the
// command answers with one line that is not "+OK"; it offers nothing.
class CapaReply {
  public:
    // Takes the next line; true when the reply is complete.
    bool Add(std::string_view line);
    bool Complete() const { return complete_; }
    bool Pipelining() const { return pipelining_; }

  private:
    bool open_ = false;
    bool complete_ = false;
    bool pipelining_ = false;
};

}  // namespace pontavi
