// Helper of settings_crash.sh.
//   settings_crash_helper write FILE   saves two large stores in turn, forever,
//                                      printing "saved N" after each save
//   settings_crash_helper check FILE   exit 0 when FILE holds exactly one of them
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "app/settings_store.h"

namespace {

// A store of a few hundred kilobytes; the variant changes every value, so a
// file mixing the two versions is told apart from either.
pontavi::SettingsStore Version(const std::string& file, char variant) {
    pontavi::SettingsStore store(file);
    for (int s = 0; s < 200; ++s) {
        std::string section = "Section " + std::to_string(s) + "\\Sub";
        for (int v = 0; v < 40; ++v) {
            std::string text(40 + (s * 7 + v) % 60, variant);
            text += "\"\\\n\t" + std::to_string(s * 1000 + v);
            store.WriteString(section, "Value " + std::to_string(v), text);
        }
    }
    return store;
}

int Write(const std::string& file) {
    const pontavi::SettingsStore versions[] = {Version(file, 'a'), Version(file, 'b')};
    // The script kills only after a first complete save, so how fast this
    // machine builds the stores cannot decide whether there is a file to check.
    for (unsigned long round = 0;; ++round) {
        versions[round % 2].save();
        std::printf("saved %lu\n", round + 1);
        std::fflush(stdout);
    }
}

int Check(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    pontavi::SettingsStore loaded(file);
    loaded.load();
    for (char variant : {'a', 'b'}) {
        pontavi::SettingsStore expected = Version(file, variant);
        if (bytes == expected.toText() && loaded == expected) {
            return 0;
        }
    }
    std::fprintf(stderr, "settings file holds neither version (%zu bytes)\n", bytes.size());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s write|check FILE\n", argv[0]);
        return 2;
    }
    const std::string_view mode = argv[1];
    try {
        if (mode == "write") {
            return Write(argv[2]);
        }
        if (mode == "check") {
            return Check(argv[2]);
        }
    } catch (const pontavi::SettingsError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 2;
}
