#pragma once
// The USSD exchange as the USSD page sees it: requests go to the card on a worker of their
// own (a slow or mute card must not freeze the window), the network's results come from the
// modem library's thread, and both reach the page's window thread as window messages. There
// the exchange decides what the user sees: a reply to read and answer, or a short notice when
// the network refused, ended the exchange, or never answered.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "core/WindowMessage.h"
#include "device/ICardService.h"
#include "device/base/Clock.h"

namespace dedevev {

// Window messages of the USSD page.
constexpr unsigned kMsgUssdReply = 1125;  // wparam: UssdResult, text: the network's text
constexpr unsigned kMsgUssdSent = 1126;   // wparam: SendUssd's status, lparam: 1 to report

// What the page shows after a message or a tick.
struct UssdAction {
    enum Kind { kNone, kShowReply, kShowNotice };
    Kind kind = kNone;
    std::u16string text;  // the reply, or the localized notice

    friend bool operator==(const UssdAction&, const UssdAction&) = default;
};

class CUssdExchange final : public IUssdEventHandler {
public:
    // How long after a request the network may take to answer before the user is told it
    // did not (longer than the library's own wait for the card to take the request).
    static constexpr std::chrono::seconds kNoAnswerTimeout{90};

    // Listens on `card` (may be null: nothing is heard and every request is refused) from
    // now until destruction and posts to `target`. Time comes from `clock`.
    CUssdExchange(ICardService* card, IMessageTarget* target, IClock& clock = ProcessClock());
    ~CUssdExchange();
    CUssdExchange(const CUssdExchange&) = delete;
    CUssdExchange& operator=(const CUssdExchange&) = delete;

    // Window thread: sends `utf8` as it stands; its status comes back as kMsgUssdSent. A
    // refusal of the card is shown only with `report_refusal`.
    void Send(const std::string& utf8, bool report_refusal = true);
    // Window thread: what to show for a message of this exchange (others: nothing).
    UssdAction Handle(const WindowMessage& message);
    // Window thread, now and then: the notice that the network did not answer, once its
    // time is up.
    UssdAction Tick();
    // Whether a request is still with the card (its status has not come back).
    bool Sending() const { return pending_sends_ > 0; }
    // Whether a request still waits for the network's answer.
    bool Waiting() const { return waiting_; }

    // The library's thread.
    void OnUssdReply(const std::string& text) override;
    void OnUssdNotice(const UssdNotice& notice) override;

private:
    UssdAction OnSent(int status, bool report_refusal);
    UssdAction OnResult(UssdResult result, const std::string& text);
    void RunSends();

    ICardService* card_;
    IMessageTarget* target_;
    IClock& clock_;

    // Window thread only.
    int pending_sends_ = 0;
    bool refused_while_sending_ = false;
    // The card's status told a refusal; the network's own word on it may still be on its way
    // (the status and the result race to the window).
    bool refusal_told_ = false;
    bool waiting_ = false;
    IClock::TimePoint deadline_{};

    // The worker's queue of requests.
    std::mutex mutex_;
    std::condition_variable wake_;
    struct Request {
        std::string text;
        bool report_refusal;
    };
    std::deque<Request> requests_;
    bool stopping_ = false;
    std::thread worker_;
};

// The localized notice for `key` of section "DlgUssd".
std::u16string UssdText(const char* key);

}  // namespace dedevev
