#pragma once
// IVoiceControl over AT commands for GSM/UMTS and CDMA cards: dialing, answering, hanging up,
// the second-party operations (27.007 +CHLD on GSM cards, flashes on CDMA cards), tones and
// volume, and the card's call reports turned into IVoiceEventHandler calls on the engine's
// event thread. Cards that give no call reports of their own are watched by listing their
// calls (AT+CLCC) every second while a call may be up; every connect and end is told once,
// whichever way it was learned first.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "device/IVoiceControl.h"
#include "device/at/parsers/CallParsers.h"
#include "device/at/transport/AtChannel.h"

namespace dedevev::at {

class ModemContext;

class VoiceControl final : public IVoiceControl {
public:
    explicit VoiceControl(ModemContext& context);
    ~VoiceControl();
    VoiceControl(const VoiceControl&) = delete;
    VoiceControl& operator=(const VoiceControl&) = delete;

    void VoiceDial(const std::string& number, int* status) override;
    void VoiceOpen(int* status) override;
    void VoiceAnswer(int* status) override;
    void VoiceHangUp(int* status) override;
    void VoiceSendFlash(const std::string& number, int* status) override;
    void VoiceJoin(int* status) override;
    void VoiceEndSecond(int* status) override;
    void VoiceAcceptWaiting(int* status) override;
    void VoiceSwapWaiting(int* status) override;
    void VoiceSendDtmf(int call_id, char key, int* status) override;
    void VoicePlayTone(std::uint16_t frequency_hz, int duration_ms, int* status) override;
    int GetVolume(int* status) override;
    void SetVolume(int level, int* status) override;
    int GetCallState(int* status) override;
    // Once it returns, the previous handler is not running and is never called again (unless
    // it is called from inside that handler, which may of course finish its own call).
    void SetVoiceEventHandler(IVoiceEventHandler* handler) override;

    // The card's calls (AT+CLCC); false when the card did not answer or refused.
    bool ListCalls(std::vector<CallEntry>* calls);
    // How often the calls are listed while one may be up (tests shorten it).
    void SetPollInterval(std::chrono::milliseconds interval);
    // Whether the calls are being listed now.
    bool Polling() const;
    // A new port was opened, or the card went away: forget every call.
    void Reset();

private:
    enum class Phase { kUp, kConnected, kEnded };
    struct Track {
        Phase phase = Phase::kUp;
        std::uint64_t seq = 0;   // the listing this was last learned at (see Learn)
        std::uint64_t born = 0;  // order of appearance, for the second party
    };
    using Event = std::function<void(IVoiceEventHandler*)>;

    // A command's result as a status; runs `text` with the query time-out.
    bool RunOk(const std::string& text);
    bool RunOk(const std::string& text, Millis timeout);
    // Second-party operation: `gsm` on GSM cards, a flash without number on CDMA cards.
    void SecondParty(const std::string& gsm, int* status);
    void WatchCalls();  // a call may be up: list the calls every interval

    // Listeners (event thread).
    void OnRing(const std::string& line);
    void OnClip(const std::string& line);
    void OnWaiting(const std::string& line);
    void OnReport(const std::string& line);
    void OnCarrierLost(const std::string& line);

    // Runs `compute` under the state lock and delivers the events it gives in order; the
    // delivery lock keeps events of the event thread and of the poll in one order.
    void Deliver(const std::function<void(std::vector<Event>*)>& compute);
    // Call-state transitions; the state lock is held.
    void Connected(int id, std::vector<Event>* events);
    void Ended(int id, std::vector<Event>* events);
    void EndAll(std::vector<Event>* events);
    void ForgetRinging();
    // Whether a call is connected; the state lock is held.
    bool AnyConnected() const;
    // A ring not yet tied to a listed call starts; the state lock is held.
    void StartRinging();

    void PollLoop();
    // One listing; true when it shows that no call is up.
    bool PollOnce();
    // Applies one listing, asked at listing number `seq`.
    void Learn(const std::vector<CallEntry>& calls, std::uint64_t seq, std::vector<Event>* events);

    ModemContext& context_;
    std::vector<int> listener_ids_;

    std::recursive_mutex deliver_mutex_;  // held while a handler runs
    std::atomic<IVoiceEventHandler*> handler_{nullptr};

    mutable std::mutex state_mutex_;
    std::map<int, Track> calls_;
    std::uint64_t seq_ = 0;   // listings started
    std::uint64_t born_ = 0;  // calls seen
    // A call known without an id (a ring, a dial before the card named it): ended by a
    // listing that started after it and shows no call.
    bool anonymous_ = false;
    std::uint64_t anonymous_seq_ = 0;
    bool ringing_ = false;  // an incoming call was announced and has not connected or ended
    std::string ring_number_;
    bool ring_withheld_ = false;
    bool waiting_ = false;  // a waiting call was announced
    std::string waiting_number_;
    bool clcc_refused_ = false;
    bool carrier_lost_ = false;  // NO CARRIER came; the next listing settles it
    std::vector<CallEntry> last_listing_;

    mutable std::mutex poll_mutex_;
    std::condition_variable poll_wake_;
    bool poll_stop_ = false;
    bool poll_wanted_ = false;
    bool poll_now_ = false;
    std::uint64_t watch_gen_ = 0;  // WatchCalls calls, so a poll does not stop a fresh watch
    std::chrono::milliseconds poll_interval_{1000};
    std::thread poll_thread_;
};

}  // namespace dedevev::at
