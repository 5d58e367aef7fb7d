#pragma once
// ModemManager's inhibition over the system bus. A dedicated bus connection carries the
// inhibition and stays open while the card is held: ModemManager lifts an inhibition by itself
// when the client that asked leaves the bus.

#include <QString>
#include <chrono>
#include <mutex>

#include "core/ModemManagerGate.h"

namespace dedevev {

class QtModemManagerGate final : public IModemManagerGate {
public:
    // `bus_address` empty: the system bus (DBUS_SYSTEM_BUS_ADDRESS when set).
    explicit QtModemManagerGate(QString bus_address = {},
                                std::chrono::milliseconds timeout = std::chrono::seconds(5));
    ~QtModemManagerGate() override;
    QtModemManagerGate(const QtModemManagerGate&) = delete;
    QtModemManagerGate& operator=(const QtModemManagerGate&) = delete;

    ModemHold Hold(const CardIdentity& card, const std::function<bool()>& confirm_take) override;
    void Release() override;
    bool Holding() const override;

private:
    QString address_;
    int timeout_ms_;
    QString connection_name_;
    std::mutex hold_mutex_;     // one Hold at a time
    mutable std::mutex mutex_;  // guards held_uid_
    QString held_uid_;          // the inhibited device; empty when nothing is held
};

}  // namespace dedevev
