// USSD texts and the state of an exchange.

#include "device/at/features/Ussd.h"

#include <algorithm>

#include "device/at/pdu/GsmCodec.h"

namespace dedevev::at {

namespace {

// A reading of hex data counts as text from this share of likely characters on.
constexpr double kPlausible = 0.9;

// Characters common in service texts: letters, digits, blanks and everyday punctuation.
// Packed septets read from data that is not packed text score about 0.6 here.
double CommonTextScore(std::u16string_view text) {
    if (text.empty()) {
        return 0.0;
    }
    static constexpr std::u16string_view kPunctuation = u" .,:;!?-+*#/()%'=&\"\n\r\u00A3$\u20AC@_";
    static constexpr std::u16string_view kAccented =
        u"\u00E8\u00E9\u00F9\u00EC\u00F2\u00C7\u00D8\u00F8\u00C5\u00E5\u00C6\u00E6\u00DF\u00C9"
        u"\u00C4\u00D6\u00D1\u00DC\u00E4\u00F6\u00F1\u00FC\u00E0";
    const auto common = std::count_if(text.begin(), text.end(), [](char16_t c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
               kPunctuation.find(c) != std::u16string_view::npos ||
               kAccented.find(c) != std::u16string_view::npos;
    });
    return static_cast<double>(common) / static_cast<double>(text.size());
}

struct Reading {
    std::u16string text;
    UssdEncoding form;
    double score;
};

std::optional<Reading> ReadUcs2(std::string_view hex) {
    std::u16string text;
    if (hex.size() < 4 || !DecodeUcs2Hex(hex, &text)) {
        return std::nullopt;
    }
    return Reading{text, UssdEncoding::kUcs2Hex, TextScore(text)};
}

std::optional<Reading> ReadPacked(std::string_view hex) {
    std::u16string text;
    if (hex.size() < 2 || !DecodePackedGsm7Hex(hex, &text)) {
        return std::nullopt;
    }
    return Reading{text, UssdEncoding::kPackedHex, CommonTextScore(text)};
}

std::string EightBitToUtf8(const std::vector<std::uint8_t>& bytes) {
    return ToUtf8Lenient(std::string(bytes.begin(), bytes.end()));
}

// A 7-bit text that travels with a language indication starts with two letters and a CR.
std::u16string StripLanguagePrefix(std::u16string text) {
    if (text.size() >= 3 && text[2] == u'\r') {
        text.erase(0, 3);
    }
    return text;
}

std::string DecodeGsm7Dcs(std::string_view text, Charset charset,
                          std::optional<UssdEncoding> preferred, UssdEncoding* form) {
    *form = UssdEncoding::kPlain;
    if (!IsHexText(text) || text.size() % 2 != 0) {
        return ToUtf8Lenient(text);
    }
    // Hex may be UCS2 (the character set asks for it, or the card always answers so) or
    // packed septets (whatever the character set). Pick the reading that reads as text;
    // plain digits such as "1234" read as neither and stay as they are.
    std::optional<Reading> best;
    const auto consider = [&](std::optional<Reading> r) {
        if (r && r->score >= kPlausible && (!best || r->score > best->score)) {
            best = std::move(r);
        }
    };
    // On a tie the form this card is known to use wins, else UCS2 in the UCS2 set.
    if (preferred == UssdEncoding::kPackedHex) {
        consider(ReadPacked(text));
    }
    if (charset == Charset::kUcs2) {
        consider(ReadUcs2(text));
    } else if (auto ucs2 = ReadUcs2(text); ucs2 && text.substr(0, 2) == "00" && text.size() >= 8) {
        consider(std::move(ucs2));  // UCS2 although the character set is not: Latin text only
    }
    consider(ReadPacked(text));
    if (!best) {
        return ToUtf8Lenient(text);
    }
    *form = best->form;
    return Utf16ToUtf8(best->text);
}

}  // namespace

std::string DecodeUssdText(std::string_view text, int dcs, Charset charset, UssdEncoding* form,
                           std::optional<UssdEncoding> preferred) {
    UssdEncoding found = UssdEncoding::kPlain;
    std::string result;
    const Alphabet alphabet = dcs < 0 ? Alphabet::kGsm7 : AlphabetOfUssdDcs(dcs);
    const bool hex = IsHexText(text) && text.size() % 2 == 0;
    switch (alphabet) {
        case Alphabet::kGsm7: {
            result = DecodeGsm7Dcs(text, charset, preferred, &found);
            if (dcs == 0x10) {
                result = Utf16ToUtf8(StripLanguagePrefix(Utf8ToUtf16(result)));
            }
            break;
        }
        case Alphabet::kUcs2: {
            std::string_view body = text;
            if (dcs == 0x11 && hex && body.size() >= 4) {
                body.remove_prefix(4);  // two packed language characters
            }
            std::u16string decoded;
            if (hex && DecodeUcs2Hex(body, &decoded)) {
                found = UssdEncoding::kUcs2Hex;
                result = Utf16ToUtf8(decoded);
            } else if (hex) {
                std::vector<std::uint8_t> bytes;
                HexToBytes(text, &bytes);
                result = EightBitToUtf8(bytes);
            } else {
                result = ToUtf8Lenient(text);  // the card converted it already
            }
            break;
        }
        case Alphabet::kEightBit: {
            std::vector<std::uint8_t> bytes;
            if (hex && HexToBytes(text, &bytes)) {
                result = EightBitToUtf8(bytes);
            } else {
                result = ToUtf8Lenient(text);
            }
            break;
        }
        case Alphabet::kUnknown:
        case Alphabet::kAscii7:  // CDMA encodings: never chosen by a USSD coding scheme
        case Alphabet::kLatin1: {
            // Reserved or compressed schemes: show whatever reads as text.
            result = DecodeGsm7Dcs(text, charset, preferred, &found);
            if (found == UssdEncoding::kPlain && hex) {
                std::vector<std::uint8_t> bytes;
                HexToBytes(text, &bytes);
                const std::string eight = EightBitToUtf8(bytes);
                if (TextScore(Utf8ToUtf16(eight)) >= kPlausible) {
                    result = eight;
                }
            }
            break;
        }
    }
    if (form != nullptr) {
        *form = found;
    }
    return result;
}

bool EncodeUssdRequest(std::string_view utf8, UssdEncoding encoding, std::string* field, int* dcs) {
    const std::u16string text = Utf8ToUtf16(utf8);
    switch (encoding) {
        case UssdEncoding::kPlain:
            // Plain text is the character set's own: only printable ASCII means the same in
            // every set a card may be in.
            if (!IsSafeQuotedText(utf8) || !std::all_of(utf8.begin(), utf8.end(), [](char c) {
                    return c >= 0x20 && c < 0x7F;
                })) {
                return false;
            }
            *field = std::string(utf8);
            *dcs = 15;
            return true;
        case UssdEncoding::kUcs2Hex:
            *field = EncodeUcs2Hex(text);
            *dcs = IsGsm7(text) ? 15 : 72;
            return true;
        case UssdEncoding::kPackedHex:
            *dcs = 15;
            return EncodePackedGsm7Hex(text, field);
    }
    return false;
}

bool IsServiceCode(std::string_view utf8) {
    utf8 = TrimView(utf8);
    if (utf8.size() < 2 || (utf8.front() != '*' && utf8.front() != '#') || utf8.back() != '#') {
        return false;
    }
    return std::all_of(utf8.begin(), utf8.end(),
                       [](char c) { return (c >= '0' && c <= '9') || c == '*' || c == '#'; });
}

// ---- UssdSession ------------------------------------------------------------------------

UssdSession::State UssdSession::StateAt(TimePoint now) const {
    if (state_ != State::kIdle && now >= deadline_) {
        return State::kIdle;
    }
    return state_;
}

std::vector<UssdEncoding> UssdSession::Plan(std::string_view utf8, Charset charset) const {
    std::vector<UssdEncoding> order;
    std::optional<UssdEncoding> learned;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        learned = learned_;
    }
    if (learned) {
        order.push_back(*learned);
    }
    order.push_back(UssdEncoding::kPlain);
    if (charset == Charset::kUcs2) {
        order.push_back(UssdEncoding::kUcs2Hex);
        order.push_back(UssdEncoding::kPackedHex);
    } else {
        order.push_back(UssdEncoding::kPackedHex);
        order.push_back(UssdEncoding::kUcs2Hex);
    }
    // Drop repeats and encodings this text cannot take.
    std::vector<UssdEncoding> plan;
    for (UssdEncoding e : order) {
        if (std::find(plan.begin(), plan.end(), e) != plan.end()) {
            continue;
        }
        std::string field;
        int dcs = 0;
        if (EncodeUssdRequest(utf8, e, &field, &dcs)) {
            plan.push_back(e);
        }
    }
    // Even with a learned encoding every other one stays in the plan: a card whose answer
    // was misread once must not lose USSD until the port is opened again.
    return plan;
}

