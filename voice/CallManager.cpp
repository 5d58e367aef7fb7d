// The call manager: card events and user operations on the four calls, the dial buffer, the
// numbers kept for calling back and redialling, and the key tones.
#include "voice/CallManager.h"

#include <array>
#include <cmath>
#include <string_view>
#include <thread>
#include <utility>

#include "core/AppSettings.h"
#include "core/Customization.h"
#include "device/DeviceStatus.h"
#include "device/base/Utf.h"

namespace dedevev {

namespace {

constexpr std::size_t kDialBufferMax = 32;
constexpr int kCardToneMs = 200;
constexpr int kSynthToneMs = 80;
constexpr std::string_view kKeys = "123456789*0#+HRCD";

// The key's place in the key table, or -1.
int KeyIndex(char key) {
    const std::size_t at = kKeys.find(key);
    return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

// The scale the key tones walk: a whole tone up, but a half tone at every step i with i mod 8
// equal to 3 or 7.
int Step(int i) {
    return i % 8 == 3 || i % 8 == 7 ? 1 : 2;
}

std::string JoinText(const ICustomization* customization) {
    return customization != nullptr ? Utf16ToUtf8(customization->ThreeWayJoinText())
                                    : std::string();
}

}  // namespace

// Holds the manager's lock; when the outermost hold ends, the lock is let go first and the
// state changes gathered meanwhile are told after, in order.
class CCallManager::Locked {
public:
    explicit Locked(CCallManager& manager) : manager_(manager) {
        manager_.mutex_.lock();
        if (manager_.depth_++ == 0)
            manager_.owner_ = std::this_thread::get_id();
    }
    ~Locked() {
        std::vector<CCallBase*> tell;
        if (--manager_.depth_ == 0) {
            tell.swap(manager_.pending_);
            manager_.owner_ = std::thread::id();
        }
        manager_.mutex_.unlock();
        for (CCallBase* call : tell)
            call->TellListeners();
    }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    CCallManager& manager_;
};

CCallManager::CCallManager(CallManagerEnvironment env)
    : env_(std::move(env)),
      context_{
          [this]() -> IVoiceControl* { return card_gone_ || !env_.voice ? nullptr : env_.voice(); },
          env_.clock != nullptr ? env_.clock : &ProcessClock(),
          [this](CCallBase* call) {
              // A call used directly, outside the manager's lock, tells at once.
              if (owner_.load() == std::this_thread::get_id())
                  pending_.push_back(call);
              else
                  call->TellListeners();
          }},
      incoming_(&context_, env_.missed, env_.accepted),
      outgoing_(&context_, env_.dialed),
      three_way_(&context_, env_.dialed, JoinText(env_.customization)),
      waiting_(&context_, env_.missed, env_.accepted) {
    if (env_.dialed != nullptr) {
        CallRecord record;
        for (int i = 0; env_.dialed->Get(&record, i); ++i) {
            if (!record.number.empty()) {
                last_number_ = record.number;
                last_name_ = record.name;
                break;
            }
        }
    }
    std::lock_guard<std::mutex> lock(register_mutex_);
    Register(env_.voice ? env_.voice() : nullptr);
}

CCallManager::~CCallManager() {
    Shutdown();
}

void CCallManager::Shutdown() {
    {
        std::lock_guard<std::mutex> lock(register_mutex_);
        Register(nullptr);
    }
    Locked hold(*this);
    waiting_.End();
    card_gone_ = true;
    EndCalls();
}

bool CCallManager::Register(IVoiceControl* control) {
    if (registered_ == control)
        return false;
    if (registered_ != nullptr)
        registered_->SetVoiceEventHandler(nullptr);
    registered_ = control;
    if (control != nullptr)
        control->SetVoiceEventHandler(this);
    return true;
}

void CCallManager::CardChanged() {
    MoveTo(env_.voice ? env_.voice() : nullptr);
}

void CCallManager::CardGone() {
    MoveTo(nullptr);
}

void CCallManager::MoveTo(IVoiceControl* now) {
    std::lock_guard<std::mutex> lock(register_mutex_);
    IVoiceControl* before = registered_;
    if (before == now)
        return;
    // Withdraw first, so that no event of the old card comes in while its calls are ended.
    if (before != nullptr)
        before->SetVoiceEventHandler(nullptr);
    registered_ = nullptr;
    if (before != nullptr) {
        // The card that carried the calls is gone: what was up ends here and is filed, and
        // nothing of it is said to any card.
        Locked hold(*this);
        card_gone_ = true;
        EndCalls();
        card_gone_ = false;
    }
    Register(now);
}

// ---- card events (library thread)

void CCallManager::OnCallSetup() {
    Locked hold(*this);
}

void CCallManager::OnCallStatus() {
    Locked hold(*this);
}

void CCallManager::OnIncomingCall(const std::string& number, bool withheld) {
    Locked hold(*this);
    last_call_.reset();
    last_second_.reset();
    dial_number_.clear();
    dial_name_.clear();
    current_ = &incoming_;
    incoming_.OnRing(Utf8ToUtf16(number), withheld);
}

void CCallManager::OnCallWaiting(const std::string& number, bool withheld) {
    Locked hold(*this);
    if (env_.customization != nullptr && !env_.customization->CallWaitingAllowed())
        return;
    second_ = &waiting_;
    waiting_.OnWaiting(Utf8ToUtf16(number), withheld);
}

void CCallManager::OnCallConnected(int call_id) {
    Locked hold(*this);
    outgoing_.OnConnected(call_id);
    incoming_.OnConnected();
}

void CCallManager::OnCallEnded() {
    bool ask_card = false;
    {
        Locked hold(*this);
        ask_card = std::exchange(second_dropped_, false) && current_ != nullptr;
    }
    if (ask_card) {
        // The end may be that of the party this program dropped: the first call goes on when
        // the card still lists a call. Asked without the lock; the card may take a while.
        IVoiceControl* voice = context_.voice();
        int status = kStatusUntouched;
        const int calls = voice != nullptr ? voice->GetCallState(&status) : 0;
        if (status == kStatusOk && calls > 0)
            return;
    }
    Locked hold(*this);
    EndCalls();
}

void CCallManager::OnCallInfo(const std::string& text) {
    std::function<void()> sink;
    {
        Locked hold(*this);
        info_text_ = Utf8ToUtf16(text);
        sink = info_sink_;
    }
    if (sink)
        sink();
}

void CCallManager::EndCalls() {
    if (current_ != nullptr) {
        last_was_incoming_ = current_ == &incoming_;
        last_call_ = current_->CurrentRecord();
        current_ = nullptr;
        outgoing_.OnEnded();
        incoming_.OnEnded();
    }
    if (second_ != nullptr) {
        last_second_ = second_->CurrentRecord();
        three_way_.End();
        waiting_.OnEnded();
        second_ = nullptr;
    }
    second_dropped_ = false;
}

// ---- user operations (window thread)

void CCallManager::PressKey(char key) {
    Locked hold(*this);
    if (current_ == nullptr && dial_number_.size() < kDialBufferMax)
        dial_number_.push_back(static_cast<char16_t>(static_cast<unsigned char>(key)));
    // "+" belongs to a number; it has no tone.
    if (current_ == &outgoing_ && outgoing_.IsActive() && key != '+')
        outgoing_.SendDtmf(key);
}

void CCallManager::KeyFeedback(char key, bool synthesised) {
    if (synthesised) {
        if (env_.play_key_tone)
            env_.play_key_tone(SynthToneHz(key), kSynthToneMs);
        return;
    }
    const int hz = CardToneHz(key);
    IVoiceControl* voice = context_.voice();
    if (hz != 0 && voice != nullptr) {
        int status = kStatusUntouched;
        voice->VoicePlayTone(static_cast<std::uint16_t>(hz), kCardToneMs, &status);
    }
}

void CCallManager::Backspace() {
    Locked hold(*this);
    if (current_ != nullptr)
        return;
    if (!dial_number_.empty())
        dial_number_.pop_back();
    if (dial_number_.empty()) {
        last_call_.reset();
        last_second_.reset();
    }
}

void CCallManager::Send() {
    Locked hold(*this);
    const ICustomization* custom = env_.customization;
    if (current_ != nullptr) {
        if (current_ == &incoming_)
            incoming_.Answer();
    } else {
        if (dial_number_.empty() && last_call_ &&
            (custom == nullptr || custom->CallBackLastAllowed())) {
            dial_number_ = last_call_->number;
            dial_name_ = last_call_->name;
        }
        if (custom != nullptr && custom->InternationalPrefixRule() && env_.rings &&
            !dial_number_.empty() && dial_number_.front() == u'+') {
            const RingSetting rings = env_.rings();
            if (rings.international_call) {
                std::u16string replaced;
                for (char16_t c : dial_number_) {
                    if (c == u'+')
                        replaced += rings.international_code;
                    else
                        replaced.push_back(c);
                }
                dial_number_ = std::move(replaced);
            }
        }
        if (!dial_number_.empty() && outgoing_.Dial(dial_number_, dial_name_)) {
            last_call_.reset();
            last_second_.reset();
            current_ = &outgoing_;
            last_number_ = std::exchange(dial_number_, std::u16string());
            last_name_ = std::exchange(dial_name_, std::u16string());
        }
    }
    if (second_ == &waiting_)
        waiting_.Answer();
}

void CCallManager::HangUp() {
    Locked hold(*this);
    if (current_ != nullptr) {
        outgoing_.HangUp();
        incoming_.Reject();
        EndCalls();
        return;
    }
    dial_number_.clear();
    dial_name_.clear();
    last_call_.reset();
    last_second_.reset();
}

bool CCallManager::CanAddParty() {
    Locked hold(*this);
    return current_ != nullptr && current_->IsActive() && second_ == nullptr;
}

void CCallManager::Flash(const std::u16string& number) {
    Locked hold(*this);
    if (current_ == nullptr || !current_->IsActive())
        return;
    if (!number.empty() && second_ == nullptr) {
        // Only a party the card did call becomes the second party; a refused flash leaves
        // the call as it was, free to try again.
        if (three_way_.Dial(number))
            second_ = &three_way_;
    } else if (second_ == &three_way_) {
        if (three_way_.Joined()) {
            three_way_.End();
            second_ = nullptr;
            second_dropped_ = true;
        } else {
            three_way_.Join();
        }
    } else if (second_ == &waiting_) {
        if (waiting_.State() == CWaitingCall::kWaiting)
            waiting_.Answer();
        else
            waiting_.Swap();
    }
}

void CCallManager::Redial() {
    Locked hold(*this);
    if (current_ != nullptr || last_number_.empty())
        return;
    dial_number_ = last_number_;
    dial_name_ = last_name_;
    Send();
}

void CCallManager::DialNumber(const std::u16string& number, const std::u16string& name) {
    Locked hold(*this);
    if (current_ != nullptr)
        return;
    dial_number_ = number;
    dial_name_ = name;
    Send();
}

void CCallManager::RejectOrDropWaiting() {
    Locked hold(*this);
    if (!incoming_.IsIdle()) {
        incoming_.Reject();
    } else if (waiting_.IsActive()) {
        waiting_.End();
        second_ = nullptr;
        second_dropped_ = current_ != nullptr;
    }
}

// ---- read access

CCallBase* CCallManager::Current() {
    Locked hold(*this);
    return current_;
}

CCallBase* CCallManager::Second() {
    Locked hold(*this);
    return second_;
}

bool CCallManager::LastWasIncoming() {
    Locked hold(*this);
    return last_was_incoming_;
}

std::optional<CallRecord> CCallManager::LastCall() {
    Locked hold(*this);
    return last_call_;
}

std::optional<CallRecord> CCallManager::LastSecond() {
    Locked hold(*this);
    return last_second_;
}

std::u16string CCallManager::DialBuffer() {
    Locked hold(*this);
    return current_ != nullptr ? std::u16string() : dial_number_;
}

std::u16string CCallManager::LastNumber() {
    Locked hold(*this);
    return last_number_;
}

std::u16string CCallManager::InfoText() {
    Locked hold(*this);
    return info_text_;
}

void CCallManager::SetInfoSink(std::function<void()> sink) {
    Locked hold(*this);
    info_sink_ = std::move(sink);
}

// ---- key tones

int CCallManager::CardToneHz(char key) {
    static const auto table = [] {
        std::array<int, kKeys.size()> hz{};
        int semitones = 0;
        for (std::size_t i = 0; i < hz.size(); ++i) {
            if (i > 0)
                semitones += Step(static_cast<int>(i));
            hz[i] = static_cast<int>(440.0 * std::pow(2.0, semitones / 12.0));
        }
        return hz;
    }();
    const int index = KeyIndex(key);
    return index < 0 ? table[0] : table[static_cast<std::size_t>(index)];
}

int CCallManager::SynthToneHz(char key) {
    int index = KeyIndex(key);
    if (index < 0)
        index = static_cast<int>(kKeys.size());
    int note = 60;
    for (int j = 0; j < index; ++j)
        note += Step(j);
    return static_cast<int>(std::lround(440.0 * std::pow(2.0, (note - 69) / 12.0)));
}

}  // namespace dedevev
