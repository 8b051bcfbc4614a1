#include "fakes/fake_dialup.h"

#include <algorithm>

namespace pontavi {

std::optional<std::vector<std::string>> FakeDialUp::EntryNames() {
    return entries;
}

std::optional<std::vector<ConnectionHandle>> FakeDialUp::ActiveConnections() {
    if (!connections) {
        return std::nullopt;
    }
    std::vector<ConnectionHandle> handles;
    for (const Connection& c : *connections) {
        handles.push_back(c.handle);
    }
    return handles;
}

const FakeDialUp::Connection* FakeDialUp::find(ConnectionHandle handle) const {
    if (!connections) {
        return nullptr;
    }
    auto it = std::find_if(connections->begin(), connections->end(),
                           [&](const Connection& c) { return c.handle == handle; });
    return it != connections->end() ? &*it : nullptr;
}

bool FakeDialUp::IsConnected(ConnectionHandle connection) {
    ++statusQueries;
    const Connection* c = find(connection);
    return c != nullptr && c->connected;
}

std::optional<std::string> FakeDialUp::LocalAddress(ConnectionHandle connection) {
    const Connection* c = find(connection);
    if (c == nullptr || c->address.empty()) {
        return std::nullopt;
    }
    return c->address;
}

DialResult FakeDialUp::Dial(const std::string& entry, std::function<void(int)> onLaterError) {
    dialled.push_back(entry);
    DialResult result{nextHandle_++, 0};
    if (!dialResults.empty()) {
        result = dialResults.front();
        dialResults.pop_front();
    }
    if (result.started()) {
        pending_[result.handle] = std::move(onLaterError);
        if (dialsMakeConnections && connections) {
            connections->push_back({result.handle, false});
        }
    }
    return result;
}

std::string FakeDialUp::ErrorText(int code) {
    auto it = errorTexts.find(code);
    return it != errorTexts.end() ? it->second : "Error " + std::to_string(code);
}

void FakeDialUp::HangUp(ConnectionHandle handle) {
    hangUps.push_back(handle);
    pending_.erase(handle);
    if (dialsMakeConnections && connections) {
        std::erase_if(*connections, [&](const Connection& c) { return c.handle == handle; });
    }
}

void FakeDialUp::bringUp(ConnectionHandle handle) {
    if (!connections) {
        return;
    }
    for (Connection& c : *connections) {
        if (c.handle == handle) {
            c.connected = true;
        }
    }
}

void FakeDialUp::failLater(ConnectionHandle handle, int error) {
    auto it = pending_.find(handle);
    if (it == pending_.end()) {
        return;
    }
    auto callback = std::move(it->second);
    pending_.erase(it);
    if (callback) {
        callback(error);
    }
}

}  // namespace pontavi
