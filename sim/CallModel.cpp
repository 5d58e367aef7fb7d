#include "sim/CallModel.h"

#include <algorithm>
#include <utility>

namespace dedevev::sim {

namespace {
constexpr int kNotAllowed = 3;
constexpr int kNotSupported = 4;
constexpr int kDialStringTooLong = 26;
constexpr int kInvalidDialString = 27;
constexpr std::size_t kMaxDigits = 40;
}  // namespace

const char* CallStateName(CallState state) {
    switch (state) {
        case CallState::kActive:
            return "active";
        case CallState::kHeld:
            return "held";
        case CallState::kDialing:
            return "dialing";
        case CallState::kAlerting:
            return "alerting";
        case CallState::kIncoming:
            return "incoming";
        case CallState::kWaiting:
            return "waiting";
    }
    return "?";
}

bool IsDialString(std::string_view number) {
    if (!number.empty() && number[0] == '+')
        number.remove_prefix(1);
    if (number.empty())
        return false;
    return std::all_of(number.begin(), number.end(),
                       [](char c) { return (c >= '0' && c <= '9') || c == '*' || c == '#'; });
}

const VoiceCall* CallModel::Find(int id) const {
    for (const VoiceCall& call : calls_) {
        if (call.id == id)
            return &call;
    }
    return nullptr;
}

VoiceCall* CallModel::Get(int id) {
    return const_cast<VoiceCall*>(Find(id));
}

VoiceCall* CallModel::FirstIn(CallState state) {
    for (VoiceCall& call : calls_) {
        if (call.state == state)
            return &call;
    }
    return nullptr;
}

bool CallModel::Talking() const {
    return std::any_of(calls_.begin(), calls_.end(),
                       [](const VoiceCall& c) { return c.state == CallState::kActive; });
}

int CallModel::NewId() const {
    int id = 1;
    while (Find(id) || (data_ && data_->id == id))
        ++id;
    return id;
}

void CallModel::Notice(CallNotice::Kind kind, const VoiceCall* call, int cause, std::string text) {
    using Kind = CallNotice::Kind;
    const bool extension =
        kind == Kind::kOrig || kind == Kind::kConn || kind == Kind::kEnd || kind == Kind::kInfo;
    if (extension && !reports_)
        return;
    CallNotice notice;
    notice.kind = kind;
    if (call)
        notice.call = *call;
    notice.cause = cause;
    notice.text = std::move(text);
    notices_.push_back(std::move(notice));
}

std::vector<CallNotice> CallModel::TakeNotices() {
    std::vector<CallNotice> out;
    out.swap(notices_);
    return out;
}

void CallModel::Advance(std::int64_t now_ms) {
    now_ = now_ms;
    for (std::size_t i = 0; i < calls_.size(); ++i) {
        VoiceCall& call = calls_[i];
        if (call.state == CallState::kDialing && call.alert_due >= 0 && call.alert_due <= now_) {
            call.state = CallState::kAlerting;
            call.alert_due = -1;
        }
        if ((call.state == CallState::kDialing || call.state == CallState::kAlerting) &&
            call.connect_due >= 0 && call.connect_due <= now_) {
            Connect(call);
        }
        if (call.state == CallState::kIncoming && call.ring_due >= 0 && call.ring_due <= now_) {
            call.ring_due = now_ + kRingIntervalMs;
            Notice(CallNotice::Kind::kRing, &call);
        }
    }
}

std::int64_t CallModel::NextDue() const {
    std::int64_t next = -1;
    auto consider = [&next](std::int64_t due) {
        if (due >= 0 && (next < 0 || due < next))
            next = due;
    };
    for (const VoiceCall& call : calls_) {
        if (call.state == CallState::kDialing)
            consider(call.alert_due);
        if (call.state == CallState::kDialing || call.state == CallState::kAlerting)
            consider(call.connect_due);
        if (call.state == CallState::kIncoming)
            consider(call.ring_due);
    }
    return next;
}

VoiceCall& CallModel::Originate(std::string_view number) {
    VoiceCall call;
    call.id = NewId();
    call.outgoing = true;
    call.state = CallState::kDialing;
    call.number = std::string(number);
    call.alert_due = now_ + std::min<std::int64_t>(kAlertDelayMs, std::max(auto_answer_ms_, 1));
    if (auto_answer_ms_ > 0)
        call.connect_due = now_ + auto_answer_ms_;
    calls_.push_back(call);
    Notice(CallNotice::Kind::kOrig, &calls_.back());
    return calls_.back();
}

void CallModel::Connect(VoiceCall& call) {
    call.state = CallState::kActive;
    call.alert_due = call.connect_due = call.ring_due = -1;
    Notice(CallNotice::Kind::kConn, &call);
}

void CallModel::End(int id, int cause, bool remote) {
    const auto it =
        std::find_if(calls_.begin(), calls_.end(), [id](const VoiceCall& c) { return c.id == id; });
    if (it == calls_.end())
        return;
    const VoiceCall ended = *it;
    calls_.erase(it);
    Notice(CallNotice::Kind::kEnd, &ended, cause);
    Tidy();
    if (calls_.empty() && remote)
        Notice(CallNotice::Kind::kNoCarrier, nullptr);
}

// After a call ended: a conference of one is no conference; with nothing talking a waiting
// call starts to ring (GSM) and a CDMA card, which has no real hold, talks to who is left.
void CallModel::Tidy() {
    const auto in_conference = std::count_if(calls_.begin(), calls_.end(),
                                             [](const VoiceCall& c) { return c.multiparty; });
    if (in_conference < 2) {
        for (VoiceCall& call : calls_)
            call.multiparty = false;
    }
    const bool busy = std::any_of(calls_.begin(), calls_.end(), [](const VoiceCall& c) {
        return c.state == CallState::kActive || c.state == CallState::kHeld ||
               c.state == CallState::kDialing || c.state == CallState::kAlerting;
    });
    if (!gsm_ && !Talking()) {
        if (VoiceCall* held = FirstIn(CallState::kHeld)) {
            held->state = CallState::kActive;
            return;
        }
    }
    if (!busy && promote_waiting_) {
        if (VoiceCall* waiting = FirstIn(CallState::kWaiting)) {
            waiting->state = CallState::kIncoming;
            waiting->ring_due = now_;
            Advance(now_);
        }
    }
}

int CallModel::Dial(std::string_view number, int* id) {
    if (!IsDialString(number))
        return kInvalidDialString;
    if (number.size() - (number[0] == '+') > kMaxDigits)
        return kDialStringTooLong;
    const bool ringing = FirstIn(CallState::kIncoming) || FirstIn(CallState::kWaiting) ||
                         FirstIn(CallState::kDialing) || FirstIn(CallState::kAlerting);
    if (!calls_.empty()) {
        // Only a GSM card dials a second party, and only from one talking call.
        if (!gsm_ || ringing || FirstIn(CallState::kHeld) || !Talking())
            return kNotAllowed;
        for (VoiceCall& call : calls_)
            call.state = CallState::kHeld;
    }
    *id = Originate(number).id;
    return 0;
}

bool CallModel::Answer() {
    VoiceCall* call = FirstIn(CallState::kIncoming);
    if (!call)
        return false;
    Connect(*call);
    return true;
}

void CallModel::HangUpAll() {
    promote_waiting_ = false;
    while (!calls_.empty()) {
        const VoiceCall& call = calls_.front();
        const bool rejected =
            call.state == CallState::kIncoming || call.state == CallState::kWaiting;
        End(call.id, rejected ? cause::kRejected : cause::kNormal, false);
    }
    promote_waiting_ = true;
}

int CallModel::Hold(std::string_view arg) {
    promote_waiting_ = false;
    const int result = HoldOperation(arg);
    promote_waiting_ = true;
    return result;
}

int CallModel::HoldOperation(std::string_view arg) {
    if (!gsm_)
        return kNotSupported;
    if (arg.empty() || arg.size() > 3 ||
        !std::all_of(arg.begin(), arg.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return 50;
    const char op = arg[0];
    const int x = arg.size() > 1 ? std::stoi(std::string(arg.substr(1))) : 0;
    VoiceCall* waiting = FirstIn(CallState::kWaiting);
    auto ids_in = [this](CallState state) {
        std::vector<int> ids;
        for (const VoiceCall& call : calls_) {
            if (call.state == state)
                ids.push_back(call.id);
        }
        return ids;
    };
    const std::vector<int> active = ids_in(CallState::kActive);
    const std::vector<int> held = ids_in(CallState::kHeld);
    switch (op) {
        case '0':
            if (x != 0)
                return kNotAllowed;
            if (waiting) {
                End(waiting->id, cause::kRejected, false);
                return 0;
            }
            if (held.empty())
                return kNotAllowed;
            for (int id : held)
                End(id, cause::kNormal, false);
            return 0;
        case '1': {
            if (x != 0) {
                if (!Get(x))
                    return kNotAllowed;
                End(x, cause::kNormal, false);
                return 0;
            }
            if (active.empty() && !waiting && held.empty())
                return kNotAllowed;
            const int accept = waiting ? waiting->id : 0;
            for (int id : active)
                End(id, cause::kNormal, false);
            if (VoiceCall* call = accept ? Get(accept) : nullptr) {
                if (call->state != CallState::kActive)
                    Connect(*call);
            } else {
                for (int id : held)
                    Get(id)->state = CallState::kActive;
            }
            return 0;
        }
        case '2':
            if (x != 0) {
                VoiceCall* keep = Get(x);
                if (!keep || keep->state != CallState::kActive || !keep->multiparty)
                    return kNotAllowed;
                for (int id : active)
                    Get(id)->state = CallState::kHeld;
                keep->state = CallState::kActive;
                keep->multiparty = false;
                Tidy();
                return 0;
            }
            if (waiting) {
                const int id = waiting->id;
                for (int a : active)
                    Get(a)->state = CallState::kHeld;
                Connect(*Get(id));
                return 0;
            }
            if (active.empty() && held.empty())
                return kNotAllowed;
            for (int id : active)
                Get(id)->state = CallState::kHeld;
            for (int id : held)
                Get(id)->state = CallState::kActive;
            return 0;
        case '3':
            if (x != 0 || active.empty() || held.empty())
                return kNotAllowed;
            for (VoiceCall& call : calls_) {
                if (call.state == CallState::kActive || call.state == CallState::kHeld) {
                    call.state = CallState::kActive;
                    call.multiparty = true;
                }
            }
            return 0;
        default:
            return kNotAllowed;
    }
}

int CallModel::Flash(bool with_number, std::string_view number) {
    if (gsm_)
        return kNotSupported;
    if (calls_.empty())
        return kNotAllowed;
    if (with_number) {
        if (!IsDialString(number))
            return kInvalidDialString;
        if (calls_.size() != 1 || calls_[0].state != CallState::kActive)
            return kNotAllowed;
        calls_[0].state = CallState::kHeld;
        Originate(number);
        return 0;
    }
    if (VoiceCall* waiting = FirstIn(CallState::kWaiting)) {
        const int id = waiting->id;
        for (VoiceCall& call : calls_) {
            if (call.state == CallState::kActive)
                call.state = CallState::kHeld;
        }
        Connect(*Get(id));
        return 0;
    }
    if (calls_.size() < 2)
        return 0;  // nothing for the network to do with a flash
    VoiceCall& first = calls_[0];
    VoiceCall& second = calls_[1];
    if (second.state == CallState::kDialing || second.state == CallState::kAlerting) {
        End(second.id, cause::kNormal, false);  // the third party is given up
    } else if (second.via_waiting) {
        std::swap(first.state, second.state);  // toggles between the two parties
    } else if (!second.multiparty) {
        first.state = second.state = CallState::kActive;
        first.multiparty = second.multiparty = true;
    } else {
        End(second.id, cause::kNormal, false);  // a flash drops the third party
    }
    return 0;
}

int CallModel::SendDtmf(std::string_view keys) {
    if (!Talking())
        return kNotAllowed;
    std::vector<std::string> sent;
    for (char c : keys) {
        if (c == ',')
            continue;
        const char key = (c >= 'a' && c <= 'd') ? static_cast<char>(c - 'a' + 'A') : c;
        if (!((key >= '0' && key <= '9') || key == '*' || key == '#' || (key >= 'A' && key <= 'D')))
            return 50;
        sent.push_back(std::string(1, key));
    }
    if (sent.empty())
        return 50;
    dtmf_log_.insert(dtmf_log_.end(), sent.begin(), sent.end());
    return 0;
}

void CallModel::PlayTone(int hz, int ms) {
    dtmf_log_.push_back("tone:" + std::to_string(hz) + "," + std::to_string(ms));
}

bool CallModel::ParseWho(std::string_view who, VoiceCall* call, std::string* error) const {
    if (who == "withheld") {
        call->withheld = true;
    } else if (who == "unknown") {
        call->number_known = false;
    } else if (IsDialString(who) && who.size() <= kMaxDigits + 1) {
        call->number = std::string(who);
    } else {
        *error = "a number (digits, * and # with an optional +), withheld or unknown";
        return false;
    }
    return true;
}

bool CallModel::Incoming(std::string_view who, std::string* error) {
    if (!calls_.empty()) {
        *error = "a call is in progress (use call-waiting during a talking call)";
        return false;
    }
    VoiceCall call;
    if (!ParseWho(who, &call, error))
        return false;
    call.id = NewId();
    call.state = CallState::kIncoming;
    call.ring_due = now_;
    calls_.push_back(call);
    Advance(now_);
    return true;
}

bool CallModel::LateNumber(std::string_view number, std::string* error) {
    VoiceCall* call = nullptr;
    for (VoiceCall& c : calls_) {
        if (!c.outgoing && !c.number_known)
            call = &c;
    }
    if (!call || !IsDialString(number)) {
        *error = call ? "usage: call-number <number>" : "no incoming call waits for its number";
        return false;
    }
    call->number = std::string(number);
    call->number_known = true;
    if (call->state == CallState::kIncoming)
        Notice(CallNotice::Kind::kClip, call);
    else if (call->state == CallState::kWaiting)
        Notice(CallNotice::Kind::kWaiting, call);
    return true;
}

bool CallModel::CallWaiting(std::string_view who, std::string* error) {
    if (!Talking() || FirstIn(CallState::kWaiting) || calls_.size() >= 2) {
        *error = "call waiting needs one talking call and no second one";
        return false;
    }
    VoiceCall call;
    if (who == "unknown" || !ParseWho(who, &call, error)) {
        *error = "usage: call-waiting <number|withheld>";
        return false;
    }
    call.id = NewId();
    call.state = CallState::kWaiting;
    call.via_waiting = true;
    calls_.push_back(call);
    Notice(CallNotice::Kind::kWaiting, &calls_.back());
    return true;
}

bool CallModel::RemoteAnswer(std::string* error) {
    for (VoiceCall& call : calls_) {
        if (call.state == CallState::kDialing || call.state == CallState::kAlerting) {
            Connect(call);
            return true;
        }
    }
    *error = "no outgoing call is ringing";
    return false;
}

bool CallModel::RemoteBusy(std::string* error) {
    for (const VoiceCall& call : calls_) {
        if (call.state == CallState::kDialing || call.state == CallState::kAlerting) {
            End(call.id, cause::kBusy, true);
            return true;
        }
    }
    *error = "no outgoing call is being set up";
    return false;
}

bool CallModel::RemoteEnd(int id, std::string* error) {
    if (id != 0) {
        if (!Find(id)) {
            *error = "no call " + std::to_string(id);
            return false;
        }
        End(id, cause::kNormal, true);
        return true;
    }
    if (calls_.empty()) {
        *error = "no call";
        return false;
    }
    promote_waiting_ = false;
    while (!calls_.empty())
        End(calls_.front().id, cause::kNormal, true);
    promote_waiting_ = true;
    return true;
}

void CallModel::NetworkInfo(std::string_view text) {
    Notice(CallNotice::Kind::kInfo, nullptr, 0, std::string(text));
}

void CallModel::PowerUp() {
    calls_.clear();
    notices_.clear();
    voice_path_ = false;
    data_.reset();
    carrier_lost_ = false;
}

void CallModel::DialData(std::string_view number) {
    data_ = DataCall{NewId(), std::string(number), true, ++data_serial_};
    carrier_lost_ = false;
}

void CallModel::SetDataOnline(bool online) {
    if (data_)
        data_->online = online;
}

void CallModel::EndData(bool carrier_lost) {
    if (!data_)
        return;
    data_.reset();
    carrier_lost_ = carrier_lost;
}

bool CallModel::TakeCarrierLost() {
    return std::exchange(carrier_lost_, false);
}

int CallModel::Activity() const {
    const bool ringing_only = std::all_of(calls_.begin(), calls_.end(), [](const VoiceCall& c) {
        return c.state == CallState::kIncoming || c.state == CallState::kWaiting;
    });
    if (calls_.empty() && !data_)
        return 0;
    return ringing_only && !data_ ? 3 : 4;
}

}  // namespace dedevev::sim
