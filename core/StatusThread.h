#pragma once
// The status thread: polls the card about every two seconds and posts what it finds to the
// main window (signal, card state, service, indicator, Wi-Fi, home network, messages, address).

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "core/Thread.h"
#include "device/base/Event.h"

namespace dedevev {

class IClock;
class IDeviceControl;
class IMessageTarget;
class IModemAgent;
class ISMSExport;

// The IPv4 address of the host's first PPP link (link type PPP, or an interface named ppp*)
// as a number with the first octet in the highest byte; 0 when there is none.
std::uint32_t PppAddressFromAdapters();
// "10.64.64.64" -> its number (first octet highest); 0 for anything but a dotted quad.
std::uint32_t ParseDottedQuad(const std::string& text);

// Whether the card's message storages have been set (process-wide; set once by the first
// status thread that finds the card ready).
bool SmsStorageSet();
void ResetSmsStorageSetForTesting();

struct StatusEnvironment {
    // The current modem object (null: none).
    std::function<IModemAgent*()> agent;
    // The message view's export (null while it is not there).
    std::function<ISMSExport*()> sms_export;
    std::function<std::uint32_t()> ppp_address;
    IClock* clock = nullptr;  // null: the process clock
};

StatusEnvironment DefaultStatusEnvironment();

class CThreadUpdateStatus : public CThread {
public:
    explicit CThreadUpdateStatus(IMessageTarget* target);
    CThreadUpdateStatus(IMessageTarget* target, StatusEnvironment environment);
    // Asks the loop to stop and waits for it.
    ~CThreadUpdateStatus() override;

    // The loop ends at its next check (within one 200 ms sleep).
    void RequestStop();
    bool StopRequested() const { return stop_requested_.load(); }
    // Makes a stopped thread startable again.
    void ClearStop();

    // Set by the main window once the card reported a work mode.
    void SetPollWifi(bool on) { poll_wifi_.store(on); }
    // Polls the card's state again (after a PIN entry).
    void RecheckCard();
    bool CardReady() const { return card_ready_.load(); }
    bool PinRequired() const { return pin_required_.load(); }

    // Guards the traffic counters shared with the main window.
    std::recursive_mutex& TrafficLock() { return traffic_lock_; }

    // One poll cycle without the sleep (the thread body runs it in a loop).
    void PollOnce(IModemAgent& agent);

protected:
    void Run() override;

private:
    void Post(unsigned number, std::uint64_t wparam, std::int64_t lparam, std::string text = {});
    void PollCard(IDeviceControl& control);
    void PollWifi(IDeviceControl& control);
    void PollHomeNetwork(IDeviceControl& control);
    void PollMessages();

    IMessageTarget* target_;
    StatusEnvironment env_;
    IClock* clock_;
    Event stop_event_{Event::Reset::kManual};
    std::atomic<bool> stop_requested_{false};
    std::atomic<bool> card_ready_{false};
    std::atomic<bool> pin_required_{false};
    std::atomic<bool> poll_wifi_{false};
    std::recursive_mutex traffic_lock_;
};

}  // namespace dedevev
