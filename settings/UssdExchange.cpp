#include "settings/UssdExchange.h"

#include "core/TextCodec.h"
#include "device/DeviceStatus.h"
#include "resources/Localizer.h"

namespace dedevev {

std::u16string UssdText(const char* key) {
    return LocalText(key, "DlgUssd");
}

CUssdExchange::CUssdExchange(ICardService* card, IMessageTarget* target, IClock& clock)
    : card_(card), target_(target), clock_(clock) {
    worker_ = std::thread([this] { RunSends(); });
    if (card_ != nullptr) {
        card_->SetUssdListener(this);
    }
}

CUssdExchange::~CUssdExchange() {
    if (card_ != nullptr) {
        card_->SetUssdListener(nullptr);  // returns once a reply being handed over is done
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        requests_.clear();
    }
    wake_.notify_all();
    worker_.join();  // a request on the wire ends within the library's time-out
}

void CUssdExchange::Send(const std::string& utf8, bool report_refusal) {
    ++pending_sends_;
    refusal_told_ = false;
    waiting_ = true;
    deadline_ = clock_.Now() + kNoAnswerTimeout;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(Request{utf8, report_refusal});
    }
    wake_.notify_all();
}

void CUssdExchange::RunSends() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (true) {
        wake_.wait(lock, [this] { return stopping_ || !requests_.empty(); });
        if (stopping_) {
            return;
        }
        const Request request = std::move(requests_.front());
        requests_.pop_front();
        lock.unlock();
        int status = kStatusUntouched;
        if (card_ != nullptr) {
            card_->SendUssd(request.text, &status);
        }
        if (target_ != nullptr) {
            target_->Post(WindowMessage{kMsgUssdSent,
                                        static_cast<std::uint64_t>(status),
                                        request.report_refusal ? 1 : 0,
                                        {},
                                        {}});
        }
        lock.lock();
    }
}

void CUssdExchange::OnUssdReply(const std::string& text) {
    OnUssdNotice(UssdNotice{UssdResult::kDone, text});
}

void CUssdExchange::OnUssdNotice(const UssdNotice& notice) {
    if (target_ != nullptr) {
        target_->Post(WindowMessage{
            kMsgUssdReply, static_cast<std::uint64_t>(notice.result), 0, notice.text, {}});
    }
}

UssdAction CUssdExchange::Handle(const WindowMessage& message) {
    switch (message.number) {
        case kMsgUssdSent:
            return OnSent(static_cast<int>(message.wparam), message.lparam != 0);
        case kMsgUssdReply:
            return OnResult(static_cast<UssdResult>(message.wparam), message.text);
        default:
            return {};
    }
}

UssdAction CUssdExchange::OnSent(int status, bool report_refusal) {
    if (pending_sends_ > 0) {
        --pending_sends_;
    }
    const bool refused_before = refused_while_sending_;
    refused_while_sending_ = false;
    const bool failed = status == kStatusUntouched || status == kStatusNotSupported;
    if (!failed && !refused_before) {
        return {};
    }
    waiting_ = false;
    refusal_told_ = failed;
    if (!report_refusal) {
        return {};
    }
    return {UssdAction::kShowNotice, UssdText(failed ? "NotSupportUssd" : "Refused")};
}

UssdAction CUssdExchange::OnResult(UssdResult result, const std::string& text) {
    waiting_ = false;
    switch (result) {
        case UssdResult::kDone:
            if (text.empty()) {
                return {};
            }
            return {UssdAction::kShowReply, Utf8ToUtf16(text)};
        case UssdResult::kQuestion:
            // Also without a text: the network waits for an answer, which goes in the dialog.
            return {UssdAction::kShowReply, Utf8ToUtf16(text)};
        case UssdResult::kEnded:
            if (!text.empty()) {
                return {UssdAction::kShowReply, Utf8ToUtf16(text)};
            }
            return {UssdAction::kShowNotice, UssdText("Ended")};
        case UssdResult::kRefused:
            // While the request is still with the card its status tells the refusal, and may
            // have told it already; one notice is enough.
            if (pending_sends_ > 0) {
                refused_while_sending_ = true;
                return {};
            }
            if (refusal_told_) {
                refusal_told_ = false;
                return {};
            }
            return {UssdAction::kShowNotice, UssdText("Refused")};
        case UssdResult::kTimedOut:
            return {UssdAction::kShowNotice, UssdText("NetworkTimeout")};
        case UssdResult::kOtherClient:
            return {};
    }
    return {};
}

UssdAction CUssdExchange::Tick() {
    if (!waiting_ || pending_sends_ > 0 || clock_.Now() < deadline_) {
        return {};
    }
    waiting_ = false;
    return {UssdAction::kShowNotice, UssdText("NoAnswer")};
}

}  // namespace dedevev
