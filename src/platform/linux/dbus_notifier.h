#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/background_worker.h"
#include "platform/notifier.h"

typedef struct _GDBusConnection GDBusConnection;
typedef struct _GMainContext GMainContext;

namespace pontavi {

// Desktop notifications through the freedesktop notification service
// (org.freedesktop.Notifications) on the session bus, over GIO's GDBus.
// Connecting to the bus and each call run on a worker thread with a time
// limit, so the loop never waits; without a bus or a service the
// notification is dropped silently (and the bus is asked again next time).
//
// Texts are plain (they come from mail servers). A service that reads
// markup in the body (capability "body-markup", or one that does not say)
// gets the body with &, < and > escaped, so a sender's "<a href=...>" or
// "<img src=...>" shows as text and is never followed or loaded.
class DBusNotifier final : public Notifier {
  public:
    static constexpr int kCallTimeoutMs = 5000;
    static constexpr std::size_t kMaxWaiting = 4;

    // busAddress: empty for the user's session bus, else the address of a
    // message bus to use instead (tests start their own).
    explicit DBusNotifier(std::string busAddress = {});

    void Notify(const std::string& summary, const std::string& body) override;

    // The text with &, < and > as the notification body markup requires.
    static std::string EscapeBodyMarkup(std::string_view text);

    // For tests: waits for the notifications asked for so far to be handled.
    bool waitIdle(int timeoutMs) { return worker_.waitIdle(timeoutMs); }
    // Notifications the service accepted.
    int Delivered() const { return delivered_; }

  private:
    void send(const std::string& summary, const std::string& body);
    void sendOnWorker(const std::string& summary, const std::string& body);
    bool connect();
    bool bodyMarkup();

    struct ConnectionUnref {
        void operator()(GDBusConnection* connection) const;
    };

    struct ContextUnref {
        void operator()(GMainContext* context) const;
    };

    const std::string busAddress_;
    std::unique_ptr<GMainContext, ContextUnref> context_;
    // Made and used only on the worker thread; freed after it has ended.
    std::unique_ptr<GDBusConnection, ConnectionUnref> bus_;
    std::optional<bool> bodyMarkup_;  // the service's answer, asked once per connection
    std::atomic<int> delivered_{0};
    // Last member: its thread ends before the other members go.
    BackgroundWorker worker_{kMaxWaiting};
};

}  // namespace pontavi
