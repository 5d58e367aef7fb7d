#include "device/at/features/VoiceControl.h"

#include <algorithm>
#include <limits>

#include "device/DeviceStatus.h"
#include "device/at/features/ModemAgent.h"
#include "device/at/parsers/SmsParsers.h"

namespace dedevev::at {

namespace {

// A card may answer ATD only once the network took the call.
constexpr Millis kDialTimeout{30000};

bool IsUp(int state) {
    return state == kCallActive || state == kCallHeld;
}

// The voice calls of a +CLCC answer: a data call the card lists beside them is not ours.
std::vector<CallEntry> VoiceCallsOf(const Response& r, Charset charset) {
    std::vector<CallEntry> calls = ParseClcc(r.lines, charset);
    std::erase_if(calls, [](const CallEntry& call) { return !IsVoiceCall(call); });
    return calls;
}

}  // namespace

VoiceControl::VoiceControl(ModemContext& context) : context_(context) {
    AtChannel& channel = context_.Channel();
    auto on = [&](const char* prefix, void (VoiceControl::*member)(const std::string&)) {
        listener_ids_.push_back(channel.AddListener(
            prefix, [this, member](const std::string& l) { (this->*member)(l); }));
    };
    on("RING", &VoiceControl::OnRing);
    on("+CRING:", &VoiceControl::OnRing);
    on("+CLIP:", &VoiceControl::OnClip);
    on("+CCWA:", &VoiceControl::OnWaiting);
    for (const char* report :
         {"^DDORIG:", "^ORIG:", "^DDCONN:", "^CONN:", "^CONF:", "^DDCEND:", "^CEND:", "^DDCINFO:"})
        on(report, &VoiceControl::OnReport);
    for (const char* end : {"NO CARRIER", "BUSY", "NO ANSWER"})
        on(end, &VoiceControl::OnCarrierLost);
}

VoiceControl::~VoiceControl() {
    for (int id : listener_ids_)
        context_.Channel().RemoveListener(id);
    {
        std::lock_guard<std::mutex> lock(poll_mutex_);
        poll_stop_ = true;
    }
    poll_wake_.notify_all();
    if (poll_thread_.joinable())
        poll_thread_.join();
}

void VoiceControl::Reset() {
    {
        std::lock_guard<std::mutex> lock(state_mutex_);
        calls_.clear();
        anonymous_ = false;
        clcc_refused_ = false;
        carrier_lost_ = false;
        last_listing_.clear();
        ForgetRinging();
    }
    std::lock_guard<std::mutex> lock(poll_mutex_);
    poll_wanted_ = false;
}

bool VoiceControl::RunOk(const std::string& text) {
    return RunOk(text, context_.timeouts().query);
}

bool VoiceControl::RunOk(const std::string& text, Millis timeout) {
    return context_.Run(text, timeout).Ok();
}

// ---- commands

void VoiceControl::VoiceDial(const std::string& number, int* status) {
    if (!IsDialableCallNumber(number))
        return;
    std::uint64_t mark = 0;
    {
        // Known before the card can report it, so that a quick end is not told twice.
        std::lock_guard<std::mutex> lock(state_mutex_);
        anonymous_ = true;
        anonymous_seq_ = mark = seq_;
    }
    if (!RunOk("ATD" + number + ";", kDialTimeout)) {
        std::lock_guard<std::mutex> lock(state_mutex_);
        if (anonymous_ && anonymous_seq_ == mark && !ringing_)
            anonymous_ = false;
        return;
    }
    WatchCalls();
    SetStatus(status, kStatusOk);
}

void VoiceControl::VoiceOpen(int* status) {
    // Cards lacking one of these settings still make calls: only a mute card fails here.
    bool answered = true;
    for (const char* setting : {"AT+CLIP=1", "AT+CCWA=1", "AT+CRC=1", "AT^DDVOICE=1"})
        answered = Answered(context_.Query(setting)) && answered;
    if (answered)
        SetStatus(status, kStatusOk);
}

void VoiceControl::VoiceAnswer(int* status) {
    if (!RunOk("ATA", kDialTimeout))
        return;
    WatchCalls();
    SetStatus(status, kStatusOk);
}

void VoiceControl::VoiceHangUp(int* status) {
    const Response r = context_.Query("AT+CHUP");
    bool ok = r.Ok();
    if (!ok && IsRefusal(r))
        ok = RunOk("ATH");
    if (!ok)
        return;
    WatchCalls();
    SetStatus(status, kStatusOk);
}

void VoiceControl::VoiceSendFlash(const std::string& number, int* status) {
    if (context_.IsCdma()) {
        if (!number.empty() && !IsDialableCallNumber(number))
            return;
        if (!RunOk(number.empty() ? "AT^DDFLASH" : "AT^DDFLASH=\"" + number + "\""))
            return;
    } else {
        // A GSM card puts the talking call on hold when a second party is dialed.
        if (!IsDialableCallNumber(number) || !RunOk("ATD" + number + ";", kDialTimeout))
            return;
    }
    WatchCalls();
    SetStatus(status, kStatusOk);
}

void VoiceControl::SecondParty(const std::string& gsm, int* status) {
    if (!RunOk(context_.IsCdma() ? "AT^DDFLASH" : gsm))
        return;
    WatchCalls();
    SetStatus(status, kStatusOk);
}

void VoiceControl::VoiceJoin(int* status) {
    SecondParty("AT+CHLD=3", status);
}

void VoiceControl::VoiceAcceptWaiting(int* status) {
    SecondParty("AT+CHLD=2", status);
}

void VoiceControl::VoiceSwapWaiting(int* status) {
    SecondParty("AT+CHLD=2", status);
}

void VoiceControl::VoiceEndSecond(int* status) {
    if (context_.IsCdma()) {
        SecondParty("", status);
        return;
    }
    std::vector<CallEntry> calls;
    if (!ListCalls(&calls)) {
        std::lock_guard<std::mutex> lock(state_mutex_);
        calls = last_listing_;
    }
    if (calls.size() < 2)
        return;  // no second party
    // The second party is the call that appeared last; one not seen before is the newest.
    int second = -1;
    std::uint64_t newest = 0;
    {
        std::lock_guard<std::mutex> lock(state_mutex_);
        for (const CallEntry& call : calls) {
            const auto it = calls_.find(call.id);
            const std::uint64_t born = it == calls_.end() || it->second.phase == Phase::kEnded
                                           ? std::numeric_limits<std::uint64_t>::max()
                                           : it->second.born;
            if (second < 0 || born > newest || (born == newest && call.id > second)) {
                second = call.id;
                newest = born;
            }
        }
    }
    SecondParty("AT+CHLD=1" + std::to_string(second), status);
}

void VoiceControl::VoiceSendDtmf(int call_id, char key, int* status) {
    (void)call_id;  // +VTS plays the tone in the talking call
    if (key >= 'a' && key <= 'd')
        key = static_cast<char>(key - 'a' + 'A');
    if (!IsDtmfKey(key))
        return;
    if (RunOk(std::string("AT+VTS=") + key))
        SetStatus(status, kStatusOk);
}

void VoiceControl::VoicePlayTone(std::uint16_t frequency_hz, int duration_ms, int* status) {
    if (frequency_hz == 0 || duration_ms <= 0 || duration_ms > 10000)
        return;
    if (RunOk("AT^DDTONE=" + std::to_string(frequency_hz) + "," + std::to_string(duration_ms)))
        SetStatus(status, kStatusOk);
}

int VoiceControl::GetVolume(int* status) {
    const Response r = context_.Query("AT+CLVL?");
    const std::optional<int> level = r.Ok() ? ParseClvl(r.lines) : std::nullopt;
    if (!level)
        return 0;
    SetStatus(status, kStatusOk);
    return *level;
}

void VoiceControl::SetVolume(int level, int* status) {
    if (level < 0 || level > 8)
        return;
    if (RunOk("AT+CLVL=" + std::to_string(level)))
        SetStatus(status, kStatusOk);
}

int VoiceControl::GetCallState(int* status) {
    std::vector<CallEntry> calls;
    if (!ListCalls(&calls))
        return 0;
    SetStatus(status, kStatusOk);
    return static_cast<int>(calls.size());
}

bool VoiceControl::ListCalls(std::vector<CallEntry>* calls) {
    const Response r = context_.Query("AT+CLCC");
    if (!r.Ok())
        return false;
    *calls = VoiceCallsOf(r, context_.CurrentCharset());
    return true;
}

void VoiceControl::SetVoiceEventHandler(IVoiceEventHandler* handler) {
    // Taking the delivery lock waits for a handler that is running now.
    std::lock_guard<std::recursive_mutex> lock(deliver_mutex_);
    handler_.store(handler);
}

// ---- events

void VoiceControl::Deliver(const std::function<void(std::vector<Event>*)>& compute) {
    std::lock_guard<std::recursive_mutex> deliver(deliver_mutex_);
    std::vector<Event> events;
    {
        std::lock_guard<std::mutex> lock(state_mutex_);
        compute(&events);
    }
    for (const Event& event : events) {
        // Read per event: a handler may withdraw itself (or another) from inside.
        if (IVoiceEventHandler* handler = handler_.load())
            event(handler);
    }
}

void VoiceControl::ForgetRinging() {
    ringing_ = false;
    ring_number_.clear();
    ring_withheld_ = false;
    waiting_ = false;
    waiting_number_.clear();
}

void VoiceControl::Connected(int id, std::vector<Event>* events) {
    auto it = calls_.find(id);
    if (it == calls_.end() || it->second.phase == Phase::kEnded)
        it = calls_.insert_or_assign(id, Track{Phase::kUp, seq_, ++born_}).first;
    anonymous_ = false;
    if (it->second.phase == Phase::kConnected)
        return;
    it->second.phase = Phase::kConnected;
    it->second.seq = std::max(it->second.seq, seq_);
    ringing_ = false;
    waiting_ = false;
    events->push_back([id](IVoiceEventHandler* h) { h->OnCallConnected(id); });
}

void VoiceControl::Ended(int id, std::vector<Event>* events) {
    auto it = calls_.find(id);
    if (it == calls_.end()) {
        anonymous_ = false;  // the call that had no id yet
        it = calls_.insert_or_assign(id, Track{Phase::kUp, seq_, ++born_}).first;
    }
    if (it->second.phase == Phase::kEnded) {
        if (!anonymous_)
            return;          // told already
        anonymous_ = false;  // a new call under an id used before, ended before it was listed
    }
    it->second.phase = Phase::kEnded;
    it->second.seq = std::max(it->second.seq, seq_);
    events->push_back([](IVoiceEventHandler* h) { h->OnCallEnded(); });
    const bool any_left =
        anonymous_ || std::any_of(calls_.begin(), calls_.end(),
                                  [](const auto& c) { return c.second.phase != Phase::kEnded; });
    if (!any_left)
        ForgetRinging();
}

void VoiceControl::EndAll(std::vector<Event>* events) {
    for (auto& [id, track] : calls_) {
        if (track.phase != Phase::kEnded)
            Ended(id, events);
    }
    if (anonymous_) {
        anonymous_ = false;
        events->push_back([](IVoiceEventHandler* h) { h->OnCallEnded(); });
    }
    ForgetRinging();
}

bool VoiceControl::AnyConnected() const {
    return std::any_of(calls_.begin(), calls_.end(),
                       [](const auto& call) { return call.second.phase == Phase::kConnected; });
}

void VoiceControl::StartRinging() {
    ringing_ = true;
    anonymous_ = true;
    anonymous_seq_ = seq_;
}

void VoiceControl::OnRing(const std::string& line) {
    if (!IsVoiceRing(line))
        return;
    Deliver([this](std::vector<Event>* events) {
        if (ringing_)
            return;  // the same call rings again
        // A ring during a connected call is a waiting call on a card without +CCWA: that one
        // is learned from the listing.
        if (AnyConnected())
            return;
        StartRinging();
        events->push_back([number = ring_number_, withheld = ring_withheld_](
                              IVoiceEventHandler* h) { h->OnIncomingCall(number, withheld); });
    });
    WatchCalls();
}

void VoiceControl::OnClip(const std::string& line) {
    const std::optional<CallerId> caller = ParseClip(line, context_.CurrentCharset());
    if (!caller)
        return;
    Deliver([&](std::vector<Event>* events) {
        if (ringing_ && caller->number == ring_number_ && caller->Withheld() == ring_withheld_)
            return;  // nothing new about this caller
        if (ringing_ && caller->number.empty() && !caller->Withheld())
            return;  // not available: keep what is known
        if (!ringing_) {
            if (AnyConnected())
                return;
            StartRinging();
        }
        ring_number_ = caller->number;
        ring_withheld_ = caller->Withheld();
        events->push_back([number = ring_number_, withheld = ring_withheld_](
                              IVoiceEventHandler* h) { h->OnIncomingCall(number, withheld); });
    });
    WatchCalls();
}

void VoiceControl::OnWaiting(const std::string& line) {
    const std::optional<CallerId> caller = ParseCcwa(line, context_.CurrentCharset());
    if (!caller)
        return;
    Deliver([&](std::vector<Event>* events) {
        if (waiting_ && caller->number == waiting_number_)
            return;  // the card repeats the notice while the call waits
        waiting_ = true;
        waiting_number_ = caller->number;
        events->push_back([number = caller->number, withheld = caller->Withheld()](
                              IVoiceEventHandler* h) { h->OnCallWaiting(number, withheld); });
    });
    WatchCalls();
}

void VoiceControl::OnReport(const std::string& line) {
    const std::optional<CallReport> report = ParseCallReport(line, context_.CurrentCharset());
    if (!report)
        return;
    Deliver([&](std::vector<Event>* events) {
        switch (report->kind) {
            case CallReport::kSetup: {
                auto it = calls_.find(report->id);
                if (it == calls_.end() || it->second.phase == Phase::kEnded)
                    calls_.insert_or_assign(report->id, Track{Phase::kUp, seq_, ++born_});
                anonymous_ = false;
                events->push_back([](IVoiceEventHandler* h) { h->OnCallSetup(); });
                break;
            }
            case CallReport::kProgress:
                events->push_back([](IVoiceEventHandler* h) { h->OnCallStatus(); });
                break;
            case CallReport::kConnected:
                Connected(report->id, events);
                break;
            case CallReport::kEnded:
                Ended(report->id, events);
                break;
            case CallReport::kInfo:
                events->push_back(
                    [text = report->text](IVoiceEventHandler* h) { h->OnCallInfo(text); });
                break;
        }
    });
    if (report->kind != CallReport::kInfo && report->kind != CallReport::kEnded)
        WatchCalls();
}

void VoiceControl::OnCarrierLost(const std::string&) {
    // Which call ended is learned from the listing; a card without one ends them all.
    bool refused = false;
    {
        std::lock_guard<std::mutex> lock(state_mutex_);
        refused = clcc_refused_;
        carrier_lost_ = !refused;  // the next listing tells which call; a refusal ends all
    }
    if (refused) {
        Deliver([this](std::vector<Event>* events) { EndAll(events); });
        return;
    }
    WatchCalls();
    std::lock_guard<std::mutex> lock(poll_mutex_);
    poll_now_ = true;
    poll_wake_.notify_all();
}

// ---- the listing of calls

void VoiceControl::SetPollInterval(std::chrono::milliseconds interval) {
    {
        std::lock_guard<std::mutex> lock(poll_mutex_);
        poll_interval_ = interval;
    }
    poll_wake_.notify_all();
}

bool VoiceControl::Polling() const {
    std::lock_guard<std::mutex> lock(poll_mutex_);
    return poll_wanted_;
}

void VoiceControl::WatchCalls() {
    std::lock_guard<std::mutex> lock(poll_mutex_);
    poll_wanted_ = true;
    ++watch_gen_;
    if (!poll_thread_.joinable() && !poll_stop_)
        poll_thread_ = std::thread([this] { PollLoop(); });
    poll_wake_.notify_all();
}

void VoiceControl::PollLoop() {
    IClock& clock = context_.Clock();
    std::unique_lock<std::mutex> lock(poll_mutex_);
    while (!poll_stop_) {
        clock.WaitFor(poll_wake_, lock, poll_interval_, [this] { return poll_stop_ || poll_now_; });
        if (poll_stop_)
            break;
        poll_now_ = false;
        if (!poll_wanted_) {
            clock.WaitUntil(poll_wake_, lock, IClock::kNever,
                            [this] { return poll_stop_ || poll_wanted_; });
            continue;  // a call may be up now: its first listing after one interval
        }
        const std::uint64_t gen = watch_gen_;
        lock.unlock();
        const bool idle = PollOnce();
        lock.lock();
        if (idle && gen == watch_gen_)
            poll_wanted_ = false;
    }
}

bool VoiceControl::PollOnce() {
    if (!context_.Channel().IsOpen())
        return true;
    std::uint64_t seq = 0;
    {
        std::lock_guard<std::mutex> lock(state_mutex_);
        seq = ++seq_;
    }
    const Response r = context_.Query("AT+CLCC");
    if (!r.Ok()) {
        if (!IsRefusal(r))
            return false;  // a slow card: try again
        // Nothing to list with: the reports and NO CARRIER have to do, and a NO CARRIER that
        // came before the card was known to refuse ends the calls now.
        Deliver([this](std::vector<Event>* events) {
            clcc_refused_ = true;
            if (carrier_lost_)
                EndAll(events);
            carrier_lost_ = false;
        });
        return true;
    }
    const std::vector<CallEntry> calls = VoiceCallsOf(r, context_.CurrentCharset());
    bool idle = false;
    Deliver([&](std::vector<Event>* events) {
        Learn(calls, seq, events);
        idle = !anonymous_ && std::none_of(calls_.begin(), calls_.end(), [](const auto& c) {
            return c.second.phase != Phase::kEnded;
        });
    });
    return idle;
}

void VoiceControl::Learn(const std::vector<CallEntry>& calls, std::uint64_t seq,
                         std::vector<Event>* events) {
    last_listing_ = calls;
    carrier_lost_ = false;  // the listing shows which calls are left
    for (const CallEntry& call : calls) {
        auto it = calls_.find(call.id);
        if (it != calls_.end() && it->second.phase == Phase::kEnded && it->second.seq >= seq)
            continue;  // the listing was asked before this call ended
        if (it == calls_.end() || it->second.phase == Phase::kEnded)
            it = calls_.insert_or_assign(call.id, Track{Phase::kUp, seq, ++born_}).first;
        it->second.seq = std::max(it->second.seq, seq);
        if (IsUp(call.state))
            Connected(call.id, events);
    }
    if (!calls.empty() && anonymous_ && seq > anonymous_seq_)
        anonymous_ = false;  // the card lists it now, under its id
    for (auto& [id, track] : calls_) {
        const bool listed = std::any_of(calls.begin(), calls.end(),
                                        [id = id](const CallEntry& c) { return c.id == id; });
        if (!listed && track.phase != Phase::kEnded && track.seq < seq)
            Ended(id, events);
    }
    if (calls.empty() && anonymous_ && seq > anonymous_seq_) {
        anonymous_ = false;  // it ended before the card listed it
        events->push_back([](IVoiceEventHandler* h) { h->OnCallEnded(); });
        ForgetRinging();
    }
}

}  // namespace dedevev::at
