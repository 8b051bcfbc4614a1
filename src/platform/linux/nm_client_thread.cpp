#include "platform/linux/nm_client_thread.h"

#include <NetworkManager.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <tuple>

#include "platform/linux/nm_reason_text.h"

namespace pontavi {

namespace {

constexpr guint kRetryMs = 5000;

struct ErrorFree {
    void operator()(GError* e) const { g_error_free(e); }
};
using Error = std::unique_ptr<GError, ErrorFree>;

std::string MessageOf(GError* error) {
    if (error == nullptr) {
        return "unknown error";
    }
    // NetworkManager leaving the bus before it answered.
    if (g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_NO_REPLY) ||
        g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_SERVICE_UNKNOWN) ||
        g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_NAME_HAS_NO_OWNER)) {
        return "NetworkManager stopped";
    }
    g_dbus_error_strip_remote_error(error);
    return error->message;
}

// The dial-up kinds: mobile broadband, PPPoE and Bluetooth dial-up (DUN);
// Bluetooth's other kind (PAN) is a network, not a line.
bool IsDialUpProfile(NMConnection* connection) {
    const char* type = nm_connection_get_connection_type(connection);
    if (type == nullptr) {
        return false;
    }
    const std::string kind = type;
    if (kind == NM_SETTING_GSM_SETTING_NAME || kind == NM_SETTING_CDMA_SETTING_NAME ||
        kind == NM_SETTING_PPPOE_SETTING_NAME) {
        return true;
    }
    NMSettingBluetooth* bluetooth = nm_connection_get_setting_bluetooth(connection);
    const char* btType =
        bluetooth != nullptr ? nm_setting_bluetooth_get_connection_type(bluetooth) : nullptr;
    return kind == NM_SETTING_BLUETOOTH_SETTING_NAME && btType != nullptr &&
           std::string(btType) == NM_SETTING_BLUETOOTH_TYPE_DUN;
}

bool IsDialUpLink(NMActiveConnection* active) {
    NMRemoteConnection* profile = nm_active_connection_get_connection(active);
    return profile != nullptr && IsDialUpProfile(NM_CONNECTION(profile));
}

// The dial-up profiles by name, then by UUID, so a name held twice always
// means the same profile.
std::vector<NMConnection*> DialUpProfiles(NMClient* client) {
    std::vector<NMConnection*> profiles;
    const GPtrArray* all = nm_client_get_connections(client);
    for (guint i = 0; all != nullptr && i < all->len; ++i) {
        auto* connection = NM_CONNECTION(g_ptr_array_index(all, i));
        if (IsDialUpProfile(connection)) {
            profiles.push_back(connection);
        }
    }
    auto key = [](NMConnection* c) {
        return std::make_tuple(
            std::string(nm_connection_get_id(c) ? nm_connection_get_id(c) : ""),
            std::string(nm_connection_get_uuid(c) ? nm_connection_get_uuid(c) : ""));
    };
    std::sort(profiles.begin(), profiles.end(),
              [&](NMConnection* a, NMConnection* b) { return key(a) < key(b); });
    return profiles;
}

NMDevice* FirstDevice(NMActiveConnection* active) {
    const GPtrArray* devices = nm_active_connection_get_devices(active);
    return devices != nullptr && devices->len > 0 ? NM_DEVICE(g_ptr_array_index(devices, 0))
                                                  : nullptr;
}

std::optional<std::string> FirstAddress(NMIPConfig* config) {
    GPtrArray* addresses = config != nullptr ? nm_ip_config_get_addresses(config) : nullptr;
    if (addresses == nullptr || addresses->len == 0) {
        return std::nullopt;
    }
    const char* text =
        nm_ip_address_get_address(static_cast<NMIPAddress*>(g_ptr_array_index(addresses, 0)));
    return text != nullptr ? std::optional<std::string>(text) : std::nullopt;
}

