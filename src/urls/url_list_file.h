#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pontavi {

// URL.lst: one row per line, first line = top row. Written with CR LF after
// every row; read with lines ended by CR LF, CR or LF, an empty line being an
// empty row, a final line break adding no row, and a zero byte ending the
// text.
class UrlListFile {
  public:
    explicit UrlListFile(std::string fileName) : fileName_(std::move(fileName)) {}

    const std::string& FileName() const { return fileName_; }
    bool exists() const;

    // Throws std::runtime_error "Cannot open file <name>" when the file cannot
    // be read.
    std::vector<std::string> read() const;
    // Replaces the file as a whole: the rows go to a new file in the same
    // folder, which is flushed to disk and then renamed over the old one, so
    // the old list survives any failure or crash half-way. Throws
    // std::runtime_error "Cannot create file <name>" when that fails.
    void write(const std::vector<std::string>& rows) const;

    static std::vector<std::string> parse(std::string_view bytes);
    // A CR, LF or zero byte inside a row is written as a space: otherwise the
    // row would come back split, or cut the rest of the list off.
    static std::string format(const std::vector<std::string>& rows);

  private:
    std::string fileName_;
};

}  // namespace pontavi
