// Arbitrary settings file bytes: every value read with every primitive, the
// whole program read, and a save and reload that must give the same store.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/app_settings.h"
#include "app/settings_store.h"
#include "mail/velk_encryption.h"

namespace {

const std::string& ScratchFile() {
    static const std::string path = [] {
        // tmpfs when there is one: a sync there costs nothing.
        std::string tmpl = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm/fuzz-settings-XXXXXX"
                                                           : "/tmp/fuzz-settings-XXXXXX";
        if (::mkdtemp(tmpl.data()) == nullptr) {
            std::abort();
        }
        return tmpl + "/registry.ini";
    }();
    return path;
}

void ReadEverything(const pontavi::SettingsStore& store) {
    for (const std::string& section : store.SectionNames()) {
        for (const std::string& name : store.ValueNames(section)) {
            try {
                std::string text = store.ReadString(section, name, "");
                if (text.find('\0') != std::string::npos) {
                    std::abort();
                }
                store.ReadInteger(section, name, 0);
                store.ReadBool(section, name, true);
            } catch (const pontavi::SettingsError&) {
            }
        }
        if (!store.SectionExists(section)) {
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    pontavi::SettingsStore store(ScratchFile());
    store.loadFromText(std::string_view(reinterpret_cast<const char*>(data), size));
    ReadEverything(store);

    pontavi::VelkEncryption crypt([] { return std::uint8_t{0x5A}; });
    crypt.Key = "quolavin38";
    pontavi::AppSettings settings;
    try {
        pontavi::ReadAppSettings(store, crypt, settings);
    } catch (const pontavi::SettingsError&) {
    }
    if (settings.ServersInfo.size() != settings.ServerNames.size()) {
        std::abort();
    }

    store.save();
    pontavi::SettingsStore reloaded(ScratchFile());
    reloaded.load();
    if (!(reloaded == store) || reloaded.toText() != store.toText()) {
        std::abort();
    }
    return 0;
}