NmActiveLink LinkOf(NMActiveConnection* active) {
    NmActiveLink link;
    link.path = nm_object_get_path(NM_OBJECT(active));
    if (NMDevice* device = FirstDevice(active)) {
        // The IP interface (ppp0 of a modem) before the device's own.
        for (const char* name : {nm_device_get_ip_iface(device), nm_device_get_iface(device)}) {
            if (link.ipInterface.empty() && name != nullptr) {
                link.ipInterface = name;
            }
        }
    }
    link.address = FirstAddress(nm_active_connection_get_ip4_config(active));
    link.connected =
        nm_active_connection_get_state(active) == NM_ACTIVE_CONNECTION_STATE_ACTIVATED &&
        link.address.has_value();
    return link;
}

}  // namespace

// Everything that touches libnm, on the client thread only.
class NmClientThread::Side {
  public:
    Side(GMainContext* context, Callbacks callbacks)
        : context_(context),
          callbacks_(std::move(callbacks)),
          mainLoop_(g_main_loop_new(context, FALSE)) {}
    ~Side() { g_main_loop_unref(mainLoop_); }

    void run() {
        connectClient();
        g_main_loop_run(mainLoop_);
        stop();
    }
    void quit() { g_main_loop_quit(mainLoop_); }
    void activate(std::uint64_t dial, const std::string& entry);
    void deactivate(std::uint64_t dial);

  private:
    struct Dial {
        NMActiveConnection* active = nullptr;  // owned reference once known
        NMDevice* device = nullptr;            // owned reference, first seen
        bool pending = true;                   // the activation's answer is awaited
        bool hangUp = false;                   // deactivate once it is known
    };
    struct Pending {
        Side* side;
        std::uint64_t dial;
    };

    void connectClient();
    void scheduleRebuild();
    void rebuild();
    void hookAll(std::map<GObject*, gulong>& wanted);
    void hook(std::map<GObject*, gulong>& wanted, gpointer object, const char* signal,
              GCallback cb);
    void checkDials(bool running);
    std::string endReason(const Dial& dial, bool running) const;
    void end(std::uint64_t dial, const std::string& reason);
    void release(Dial& dial);
    void deactivateNow(NMActiveConnection* active);
    void activated(std::uint64_t dial, GAsyncResult* result);
    void stop();

    static void OnNotify(GObject*, GParamSpec*, gpointer self) {
        static_cast<Side*>(self)->scheduleRebuild();
    }
    static void OnChanged(GObject*, gpointer self) { static_cast<Side*>(self)->scheduleRebuild(); }
    static void OnObject(GObject*, GObject*, gpointer self) {
        static_cast<Side*>(self)->scheduleRebuild();
    }

    GMainContext* context_;
    Callbacks callbacks_;
    GMainLoop* mainLoop_;
    GDBusConnection* bus_ = nullptr;
    NMClient* client_ = nullptr;
    std::map<GObject*, gulong> hooks_;  // each holds a reference
    std::map<std::uint64_t, Dial> dials_;
    int deactivations_ = 0;
    bool rebuildScheduled_ = false;
    NmSnapshot last_;
};

void NmClientThread::Side::connectClient() {
    GError* raw = nullptr;
    // libnm uses GIO's shared system bus connection, which by default ends
    // the whole process when the bus goes away; kept here, with that off.
    if (bus_ == nullptr) {
        bus_ = g_bus_get_sync(G_BUS_TYPE_SYSTEM, nullptr, nullptr);
    }
    if (bus_ != nullptr) {
        g_dbus_connection_set_exit_on_close(bus_, FALSE);
    }
    client_ = nm_client_new(nullptr, &raw);
    Error error(raw);
    if (client_ == nullptr) {
        // No system bus: NetworkManager is as good as stopped; try again later.
        GSource* retry = g_timeout_source_new(kRetryMs);
        g_source_set_callback(
            retry,
            [](gpointer self) {
                static_cast<Side*>(self)->connectClient();
                return G_SOURCE_REMOVE;
            },
            this, nullptr);
        g_source_attach(retry, context_);
        g_source_unref(retry);
        return;
    }
    for (const char* signal : {"notify", "connection-added", "connection-removed",
                               "active-connection-added", "active-connection-removed"}) {
        g_signal_connect(
            client_, signal,
            std::string(signal) == "notify" ? G_CALLBACK(OnNotify) : G_CALLBACK(OnObject), this);
    }
    rebuild();
}

