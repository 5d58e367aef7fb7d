#pragma once
// USSD: decoding the network's texts, encoding requests, and the state of one exchange.
//
// Cards disagree about how a USSD text travels. With DCS 15 (GSM 7-bit) the text may come as
// plain text in the +CSCS character set, as UCS2 hex (+CSCS="UCS2"), or as packed GSM 7-bit
// hex whatever the character set (many Huawei firmwares); DCS 72 is UCS2 hex and DCS 68
// 8-bit data in hex. The decoder tells these apart by the data coding scheme, the character
// set and how plausible each reading is, so that the user never sees raw hex. Requests go
// out plain first; a card that rejects one is asked again in the other encodings, and what
// worked is kept for the next request.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/at/parsers/AtParsers.h"
#include "device/base/Clock.h"

namespace dedevev::at {

enum class UssdEncoding {
    kPlain,      // the text as it stands, DCS 15
    kUcs2Hex,    // UCS2 hex (DCS 15 in the UCS2 character set, DCS 72 for non-GSM text)
    kPackedHex,  // packed GSM 7-bit hex, DCS 15
};

// The text of a +CUSD message as UTF-8. `form` (optional) receives the form it was found in;
// `preferred` is the form the card is known to use, which wins when two readings are equally
// good.
std::string DecodeUssdText(std::string_view text, int dcs, Charset charset,
                           UssdEncoding* form = nullptr,
                           std::optional<UssdEncoding> preferred = std::nullopt);

// The <str> and <dcs> of a request in one encoding; false when the text cannot travel that
// way (plain text with quotes or control characters, packed hex for non-GSM characters).
bool EncodeUssdRequest(std::string_view utf8, UssdEncoding encoding, std::string* field, int* dcs);

// Whether `utf8` is a new service code ("*100#", "#31#") rather than an answer to a menu.
bool IsServiceCode(std::string_view utf8);

// The state of the USSD exchange of one card. Thread-safe: requests run on callers' threads,
// +CUSD results on the engine's event thread.
class UssdSession {
public:
    using TimePoint = IClock::TimePoint;
    enum class State {
        kIdle,
        kWaitingReply,    // a request went out; its +CUSD has not come yet
        kAwaitingAnswer,  // the network asked a question (m=1) and waits for the user
    };
    // How long a request waits for its reply, and the network for the user's answer, before
    // the exchange counts as over.
    static constexpr std::chrono::seconds kReplyTimeout{90};
    static constexpr std::chrono::seconds kAnswerTimeout{180};

    // The encodings to try for a request, in order: what worked before first, else plain
    // text, then the encoding the character set suggests, then the remaining one.
    std::vector<UssdEncoding> Plan(std::string_view utf8, Charset charset) const;
    // True when a new service code is about to be sent while the network still waits for
    // the answer to its menu: that exchange should be cancelled first.
    bool NeedsCancelBefore(std::string_view utf8, TimePoint now) const;

    // Marks a request as sent (before the command goes out, as its +CUSD may come before
    // the OK). Returns the request's number.
    int BeginRequest(TimePoint now);
    // The card accepted request `id` in `encoding`.
    void Accepted(int id, UssdEncoding encoding, TimePoint now);
    // Request `id` failed (refused in every encoding, time-out, card gone).
    void Failed(int id);
    // Whether request `id` was answered "not supported" (+CUSD: 4) by the network.
    bool Refused(int id) const;
    // Waits up to `limit` on `clock` while request `id` still waits for its result. A result
    // that came before the OK is handed over on the event thread and may lag behind the OK a
    // little.
    void AwaitResult(int id, IClock::Duration limit, IClock& clock);

    // One +CUSD line; returns the text to hand to the listener, if any. `result` (optional)
    // receives the line's <m> (-1 when the line is not a +CUSD result).
    std::optional<std::string> OnResult(std::string_view line, Charset charset, TimePoint now,
                                        int* result = nullptr);

    State CurrentState(TimePoint now) const;
    std::optional<UssdEncoding> Learned() const;
    void Cancelled();
    // Forgets the exchange (the port closed); what worked stays learned.
    void Reset();

private:
    State StateAt(TimePoint now) const;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    State state_ = State::kIdle;
    TimePoint deadline_{};
    int current_id_ = 0;
    int refused_id_ = -1;
    int reply_form_id_ = -1;
    std::optional<UssdEncoding> learned_;
};

}  // namespace dedevev::at
