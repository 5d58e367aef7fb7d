#pragma once
// What a dial-up session tells the windows that follow it. Calls come on the session's worker
// thread or on the dial-up library's thread: a listener only stores values and posts.

#include <cstdint>
#include <string>

#include "device/SessionStats.h"

namespace dedevev {

class IConnectionListener {
public:
    // 0: an error or failure text.
    virtual void OnError(const std::u16string& text) = 0;
    // 1: a dial progress text.
    virtual void OnStatus(const std::u16string& text) = 0;
    // 2: the link is up.
    virtual void OnConnected() = 0;
    // 3: once a second while up: the session so far and the rates in bytes per second.
    virtual void OnStatistics(const SessionStats& stats, std::uint64_t receive_rate,
                              std::uint64_t send_rate) = 0;
    // 4: the link is being ended.
    virtual void OnDisconnecting() = 0;
    // 5: the run has ended.
    virtual void OnDisconnected() = 0;

protected:
    ~IConnectionListener() = default;
};

}  // namespace dedevev