void NmClientThread::Side::scheduleRebuild() {
    if (rebuildScheduled_) {
        return;
    }
    rebuildScheduled_ = true;
    // One rebuild for a burst of signals.
    GSource* idle = g_idle_source_new();
    g_source_set_callback(
        idle,
        [](gpointer self) {
            auto* side = static_cast<Side*>(self);
            side->rebuildScheduled_ = false;
            side->rebuild();
            return G_SOURCE_REMOVE;
        },
        this, nullptr);
    g_source_attach(idle, context_);
    g_source_unref(idle);
}

void NmClientThread::Side::hook(std::map<GObject*, gulong>& wanted, gpointer object,
                                const char* signal, GCallback cb) {
    auto* gobject = G_OBJECT(object);
    if (wanted.count(gobject) != 0) {
        return;  // already hooked in this rebuild
    }
    if (auto it = hooks_.find(gobject); it != hooks_.end()) {
        wanted.insert(*it);
        hooks_.erase(it);
        return;
    }
    wanted.emplace(G_OBJECT(g_object_ref(gobject)), g_signal_connect(gobject, signal, cb, this));
}

void NmClientThread::Side::hookAll(std::map<GObject*, gulong>& wanted) {
    // Profiles' names and links' states, devices and addresses change
    // without the client's own lists changing.
    for (NMConnection* profile : DialUpProfiles(client_)) {
        hook(wanted, profile, "changed", G_CALLBACK(OnChanged));
    }
    const GPtrArray* actives = nm_client_get_active_connections(client_);
    for (guint i = 0; actives != nullptr && i < actives->len; ++i) {
        auto* active = NM_ACTIVE_CONNECTION(g_ptr_array_index(actives, i));
        hook(wanted, active, "notify", G_CALLBACK(OnNotify));
        if (NMIPConfig* config = nm_active_connection_get_ip4_config(active)) {
            hook(wanted, config, "notify", G_CALLBACK(OnNotify));
        }
    }
}

void NmClientThread::Side::rebuild() {
    NmSnapshot snapshot;
    snapshot.running = client_ != nullptr && nm_client_get_nm_running(client_);
    std::map<GObject*, gulong> wanted;
    if (snapshot.running) {
        for (NMConnection* profile : DialUpProfiles(client_)) {
            const char* id = nm_connection_get_id(profile);
            if (id != nullptr && (snapshot.entries.empty() || snapshot.entries.back() != id)) {
                snapshot.entries.emplace_back(id);
            }
        }
        const GPtrArray* actives = nm_client_get_active_connections(client_);
        for (guint i = 0; actives != nullptr && i < actives->len; ++i) {
            auto* active = NM_ACTIVE_CONNECTION(g_ptr_array_index(actives, i));
            // A deactivated connection lingers a moment before NetworkManager
            // drops it; it is no longer a link.
            if (IsDialUpLink(active) &&
                nm_active_connection_get_state(active) != NM_ACTIVE_CONNECTION_STATE_DEACTIVATED) {
                snapshot.links.push_back(LinkOf(active));
            }
        }
        hookAll(wanted);
    }
    for (auto& [object, id] : hooks_) {  // those no longer wanted
        g_signal_handler_disconnect(object, id);
        g_object_unref(object);
    }
    hooks_ = std::move(wanted);
    checkDials(snapshot.running);
    if (!(snapshot == last_)) {
        last_ = snapshot;
        callbacks_.changed(std::move(snapshot));
    }
}

void NmClientThread::Side::checkDials(bool running) {
    std::vector<std::pair<std::uint64_t, std::string>> ended;
    for (auto& [id, dial] : dials_) {
        if (!running) {
            ended.emplace_back(id, "NetworkManager stopped");
            continue;
        }
        if (dial.active == nullptr) {
            continue;
        }
        if (dial.device == nullptr) {
            if (NMDevice* device = FirstDevice(dial.active)) {
                dial.device = NM_DEVICE(g_object_ref(device));
            }
        }
        const GPtrArray* actives = nm_client_get_active_connections(client_);
        bool listed = false;
        for (guint i = 0; actives != nullptr && i < actives->len; ++i) {
            listed = listed || g_ptr_array_index(actives, i) == dial.active;
        }
        if (!listed ||
            nm_active_connection_get_state(dial.active) == NM_ACTIVE_CONNECTION_STATE_DEACTIVATED) {
            ended.emplace_back(id, endReason(dial, running));
        }
    }
    for (const auto& [id, reason] : ended) {
        end(id, reason);
    }
}

