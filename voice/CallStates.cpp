// The four calls: each keeps its record and state, talks to the card through the current voice
// control, and files itself in its history list when it ends. Every operation first looks at
// the state and does nothing in a state it does not belong to. The manager serialises the
// operations; state_mutex_ only keeps readers on other threads from seeing a torn record.
#include <algorithm>
#include <chrono>

#include "device/DateTimeFields.h"
#include "device/DeviceStatus.h"
#include "device/base/Utf.h"
#include "voice/CallManager.h"

namespace dedevev {

namespace {

constexpr std::size_t kDtmfKept = 32;

std::int64_t NowMs(IClock& clock) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(clock.Now().time_since_epoch())
        .count();
}

// Runs a voice command on the current card; false without a card or when it failed.
template <typename Command>
bool Run(IVoiceControl* voice, Command command) {
    if (voice == nullptr)
        return false;
    int status = kStatusUntouched;
    command(voice, &status);
    return status == kStatusOk;
}

}  // namespace

// ---- CCallBase ----

CCallBase::CCallBase(CallContext* context, int idle_state)
    : context_(context), state_(idle_state) {}

int CCallBase::State() const {
    std::lock_guard<std::mutex> lock(state_mutex_);
    return state_;
}

CallRecord CCallBase::Record() const {
    std::lock_guard<std::mutex> lock(state_mutex_);
    return record_;
}

CallRecord CCallBase::CurrentRecord() {
    const std::int64_t now = NowMs(Clock());
    std::lock_guard<std::mutex> lock(state_mutex_);
    if (connect_tick_ != 0)
        record_.duration =
            static_cast<std::int32_t>(std::max<std::int64_t>(0, now - connect_tick_) / 1000);
    return record_;
}

bool CCallBase::Withheld() const {
    std::lock_guard<std::mutex> lock(state_mutex_);
    return withheld_;
}

bool CCallBase::IsConnected() const {
    std::lock_guard<std::mutex> lock(state_mutex_);
    return connect_tick_ != 0;
}

void CCallBase::AddListener(ICallStateListener* listener) {
    std::lock_guard<std::mutex> lock(listener_mutex_);
    if (listener != nullptr &&
        std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end())
        listeners_.push_back(listener);
}

