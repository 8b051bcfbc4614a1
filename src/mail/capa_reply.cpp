#include "mail/capa_reply.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace pontavi {

namespace {

bool SameWord(std::string_view text, std::string_view lowerWord) {
    return text.size() == lowerWord.size() &&
           std::equal(text.begin(), text.end(), lowerWord.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == b;
           });
}

}  // namespace

bool CapaReply::Add(std::string_view line) {
    if (complete_) {
        return true;
    }
    if (!open_) {
        open_ = SameWord(line.substr(0, 3), "+ok");
        complete_ = !open_;
        return complete_;
    }
    if (line == ".") {
        complete_ = true;
        return true;
    }
    if (SameWord(line.substr(0, line.find(' ')), "pipelining")) {
        pipelining_ = true;
    }
    return false;
}

}  // namespace pontavi