std::string NmClientThread::Side::endReason(const Dial& dial, bool running) const {
    if (!running) {
        return "NetworkManager stopped";
    }
    const auto reason = static_cast<unsigned>(nm_active_connection_get_state_reason(dial.active));
    // A device's own reason says more (no carrier, PPP failed, ...) than the
    // connection's "the device was disconnected".
    if (dial.device != nullptr &&
        (reason == NM_ACTIVE_CONNECTION_STATE_REASON_DEVICE_DISCONNECTED ||
         reason == NM_ACTIVE_CONNECTION_STATE_REASON_UNKNOWN)) {
        const auto deviceReason = static_cast<unsigned>(nm_device_get_state_reason(dial.device));
        if (deviceReason > NM_DEVICE_STATE_REASON_UNKNOWN) {
            return NmDeviceReasonText(deviceReason);
        }
    }
    if (reason == NM_ACTIVE_CONNECTION_STATE_REASON_UNKNOWN &&
        nm_active_connection_get_state(dial.active) != NM_ACTIVE_CONNECTION_STATE_DEACTIVATED) {
        return "NetworkManager ended the connection";
    }
    return NmActiveReasonText(reason);
}

void NmClientThread::Side::end(std::uint64_t id, const std::string& reason) {
    auto it = dials_.find(id);
    if (it == dials_.end()) {
        return;
    }
    const bool report = !it->second.hangUp;
    if (it->second.pending) {
        // Its answer is still on the way: kept so that answer is dealt with,
        // but reported now and never again.
        it->second.hangUp = true;
    } else {
        release(it->second);
        dials_.erase(it);
    }
    if (report) {
        callbacks_.dialEnded(id, reason);
    }
}

void NmClientThread::Side::release(Dial& dial) {
    if (dial.active != nullptr) {
        g_object_unref(dial.active);
    }
    if (dial.device != nullptr) {
        g_object_unref(dial.device);
    }
    dial = Dial{};
}

void NmClientThread::Side::activate(std::uint64_t id, const std::string& entry) {
    NMConnection* profile = nullptr;
    if (client_ != nullptr && nm_client_get_nm_running(client_)) {
        for (NMConnection* candidate : DialUpProfiles(client_)) {
            if (profile == nullptr && entry == nm_connection_get_id(candidate)) {
                profile = candidate;
            }
        }
    }
    if (profile == nullptr) {
        callbacks_.dialEnded(id, client_ != nullptr && nm_client_get_nm_running(client_)
                                     ? "the profile no longer exists"
                                     : "NetworkManager is not running");
        return;
    }
    dials_[id] = Dial{};
    auto pending = std::make_unique<Pending>(Pending{this, id});
    nm_client_activate_connection_async(
        client_, profile, nullptr, nullptr, nullptr,
        [](GObject*, GAsyncResult* result, gpointer data) {
            std::unique_ptr<Pending> done(static_cast<Pending*>(data));
            done->side->activated(done->dial, result);
        },
        pending.release());
}

void NmClientThread::Side::activated(std::uint64_t id, GAsyncResult* result) {
    GError* raw = nullptr;
    NMActiveConnection* active = nm_client_activate_connection_finish(client_, result, &raw);
    Error error(raw);
    auto it = dials_.find(id);
    if (it == dials_.end()) {
        return;
    }
    Dial& dial = it->second;
    dial.pending = false;
    if (active == nullptr) {
        const bool report = !dial.hangUp;
        dials_.erase(it);
        if (report) {
            callbacks_.dialEnded(id, MessageOf(error.get()));
        }
        return;
    }
    dial.active = active;
    if (dial.hangUp) {
        deactivateNow(active);
        release(dial);
        dials_.erase(it);
        return;
    }
    scheduleRebuild();  // it may have failed already
}

