#pragma once
// Batches the redraws of a view that shows names for numbers: a burst of phonebook changes
// gives one redraw, one to two seconds after the last change.
//
// A change (on any thread) clears the quiet flag and asks the view to (re)start its
// one-second timer; the view only posts or arms a timer there. On each tick (on the view's
// thread) a tick with the flag clear sets it, and a tick with the flag set stops the timer
// and redraws.

#include <functional>
#include <mutex>

#include "phonebook/NameMapping.h"

namespace dedevev {

class NameRedrawBatcher : public INMEventHandler {
public:
    struct Hooks {
        std::function<void()> restart_timer;  // any thread: (re)start the one-second timer
        std::function<void()> stop_timer;     // the view's thread, from OnTick
        std::function<void()> redraw;         // the view's thread, from OnTick
    };

    // Listens to `mapping` (may be null) for exactly its own lifetime.
    NameRedrawBatcher(INameMapping* mapping, Hooks hooks);
    ~NameRedrawBatcher() override;
    NameRedrawBatcher(const NameRedrawBatcher&) = delete;
    NameRedrawBatcher& operator=(const NameRedrawBatcher&) = delete;

    void OnNameMappingChanged() override;
    // The timer fired.
    void OnTick();
    // Whether a redraw is still to come.
    bool Pending() const;

private:
    INameMapping* mapping_;
    Hooks hooks_;
    mutable std::mutex mutex_;  // running_, quiet_
    bool running_ = false;
    bool quiet_ = false;
};

}  // namespace dedevev
