#pragma once
// Sending a written message: the recipients of the receivers field, the parts the text is cut
// into, the send job that hands every part to every recipient and files each part in the PC
// sent or unsent box, the summary afterwards, and the counter the write dialog shows while the
// text is typed.

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "core/Thread.h"
#include "device/ISmsControl.h"
#include "device/SMSMessage.h"
#include "device/at/pdu/SmsPdu.h"
#include "device/base/Event.h"

namespace dedevev {

class IClock;
class ILocalizer;
class IDeviceControl;

struct SmsRecipient {
    std::u16string name;  // empty when it comes from the receivers field
    std::u16string number;
};

// The receivers field's recipients: split at ';', each entry trimmed, empty ones skipped;
// in field order.
std::vector<SmsRecipient> ParseRecipients(std::u16string_view field);

// The class of a text for the split: kWide when a character is outside the single-byte code
// page (above U+00FF), kExtended when one lies in U+0081..U+00FF, else kPlain.
enum SmsTextClass { kSmsTextWide = 0, kSmsTextExtended = 1, kSmsTextPlain = 2 };
SmsTextClass ClassOfText(std::u16string_view text);

// The text cut into parts of 70 UTF-16 units while what remains is wide (or extended with
// `unicode_for_extended`), of 160 otherwise; the class is taken again for what remains. An
// empty text gives one empty part. A character outside the basic plane (a surrogate pair) is
// never cut in half: that part ends one unit early.
std::vector<std::u16string> SplitSmsText(std::u16string_view text, bool unicode_for_extended);

// The parts as message records: defaults, `priority`, the part's text (UTF-8).
std::vector<SMSMessage> MakeSmsParts(std::u16string_view text, int priority,
                                     bool unicode_for_extended);

// What the write dialog shows while the text is typed: how many messages the card will send
// (every part as the modem library plans it), in which alphabet, and how many characters are
// left in the last one before another message is needed.
//
// The rule: the text is split as SplitSmsText splits it; each part goes through at::PlanSms
// as the library sends it (CR LF as one LF; 16-bit characters forced when
// `unicode_for_extended` holds and the whole text is extended), and `messages` is the sum of
// the plans' messages. `alphabet` is the last part's. `characters_left` is the room of the
// last card message (GSM 160 septets or 70 characters, 153 / 67 in a long message; CDMA 160
// or 70, 152 / 66) less what it holds, a GSM extension character counting two; and never more
// than the last part itself can still take (160, or 70 for a wide part).
struct SmsCounter {
    int messages = 1;
    int characters_left = 0;
    at::Alphabet alphabet = at::Alphabet::kGsm7;
};
SmsCounter CountSms(at::SmsFamily family, std::u16string_view text, bool unicode_for_extended);

// The sending job: recipients from the last to the first, each part up to three attempts,
// a pause after every part; each part filed as sent (status 3) or unsent (status 2) with the
// recipient's number and the time it was filed. Cancel takes effect before an attempt, before
// a pause and before the next part; a pause once begun runs to its end. A part whose attempts
// a cancel cut short is filed unsent; parts never begun are not filed (but count in Failed).
struct SendJobSettings {
    bool multi_send_notice = false;  // BeginMultiSend / EndMultiSend around a batch
    std::chrono::milliseconds pause{3000};
    IClock* clock = nullptr;  // null: the process clock (pauses and time stamps)
};

class CThreadSendSMS : public CThreadProgress {
public:
    CThreadSendSMS(const std::vector<SmsRecipient>* recipients,
                   const std::vector<SMSMessage>* parts, ILocalizer* localizer, ISmsControl* sms,
                   IMessageBoxBase* sent_box, IMessageBoxBase* unsent_box,
                   SendJobSettings settings = {});
    ~CThreadSendSMS() override;

    // Several messages in one run may be cancelled.
    bool IsCancelable() override;
    void Cancel() override;

    int Succeeded() const { return succeeded_; }
    // Parts not sent, those never begun after a cancel included.
    int Failed() const { return failed_; }

protected:
    void DoJob() override;

private:
    void SendToRecipient(int position);
    bool SendPart(const SMSMessage& part, const std::u16string& number);

    const std::vector<SmsRecipient>* recipients_;
    const std::vector<SMSMessage>* parts_;
    ILocalizer* localizer_;
    ISmsControl* sms_;
    IMessageBoxBase* sent_box_;
    IMessageBoxBase* unsent_box_;
    SendJobSettings settings_;
    int succeeded_ = 0;
    int failed_ = 0;
    std::atomic<bool> cancelled_{false};
    Event cancel_event_;
};

// The progress text for part `done` of `total` to a recipient: "Sending", three spaces,
// name "[" number "]", and "  (done/total)" when total exceeds 1.
std::u16string SendingText(ILocalizer* localizer, const SmsRecipient& recipient, int done,
                           int total);

// The summary after a send ("Success  n", CR LF, "Failure  m" only when m is not 0; with
// `all_or_none`, "AllSuccess" / "AllFailure" when that is so).
std::u16string SendSummary(ILocalizer* localizer, int succeeded, int failed, bool all_or_none);

// The text of the pre-check before a send, or empty when sending may go on: in an LTE system
// mode where the card cannot send messages, "SMSAlertInLTEMode" (section "DlgWriteSMS") with
// "UMTS Only" or "CDMA Only" (by the card type) in place of its "%s" (nothing else in the text
// is taken as a format); with another card type the place stays empty, and the warning stands.
std::u16string SendPreCheckText(IDeviceControl* control, ILocalizer* localizer);

}  // namespace dedevev
