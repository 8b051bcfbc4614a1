#include "platform/linux/dbus_notifier.h"

#include <gio/gio.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pontavi {
namespace {

// A message bus of the test's own (dbus-daemon with the session rules).
class PrivateBus {
  public:
    PrivateBus() {
        int out[2];
        if (::pipe(out) != 0) {
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], 1);
            ::execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", "--print-address=1",
                     static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        char buffer[512];
        std::string line;
        ssize_t n = 0;
        while (line.find('\n') == std::string::npos &&
               (n = ::read(out[0], buffer, sizeof buffer)) > 0) {
            line.append(buffer, static_cast<std::size_t>(n));
        }
        ::close(out[0]);
        address_ = line.substr(0, line.find('\n'));
    }
    ~PrivateBus() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    const std::string& address() const { return address_; }

  private:
    pid_t pid_ = -1;
    std::string address_;
};

// A notification service on that bus, served by a thread of its own; it
// records what it is asked to show and names the capabilities it was given.
class FakeNotificationService {
  public:
    explicit FakeNotificationService(const std::string& address,
                                     std::vector<std::string> capabilities = {"body"})
        : capabilities_(std::move(capabilities)) {
        thread_ = std::thread([this, address] { serve(address); });
        std::unique_lock lock(mutex_);
        ready_.wait_for(lock, std::chrono::seconds(10), [this] { return started_; });
    }
    ~FakeNotificationService() {
        if (loop_ != nullptr) {
            g_main_loop_quit(loop_);
        }
        thread_.join();
    }
    FakeNotificationService(const FakeNotificationService&) = delete;
    FakeNotificationService& operator=(const FakeNotificationService&) = delete;

    bool owned() const { return owned_; }
    std::vector<std::vector<std::string>> calls() {
        std::lock_guard lock(mutex_);
        return calls_;
    }

  private:
    static constexpr const char* kXml =
        "<node><interface name='org.freedesktop.Notifications'>"
        "<method name='Notify'><arg type='s' direction='in'/><arg type='u' direction='in'/>"
        "<arg type='s' direction='in'/><arg type='s' direction='in'/>"
        "<arg type='s' direction='in'/><arg type='as' direction='in'/>"
        "<arg type='a{sv}' direction='in'/><arg type='i' direction='in'/>"
        "<arg type='u' direction='out'/></method>"
        "<method name='GetCapabilities'><arg type='as' direction='out'/></method>"
        "</interface></node>";

    void serve(const std::string& address) {
        GMainContext* context = g_main_context_new();
        g_main_context_push_thread_default(context);
        GDBusConnection* bus = g_dbus_connection_new_for_address_sync(
            address.c_str(),
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, nullptr);
        GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kXml, nullptr);
        if (bus != nullptr && node != nullptr) {
            static const GDBusInterfaceVTable vtable = {
                &FakeNotificationService::onCall, nullptr, nullptr, {}};
            g_dbus_connection_register_object(bus, "/org/freedesktop/Notifications",
                                              node->interfaces[0], &vtable, this, nullptr, nullptr);
            GVariant* reply = g_dbus_connection_call_sync(
                bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                "RequestName", g_variant_new("(su)", "org.freedesktop.Notifications", 4u),
                G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
            if (reply != nullptr) {
                owned_ = true;
                g_variant_unref(reply);
            }
            loop_ = g_main_loop_new(context, FALSE);
        }
        {
            std::lock_guard lock(mutex_);
            started_ = true;
        }
        ready_.notify_all();
        if (loop_ != nullptr) {
            g_main_loop_run(loop_);
            g_main_loop_unref(loop_);
        }
        if (node != nullptr) {
            g_dbus_node_info_unref(node);
        }
        if (bus != nullptr) {
            g_dbus_connection_close_sync(bus, nullptr, nullptr);
            g_object_unref(bus);
        }
        g_main_context_pop_thread_default(context);
        g_main_context_unref(context);
    }

    static void onCall(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                       const gchar* method, GVariant* parameters, GDBusMethodInvocation* invocation,
                       gpointer self) {
        auto* service = static_cast<FakeNotificationService*>(self);
        if (std::string(method) == "GetCapabilities") {
            GVariantBuilder list;
            g_variant_builder_init(&list, G_VARIANT_TYPE("as"));
            for (const std::string& capability : service->capabilities_) {
                g_variant_builder_add(&list, "s", capability.c_str());
            }
            g_dbus_method_invocation_return_value(invocation, g_variant_new("(as)", &list));
            return;
        }
        const gchar* app = nullptr;
        guint32 replaces = 0;
        const gchar* icon = nullptr;
        const gchar* summary = nullptr;
        const gchar* body = nullptr;
        g_variant_get(parameters, "(&su&s&s&s@as@a{sv}i)", &app, &replaces, &icon, &summary, &body,
                      nullptr, nullptr, nullptr);
        {
            std::lock_guard lock(service->mutex_);
            service->calls_.push_back({app, icon, summary, body});
        }
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(u)", 7u));
    }

    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable ready_;
    bool started_ = false;
    bool owned_ = false;
    GMainLoop* loop_ = nullptr;
    std::vector<std::vector<std::string>> calls_;
    const std::vector<std::string> capabilities_;
};

// The body goes plain to a service that shows it as text, escaped to one
// that reads markup in it.
TEST(DBusNotifierTest, NotificationReachesTheServiceOnTheBus) {
    const struct {
        std::vector<std::string> capabilities;
        std::string body;
    } cases[] = {
        {{"body"}, "From: Ann <ann@example.org>\nSubject: Tom & Jerry"},
        {{"body", "body-markup"}, "From: Ann &lt;ann@example.org&gt;\nSubject: Tom &amp; Jerry"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.capabilities.size());
        PrivateBus bus;
        ASSERT_FALSE(bus.address().empty());
        FakeNotificationService service(bus.address(), c.capabilities);
        ASSERT_TRUE(service.owned());

        DBusNotifier notifier(bus.address());
        notifier.Notify("3 new messages", "From: Ann <ann@example.org>\nSubject: Tom & Jerry");
        notifier.Notify("1 new message", std::string("Subject: caf\xe9"));  // not UTF-8
        ASSERT_TRUE(notifier.waitIdle(10'000));
        EXPECT_EQ(notifier.Delivered(), 2);
        const auto calls = service.calls();
        ASSERT_EQ(calls.size(), 2u);
        EXPECT_EQ(calls[0],
                  (std::vector<std::string>{"Pontavi!", "mail-unread", "3 new messages", c.body}));
        EXPECT_EQ(calls[1][3], "Subject: caf\xef\xbf\xbd");
    }
}

TEST(DBusNotifierTest, WithoutAServiceOrABusNothingHappens) {
    PrivateBus bus;
    ASSERT_FALSE(bus.address().empty());
    DBusNotifier noService(bus.address());
    noService.Notify("1 new message", "");
    DBusNotifier noBus("unix:path=/nonexistent/bus");
    noBus.Notify("1 new message", "");
    EXPECT_TRUE(noService.waitIdle(10'000));
    EXPECT_TRUE(noBus.waitIdle(10'000));
    EXPECT_EQ(noService.Delivered(), 0);
    EXPECT_EQ(noBus.Delivered(), 0);
}

}  // namespace
}  // namespace pontavi
