// The objects this engine hands its callers are shells: a pointer to the
// kind's operation table and nothing else; what the object is lives here,
// keyed by the shell. A released shell stays readable for the next
// KeptReleased releases, so a second Release through a stale pointer lands
// in the engine and counts as a bad free instead of crashing; after that it
// is handed out again, so a caller that makes and releases objects all day
// leaves this engine no bigger than it was.
//
// Not locked: its owner guards it with the engine lock.
#pragma once

#include <cstddef>
#include <deque>
#include <map>
#include <memory>
#include <optional>

#include "EngineObjects.h"

namespace vexosim {

template <class State>
class ObjectShells {
public:
    static constexpr std::size_t KeptReleased = 256;

    // A new object of the kind whose operations are `table`, holding `state`.
    EngineObjects::Object* HandOut(const void* table, State state) {
        std::unique_ptr<Shell> shell;
        if (released_.size() > KeptReleased) {
            shell = std::move(released_.front());
            released_.pop_front();
        } else {
            shell = std::make_unique<Shell>();
        }
        shell->object.operations = table;
        EngineObjects::Object* p = &shell->object;
        live_.emplace(p, Entry{std::move(shell), std::move(state)});
        return p;
    }

    // The state of a live object; null for a released or foreign pointer.
    State* Find(const void* p) {
        auto it = live_.find(p);
        return it == live_.end() ? nullptr : &it->second.state;
    }

    // Ends a live object and gives its state to the caller, who lets it go
    // (perhaps after dropping the lock); empty when `p` is not live.
    std::optional<State> Release(const void* p) {
        auto it = live_.find(p);
        if (it == live_.end()) return std::nullopt;
        std::optional<State> state(std::move(it->second.state));
        released_.push_back(std::move(it->second.shell));
        live_.erase(it);
        return state;
    }

    std::size_t LiveCount() const { return live_.size(); }

private:
    struct Shell {
        EngineObjects::Object object;
    };
    struct Entry {
        std::unique_ptr<Shell> shell;
        State state;
    };
    std::map<const void*, Entry> live_;
    std::deque<std::unique_ptr<Shell>> released_;
};

}  // namespace vexosim
