#include "platform/linux/desktop_entry_launcher.h"

#include <gio/gdesktopappinfo.h>

#include <filesystem>
#include <memory>
#include <system_error>

namespace pontavi {
namespace {

struct ObjectUnref {
    void operator()(GDesktopAppInfo* info) const { g_object_unref(info); }
};
struct ErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};

}  // namespace

std::string LaunchDesktopEntry(const std::string& file) {
    std::error_code ec;
    // Only a regular file: reading a pipe or a device could block the loop.
    if (!std::filesystem::is_regular_file(file, ec)) {
        return "no such file";
    }
    std::unique_ptr<GDesktopAppInfo, ObjectUnref> info(
        g_desktop_app_info_new_from_filename(file.c_str()));
    if (!info) {
        return "not a desktop entry of an application that can be started";
    }
    GError* raw = nullptr;
    const gboolean started = g_app_info_launch(G_APP_INFO(info.get()), nullptr, nullptr, &raw);
    std::unique_ptr<GError, ErrorFree> error(raw);
    if (!started) {
        return error && error->message ? error->message : "the start failed";
    }
    return {};
}

}  // namespace pontavi
