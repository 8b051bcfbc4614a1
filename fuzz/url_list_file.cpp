// Arbitrary URL.lst bytes: read, write, read again gives the same rows.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "urls/url_list_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using pontavi::UrlListFile;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto rows = UrlListFile::parse(bytes);
    auto again = UrlListFile::parse(UrlListFile::format(rows));
    if (again != rows) {
        std::abort();
    }
    return 0;
}