void NmClientThread::Side::deactivate(std::uint64_t id) {
    auto it = dials_.find(id);
    if (it == dials_.end()) {
        return;
    }
    if (it->second.pending) {
        it->second.hangUp = true;  // deactivated once its answer comes
        return;
    }
    deactivateNow(it->second.active);
    release(it->second);
    dials_.erase(it);
}

void NmClientThread::Side::deactivateNow(NMActiveConnection* active) {
    ++deactivations_;
    nm_client_deactivate_connection_async(
        client_, active, nullptr,
        [](GObject* client, GAsyncResult* result, gpointer self) {
            // The result is not looked at: a link already gone is as good.
            GError* raw = nullptr;
            nm_client_deactivate_connection_finish(NM_CLIENT(client), result, &raw);
            Error error(raw);
            --static_cast<Side*>(self)->deactivations_;
        },
        this);
}

void NmClientThread::Side::stop() {
    std::vector<std::uint64_t> ids;
    for (const auto& [id, dial] : dials_) {
        ids.push_back(id);
    }
    for (std::uint64_t id : ids) {
        deactivate(id);
    }
    // The answers the hang-ups wait for, within a bound.
    bool late = false;
    GSource* limit = g_timeout_source_new(kStopGraceMs);
    g_source_set_callback(
        limit,
        [](gpointer flag) {
            *static_cast<bool*>(flag) = true;
            return G_SOURCE_REMOVE;
        },
        &late, nullptr);
    g_source_attach(limit, context_);
    auto waiting = [this] {
        return deactivations_ > 0 || std::any_of(dials_.begin(), dials_.end(),
                                                 [](const auto& d) { return d.second.pending; });
    };
    while (!late && waiting()) {
        g_main_context_iteration(context_, TRUE);
    }
    g_source_destroy(limit);
    g_source_unref(limit);
    for (auto& [object, id] : hooks_) {
        g_signal_handler_disconnect(object, id);
        g_object_unref(object);
    }
    hooks_.clear();
    for (auto& [id, dial] : dials_) {
        release(dial);
    }
    dials_.clear();
    if (client_ != nullptr) {
        g_signal_handlers_disconnect_by_data(client_, this);
        g_object_unref(client_);
        client_ = nullptr;
    }
    if (bus_ != nullptr) {
        g_object_unref(bus_);
        bus_ = nullptr;
    }
    // Let libnm's own clean-up run before the context goes.
    while (g_main_context_iteration(context_, FALSE)) {
    }
}

void NmClientThread::ContextUnref::operator()(GMainContext* context) const {
    g_main_context_unref(context);
}

NmClientThread::NmClientThread(Callbacks callbacks)
    : context_(g_main_context_new()),
      side_(std::make_unique<Side>(context_.get(), std::move(callbacks))) {
    thread_ = std::thread([this] {
        g_main_context_push_thread_default(context_.get());
        side_->run();
        g_main_context_pop_thread_default(context_.get());
    });
}

NmClientThread::~NmClientThread() {
    post([](Side& side) { side.quit(); });
    thread_.join();
}

void NmClientThread::post(std::function<void(Side&)> job) {
    struct Job {
        Side* side;
        std::function<void(Side&)> run;
    };
    auto owned = std::make_unique<Job>(Job{side_.get(), std::move(job)});
    g_main_context_invoke_full(
        context_.get(), G_PRIORITY_DEFAULT,
        [](gpointer data) {
            auto* queued = static_cast<Job*>(data);
            queued->run(*queued->side);
            return G_SOURCE_REMOVE;
        },
        owned.release(), [](gpointer data) { std::unique_ptr<Job> done(static_cast<Job*>(data)); });
}

void NmClientThread::Activate(std::uint64_t dial, std::string entry) {
    post([dial, entry = std::move(entry)](Side& side) { side.activate(dial, entry); });
}

void NmClientThread::Deactivate(std::uint64_t dial) {
    post([dial](Side& side) { side.deactivate(dial); });
}

}  // namespace pontavi
