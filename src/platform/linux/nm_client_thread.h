#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

typedef struct _GMainContext GMainContext;

namespace pontavi {

// One active dial-up connection as NetworkManager shows it.
struct NmActiveLink {
    std::string path;                    // its D-Bus object path: unique while NM runs
    std::string ipInterface;             // ppp0, wwan0, ...; empty before it has one
    bool connected = false;              // activated, with an IPv4 configuration
    std::optional<std::string> address;  // that configuration's first address

    bool operator==(const NmActiveLink&) const = default;
};

// What NetworkManager holds of the dial-up kinds (mobile broadband, PPPoE,
// Bluetooth DUN) at one moment.
struct NmSnapshot {
    bool running = false;              // NetworkManager is on the bus
    std::vector<std::string> entries;  // profile names, sorted, each once
    std::vector<NmActiveLink> links;   // in NetworkManager's order

    bool operator==(const NmSnapshot&) const = default;
};

// libnm's client on a thread and main context of its own. libnm keeps its
// cache current from NetworkManager's signals; every change of what matters
// here is handed on as a whole new snapshot, so readers never wait on D-Bus.
// NetworkManager leaving the bus and coming back is followed by libnm itself.
// The callbacks run on this object's thread; the owner moves their results to
// its own.
class NmClientThread {
  public:
    struct Callbacks {
        std::function<void(NmSnapshot)> changed;
        // A dial's activation failed or the link it made ended, with why.
        // At most once per dial, never after Deactivate of that dial.
        std::function<void(std::uint64_t dial, std::string reason)> dialEnded;
    };

    static constexpr int kStopGraceMs = 3000;

    explicit NmClientThread(Callbacks callbacks);
    // Deactivates the dials still under way (bounded by kStopGraceMs), then
    // ends the thread.
    ~NmClientThread();
    NmClientThread(const NmClientThread&) = delete;
    NmClientThread& operator=(const NmClientThread&) = delete;

    // Thread-safe. Activates the profile named `entry` as dial `dial`.
    void Activate(std::uint64_t dial, std::string entry);
    // Thread-safe. Deactivates what dial `dial` activated, nothing else.
    void Deactivate(std::uint64_t dial);

  private:
    class Side;
    void post(std::function<void(Side&)> job);

    struct ContextUnref {
        void operator()(GMainContext* context) const;
    };
    std::unique_ptr<GMainContext, ContextUnref> context_;
    std::unique_ptr<Side> side_;  // used on the thread only
    std::thread thread_;
};

}  // namespace pontavi