bool UssdSession::NeedsCancelBefore(std::string_view utf8, TimePoint now) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return StateAt(now) == State::kAwaitingAnswer && IsServiceCode(utf8);
}

int UssdSession::BeginRequest(TimePoint now) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++current_id_;
    state_ = State::kWaitingReply;
    deadline_ = now + kReplyTimeout;
    return current_id_;
}

void UssdSession::Accepted(int id, UssdEncoding encoding, TimePoint now) {
    std::lock_guard<std::mutex> lock(mutex_);
    // A reply that came before the OK already told the card's own form; it wins.
    if (reply_form_id_ != id) {
        learned_ = encoding;
    }
    if (id == current_id_ && state_ == State::kWaitingReply) {
        deadline_ = now + kReplyTimeout;  // the wait for the reply starts at the OK
    }
}

void UssdSession::Failed(int id) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (id == current_id_ && state_ == State::kWaitingReply) {
        state_ = State::kIdle;
    }
    changed_.notify_all();
}

bool UssdSession::Refused(int id) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return refused_id_ == id;
}

void UssdSession::AwaitResult(int id, IClock::Duration limit, IClock& clock) {
    std::unique_lock<std::mutex> lock(mutex_);
    clock.WaitFor(changed_, lock, limit,
                  [&] { return id != current_id_ || state_ != State::kWaitingReply; });
}