void CCallBase::RemoveListener(ICallStateListener* listener) {
    std::lock_guard<std::mutex> lock(listener_mutex_);
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

void CCallBase::TellListeners() {
    std::lock_guard<std::mutex> lock(listener_mutex_);
    for (ICallStateListener* listener : listeners_)
        listener->OnCallStateChanged(this);
}

void CCallBase::SetParties(const std::u16string& number, const std::u16string& name) {
    const DateTimeFields start = ToDateTimeFields(Clock().LocalNow());
    std::lock_guard<std::mutex> lock(state_mutex_);
    record_.number = withheld_ ? std::u16string() : number;
    record_.name = withheld_ ? std::u16string() : name;
    record_.start = start;
    record_.duration = 0;
}

void CCallBase::MarkConnected() {
    // 0 means "not connected", so a clock standing at its very start still counts.
    const std::int64_t now = std::max<std::int64_t>(1, NowMs(Clock()));
    std::lock_guard<std::mutex> lock(state_mutex_);
    connect_tick_ = now;
}

void CCallBase::SetState(int state, bool notify) {
    {
        std::lock_guard<std::mutex> lock(state_mutex_);
        state_ = state;
    }
    if (notify)
        Notify();
}

void CCallBase::Notify() {
    if (context_ != nullptr && context_->defer_notify)
        context_->defer_notify(this);
    else
        TellListeners();
}

IVoiceControl* CCallBase::Voice() const {
    return context_ != nullptr && context_->voice ? context_->voice() : nullptr;
}

IClock& CCallBase::Clock() const {
    return context_ != nullptr && context_->clock != nullptr ? *context_->clock : ProcessClock();
}

bool CCallBase::File(ICallHistory* connected_list, ICallHistory* other_list) {
    const CallRecord record = CurrentRecord();
    bool connected = false;
    {
        std::lock_guard<std::mutex> lock(state_mutex_);
        connected = connect_tick_ != 0;
        connect_tick_ = 0;
    }
    if (ICallHistory* list = connected ? connected_list : other_list)
        list->Add(record, false);
    return connected;
}

// ---- CInCall ----

CInCall::CInCall(CallContext* context, ICallHistory* missed, ICallHistory* accepted)
    : CCallBase(context, kIdle), missed_(missed), accepted_(accepted) {}

void CInCall::OnRing(const std::u16string& number, bool withheld) {
    {
        std::lock_guard<std::mutex> lock(state_mutex_);
        withheld_ = withheld;
        if (withheld)
            record_.number.clear();
    }
    const int state = State();
    if (state == kIdle) {
        SetParties(number, u"");
        SetState(kRinging, true);
    } else if (state == kRinging && !number.empty()) {
        // The caller's number came after the first ring.
        SetParties(number, u"");
        Notify();
    }
}

void CInCall::Answer() {
    if (State() != kRinging)
        return;
    if (Run(Voice(), [](IVoiceControl* v, int* s) { v->VoiceAnswer(s); }))
        SetState(kAnswering, true);
}

void CInCall::OnConnected() {
    const int state = State();
    if (state != kRinging && state != kAnswering)
        return;
    MarkConnected();
    SetState(kTalking, true);
}

void CInCall::Reject() {
    const int state = State();
    if (state == kRejecting || state == kIdle)
        return;
    Run(Voice(), [](IVoiceControl* v, int* s) { v->VoiceHangUp(s); });
    SetState(kRejecting, false);
}

void CInCall::OnEnded() {
    if (State() == kIdle)
        return;
    File(accepted_, missed_);
    SetState(kIdle, true);
}

// ---- COutCall ----

COutCall::COutCall(CallContext* context, ICallHistory* dialed)
    : CCallBase(context, kIdle), dialed_(dialed) {}

bool COutCall::Dial(const std::u16string& number, const std::u16string& name) {
    if (State() != kIdle || number.empty())
        return false;
    {
        std::lock_guard<std::mutex> lock(state_mutex_);
        withheld_ = false;
        dtmf_sent_.clear();
    }
    SetParties(number, name);
    const std::string narrow = Utf16ToUtf8(number);
    if (!Run(Voice(), [&](IVoiceControl* v, int* s) { v->VoiceDial(narrow, s); }))
        return false;
    SetState(kDialing, true);
    return true;
}

void COutCall::OnConnected(int call_id) {
    {
        std::lock_guard<std::mutex> lock(state_mutex_);
        call_id_ = call_id;
    }
    if (State() != kDialing)
        return;
    MarkConnected();
    SetState(kTalking, true);
}

void COutCall::SendDtmf(char key) {
    if (State() != kTalking)
        return;
    const int id = CallId();
    if (!Run(Voice(), [&](IVoiceControl* v, int* s) { v->VoiceSendDtmf(id, key, s); }))
        return;
    std::lock_guard<std::mutex> lock(state_mutex_);
    dtmf_sent_.push_back(key);
    if (dtmf_sent_.size() > kDtmfKept)
        dtmf_sent_.erase(0, dtmf_sent_.size() - kDtmfKept);
}

void COutCall::HangUp() {
    const int state = State();
    if (state == kIdle || state == kHangingUp)
        return;
    Run(Voice(), [](IVoiceControl* v, int* s) { v->VoiceHangUp(s); });
    SetState(kHangingUp, false);
}

void COutCall::OnEnded() {
    if (State() == kIdle)
        return;
    File(dialed_, nullptr);  // a call nobody answered is not kept
    SetState(kIdle, true);
}

int COutCall::CallId() const {
    std::lock_guard<std::mutex> lock(state_mutex_);
    return call_id_;
}

std::string COutCall::DtmfSent() const {
    std::lock_guard<std::mutex> lock(state_mutex_);
    return dtmf_sent_;
}

// ---- C3WayCall ----

C3WayCall::C3WayCall(CallContext* context, ICallHistory* dialed, std::string join_text)
    : CCallBase(context, kIdle), dialed_(dialed), join_text_(std::move(join_text)) {}

bool C3WayCall::Dial(const std::u16string& number) {
    if (State() != kIdle)
        return false;
    const std::string narrow = Utf16ToUtf8(number);
    if (!Run(Voice(), [&](IVoiceControl* v, int* s) { v->VoiceSendFlash(narrow, s); }))
        return false;
    {
        std::lock_guard<std::mutex> lock(state_mutex_);
        withheld_ = false;
        joined_ = false;
    }
    SetParties(number, u"");
    MarkConnected();
    SetState(kActive, true);
    return true;
}

void C3WayCall::Join() {
    if (State() != kActive || Joined())
        return;
    IVoiceControl* voice = Voice();
    if (!join_text_.empty()) {
        Run(voice, [&](IVoiceControl* v, int* s) { v->VoiceSendFlash(join_text_, s); });
        // The network needs a moment between the text and the join.
        Clock().SleepFor(std::chrono::milliseconds(100), nullptr);
    }
    Run(voice, [](IVoiceControl* v, int* s) { v->VoiceJoin(s); });
    {
        std::lock_guard<std::mutex> lock(state_mutex_);
        joined_ = true;
    }
    Notify();
}

void C3WayCall::End() {
    if (State() != kActive)
        return;
    Run(Voice(), [](IVoiceControl* v, int* s) { v->VoiceEndSecond(s); });
    File(dialed_, nullptr);
    {
        std::lock_guard<std::mutex> lock(state_mutex_);
        joined_ = false;
    }
    SetState(kIdle, true);
}

bool C3WayCall::Joined() const {
    std::lock_guard<std::mutex> lock(state_mutex_);
    return joined_;
}

// ---- CWaitingCall ----

CWaitingCall::CWaitingCall(CallContext* context, ICallHistory* missed, ICallHistory* accepted)
    : CCallBase(context, kIdle), missed_(missed), accepted_(accepted) {}

// A repeated report of the call already taken leaves it alone: starting it over would lose
// its talk time. A repeat while it still waits may bring the number that was missing.
void CWaitingCall::OnWaiting(const std::u16string& number, bool withheld) {
    const int state = State();
    if (state == kTalking || (state == kWaiting && number.empty()))
        return;
    {
        std::lock_guard<std::mutex> lock(state_mutex_);
        withheld_ = withheld;
    }
    SetParties(number, u"");
    SetState(kWaiting, true);
}

void CWaitingCall::Answer() {
    if (State() != kWaiting)
        return;
    if (!Run(Voice(), [](IVoiceControl* v, int* s) { v->VoiceAcceptWaiting(s); }))
        return;
    MarkConnected();
    SetState(kTalking, true);
}

void CWaitingCall::Swap() {
    if (State() == kTalking)
        Run(Voice(), [](IVoiceControl* v, int* s) { v->VoiceSwapWaiting(s); });
}

void CWaitingCall::End() {
    if (State() == kIdle)
        return;
    Run(Voice(), [](IVoiceControl* v, int* s) { v->VoiceEndSecond(s); });
    OnEnded();
}

void CWaitingCall::OnEnded() {
    if (State() == kIdle)
        return;
    File(accepted_, missed_);
    SetState(kIdle, true);
}

}  // namespace dedevev
