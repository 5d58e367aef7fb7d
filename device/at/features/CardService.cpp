#include "device/at/features/CardService.h"

#include <algorithm>

#include "device/at/features/ModemAgent.h"
#include "device/base/Clock.h"

namespace dedevev::at {

namespace {

// How long a request that the card took waits for a result already on its way.
constexpr std::chrono::milliseconds kUssdSettle{200};

// +CME ERROR numbers that no other encoding of a USSD request can cure: the SIM is missing,
// locked or failing, or there is no network.
bool IsFinalUssdError(const Response& r) {
    if (r.final != Final::kCmeError) {
        return false;
    }
    return (r.error_code >= 10 && r.error_code <= 18) || (r.error_code >= 30 && r.error_code <= 32);
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

}  // namespace

std::optional<std::string> ReadPinState(ModemContext& context, bool settle, Response* last) {
    constexpr std::chrono::milliseconds kPause{500};
    IClock& clock = context.Clock();
    const IClock::TimePoint deadline = clock.Now() + context.timeouts().sim;
    while (true) {
        const Response r = context.Query("AT+CPIN?");
        if (last != nullptr) {
            *last = r;
        }
        std::optional<std::string> state;
        if (r.Ok()) {
            state = ParseCpin(r.lines);
        } else if (r.final == Final::kCmeError) {
            if (std::string named = CardStatusOfCmeError(r.error_code); !named.empty()) {
                state = std::move(named);
            }
        }
        // A SIM that is starting: busy, or just after the radio came on briefly not found (or
        // only a plain ERROR from a card without numeric errors).
        const bool plain_error =
            r.final == Final::kError && context.Has(ModemContext::kCmee) != Support::kYes;
        const bool starting =
            state == "SIM BUSY" ||
            ((state == "SIM NOT INSERTED" || plain_error) && context.SimStarting());
        if (!settle || !starting || clock.Now() + kPause >= deadline) {
            return state;
        }
        clock.SleepFor(kPause, nullptr);
    }
}

bool IsValidPinText(const std::string& pin) {
    return !pin.empty() && pin.size() <= 16 &&
           std::all_of(pin.begin(), pin.end(), [](char c) { return c >= '0' && c <= '9'; });
}

CardService::CardService(ModemContext& context) : context_(context) {
    listener_id_ = context_.Channel().AddListener(
        "+CUSD:", [this](const std::string& line) { OnUssdResult(line); });
}

CardService::~CardService() {
    context_.Channel().RemoveListener(listener_id_);
}

void CardService::Reset() {
    session_.Reset();
}

// ---- PIN and PUK ------------------------------------------------------------------------

std::optional<std::string> CardService::PinState(int* status) {
    std::optional<std::string> state = ReadPinState(context_, true);
    if (state) {
        SetStatus(status, kStatusOk);
    }
    return state;
}

bool CardService::IsPinRequired(int* status) {
    const std::optional<std::string> state = PinState(status);
    return state && *state == "SIM PIN";
}

bool CardService::IsPukRequired(int* status) {
    const std::optional<std::string> state = PinState(status);
    return state && *state == "SIM PUK";
}

void CardService::VerifyPin(const std::string& pin, int* status) {
    if (!IsValidPinText(pin)) {
        return;
    }
    if (context_.Run("AT+CPIN=" + Quoted(pin), context_.timeouts().pin).Ok()) {
        SetStatus(status, kStatusOk);
    }
}

void CardService::UnlockWithPuk(const std::string& puk, const std::string& new_pin, int* status) {
    if (!IsValidPinText(puk) || !IsValidPinText(new_pin)) {
        return;
    }
    const std::string command = "AT+CPIN=" + Quoted(puk) + "," + Quoted(new_pin);
    if (context_.Run(command, context_.timeouts().pin).Ok()) {
        SetStatus(status, kStatusOk);
    }
}

std::optional<PinCounters> CardService::Counters(bool want_puk) {
    const auto wanted = [&](const PinCounters& c) { return want_puk ? c.puk : c.pin; };
    if (context_.Has(ModemContext::kCpinr) != Support::kNo) {
        const Response r =
            context_.Query(want_puk ? "AT+CPINR=\"SIM PUK\"" : "AT+CPINR=\"SIM PIN\"");
        if (!Answered(r)) {
            return std::nullopt;
        }
        if (r.Ok()) {
            const PinCounters c = ParseCpinr(r.lines);
            if (wanted(c) >= 0) {
                context_.Learn(ModemContext::kCpinr, Support::kYes);
                return c;
            }
        } else if (IsRefusal(r) && r.error_code < 10) {
            context_.Learn(ModemContext::kCpinr, Support::kNo);
        }
    }
    if (context_.Has(ModemContext::kHuaweiCpin) != Support::kNo) {
        const Response r = context_.Query("AT^CPIN?");
        if (!Answered(r)) {
            return std::nullopt;
        }
        if (r.Ok()) {
            const std::optional<PinCounters> c = ParseHuaweiCpin(r.lines);
            if (c && wanted(*c) >= 0) {
                context_.Learn(ModemContext::kHuaweiCpin, Support::kYes);
                return c;
            }
        } else if (IsRefusal(r) && r.error_code < 10) {
            context_.Learn(ModemContext::kHuaweiCpin, Support::kNo);
        }
    }
    const Response r = context_.Query("AT^DDPINR?");
    if (r.Ok()) {
        const std::optional<PinCounters> c = ParseDdpinr(r.lines);
        if (c && wanted(*c) >= 0) {
            return c;
        }
    }
    return std::nullopt;
}

int CardService::GetRemainingAttempts(int* status) {
    const std::optional<PinCounters> c = Counters(false);
    if (!c) {
        return 0;
    }
    SetStatus(status, kStatusOk);
    return c->pin;
}

int CardService::GetRemainingPukAttempts(int* status) {
    const std::optional<PinCounters> c = Counters(true);
    if (!c) {
        return 0;
    }
    SetStatus(status, kStatusOk);
    return c->puk;
}

void CardService::SetPinLock(const std::string& pin, bool on, int* status) {
    if (!IsValidPinText(pin)) {
        return;
    }
    const std::string command =
        std::string("AT+CLCK=\"SC\",") + (on ? "1" : "0") + "," + Quoted(pin);
    if (context_.Run(command, context_.timeouts().pin).Ok()) {
        SetStatus(status, kStatusOk);
    }
}

void CardService::ChangePin(const std::string& old_pin, const std::string& new_pin, int* status) {
    if (!IsValidPinText(old_pin) || !IsValidPinText(new_pin)) {
        return;
    }
    const std::string command = "AT+CPWD=\"SC\"," + Quoted(old_pin) + "," + Quoted(new_pin);
    if (context_.Run(command, context_.timeouts().pin).Ok()) {
        SetStatus(status, kStatusOk);
    }
}

int CardService::GetPinLockState(int* status) {
    const Response r = context_.Query("AT+CLCK=\"SC\",2");
    if (!r.Ok()) {
        return kPinLockOff;
    }
    const std::optional<int> lock = ParseClck(r.lines);
    if (!lock) {
        return kPinLockOff;
    }
    SetStatus(status, kStatusOk);
    return *lock == 1 ? kPinLockOn : kPinLockOff;
}

bool CardService::IsPinCheckEnabled(int* status) {
    Response r;
    const std::optional<std::string> state = ReadPinState(context_, true, &r);
    if (!state) {
        if (IsRefusal(r)) {
            SetStatus(status, kStatusOk);  // a card without +CPIN has no PIN to manage
        }
        return false;
    }
    if (*state == "SIM PIN" || *state == "SIM PUK") {
        SetStatus(status, kStatusOk);  // the card waits for it: the PIN entry must run
        return true;
    }
    if (*state != "READY") {
        SetStatus(status, kStatusOk);  // no card, or a card that cannot be used
        return false;
    }
    const Response lock = context_.Query("AT+CLCK=\"SC\",2");
    if (!Answered(lock)) {
        return false;
    }
    SetStatus(status, kStatusOk);
    const bool unsupported =
        lock.final == Final::kError ||
        (lock.final == Final::kCmeError && (lock.error_code == 3 || lock.error_code == 4));
    return !unsupported;
}

// ---- USSD -------------------------------------------------------------------------------

void CardService::SendUssd(const std::string& text, int* status) {
    IClock& clock = context_.Clock();
    if (session_.NeedsCancelBefore(text, clock.Now())) {
        // A new service code while the network waits for the answer to its menu: end that
        // exchange first, or the network would take the code as the answer.
        context_.Query("AT+CUSD=2");
        session_.Cancelled();
    }
    const Charset charset = context_.CurrentCharset();
    const std::optional<UssdEncoding> known = session_.Learned();
    const std::vector<UssdEncoding> plan = session_.Plan(text, charset);
    bool refused = false;
    for (std::size_t i = 0; i < plan.size(); ++i) {
        const UssdEncoding encoding = plan[i];
        std::string field;
        int dcs = 15;
        if (!EncodeUssdRequest(text, encoding, &field, &dcs)) {
            continue;
        }
        const int id = session_.BeginRequest(clock.Now());
        Command command;
        command.text = "AT+CUSD=1," + Quoted(field) + "," + std::to_string(dcs);
        command.timeout = context_.timeouts().ussd;
        const Response r = context_.Run(command);
        if (r.Ok()) {
            // A "not supported" that came just before the OK is still on its way.
            session_.AwaitResult(id, kUssdSettle, clock);
            const bool not_supported = session_.Refused(id);
            // Hex of one kind is hex of the other kind too: a card may take a guessed
            // encoding, misread it and get the network's "not supported". Then the next guess.
            const bool guessed = encoding != UssdEncoding::kPlain && encoding != known;
            if (not_supported && guessed && i + 1 < plan.size()) {
                refused = true;
                continue;
            }
            if (!not_supported) {
                session_.Accepted(id, encoding, clock.Now());
            }
            SetStatus(status, not_supported ? kStatusNotSupported : kStatusOk);
            return;
        }
        session_.Failed(id);
        if (!Answered(r)) {
            return;  // mute or gone
        }
        refused = true;
        if (IsFinalUssdError(r)) {
            break;
        }
    }
    if (refused) {
        SetStatus(status, kStatusNotSupported);
    }
}

void CardService::SetUssdListener(IUssdEventHandler* listener) {
    std::lock_guard<std::recursive_mutex> lock(listener_mutex_);
    listener_ = listener;
}

void CardService::OnUssdResult(const std::string& line) {
    int result = -1;
    const std::optional<std::string> text =
        session_.OnResult(line, context_.CurrentCharset(), context_.Clock().Now(), &result);
    if (result < 0 || result > static_cast<int>(UssdResult::kTimedOut)) {
        return;  // not a result, or one this library does not know
    }
    std::lock_guard<std::recursive_mutex> lock(listener_mutex_);
    if (listener_ != nullptr) {
        listener_->OnUssdNotice(UssdNotice{static_cast<UssdResult>(result), text.value_or("")});
    }
}

}  // namespace dedevev::at