std::optional<std::string> UssdSession::OnResult(std::string_view line, Charset charset,
                                                 TimePoint now, int* result) {
    const std::optional<UssdMessage> message = ParseCusd(line);
    if (result != nullptr) {
        *result = message ? message->status : -1;
    }
    if (!message) {
        return std::nullopt;
    }
    std::optional<std::string> text;
    UssdEncoding form = UssdEncoding::kPlain;
    if (message->has_text && !message->text.empty()) {
        text = DecodeUssdText(message->text, message->dcs, charset, &form, Learned());
    }
    std::lock_guard<std::mutex> lock(mutex_);
    const bool waiting = StateAt(now) == State::kWaitingReply;
    switch (message->status) {
        case 1:
            state_ = State::kAwaitingAnswer;
            deadline_ = now + kAnswerTimeout;
            break;
        case 4:
            if (waiting) {
                refused_id_ = current_id_;
            }
            state_ = State::kIdle;
            text.reset();  // no text to show: the request is reported as refused
            break;
        case 3:  // another client answered
        case 5:  // the network timed out
            state_ = State::kIdle;
            text.reset();
            break;
        default:  // 0 done, 2 ended by the network
            state_ = State::kIdle;
            break;
    }
    // A 7-bit reply comes in the form the card also expects requests in: hex tells which.
    // (UCS2 data of the network, DCS 72, comes as UCS2 hex from every card.)
    const bool seven_bit = message->dcs < 0 || AlphabetOfUssdDcs(message->dcs) == Alphabet::kGsm7;
    if (text && waiting && seven_bit && form != UssdEncoding::kPlain) {
        learned_ = form;
        reply_form_id_ = current_id_;
    }
    changed_.notify_all();
    return text;
}

UssdSession::State UssdSession::CurrentState(TimePoint now) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return StateAt(now);
}

std::optional<UssdEncoding> UssdSession::Learned() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return learned_;
}

void UssdSession::Cancelled() {
    std::lock_guard<std::mutex> lock(mutex_);
    state_ = State::kIdle;
    changed_.notify_all();
}

void UssdSession::Reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    state_ = State::kIdle;
    refused_id_ = -1;
    changed_.notify_all();
}

}  // namespace dedevev::at
