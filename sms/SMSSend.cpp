#include "sms/SMSSend.h"

#include <algorithm>

#include "core/CDMATime.h"
#include "device/DateTimeFields.h"
#include "device/IDeviceControl.h"
#include "device/base/Clock.h"
#include "device/base/Utf.h"
#include "resources/Localizer.h"
#include "sms/SMSWorkers.h"

namespace dedevev {

namespace {

constexpr int kAttempts = 3;
constexpr std::size_t kWidePart = 70;
constexpr std::size_t kPlainPart = 160;

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

// The line breaks as the modem library sends them: CR LF becomes LF.
std::u16string AsSent(std::u16string text) {
    for (std::size_t at = text.find(u"\r\n"); at != std::u16string::npos;
         at = text.find(u"\r\n", at))
        text.erase(at, 1);
    return text;
}

// Room of one card message in the units of its alphabet: a message on its own, or one part of
// a long message (after its header). Kept with the modem library's plan.
std::size_t RoomOf(at::SmsFamily family, at::Alphabet alphabet, bool several) {
    const bool wide = alphabet == at::Alphabet::kUcs2;
    if (family == at::SmsFamily::kGsm)
        return wide ? (several ? 67 : 70) : (several ? 153 : 160);
    return wide ? (several ? 66 : 70) : (several ? 152 : 160);
}

// The units `text` takes in `alphabet`: GSM septets (an extension character two), else
// UTF-16 units.
std::size_t UnitsOf(std::u16string_view text, at::Alphabet alphabet) {
    if (alphabet != at::Alphabet::kGsm7)
        return text.size();
    std::vector<std::uint8_t> septets;
    at::ToGsm7(text, &septets);
    return septets.size();
}

}  // namespace

std::vector<SmsRecipient> ParseRecipients(std::u16string_view field) {
    std::vector<SmsRecipient> recipients;
    std::size_t start = 0;
    while (start <= field.size()) {
        std::size_t end = field.find(u';', start);
        if (end == std::u16string_view::npos)
            end = field.size();
        std::size_t first = start;
        std::size_t last = end;
        while (first < last && IsSpace(field[first]))
            ++first;
        while (last > first && IsSpace(field[last - 1]))
            --last;
        if (last > first)
            recipients.push_back({u"", std::u16string(field.substr(first, last - first))});
        start = end + 1;
    }
    return recipients;
}

SmsTextClass ClassOfText(std::u16string_view text) {
    SmsTextClass result = kSmsTextPlain;
    for (char16_t c : text) {
        if (c > 0x00FF)
            return kSmsTextWide;
        if (c > 0x0080)
            result = kSmsTextExtended;
    }
    return result;
}

std::vector<std::u16string> SplitSmsText(std::u16string_view text, bool unicode_for_extended) {
    std::vector<std::u16string> parts;
    if (text.empty()) {
        parts.emplace_back();
        return parts;
    }
    while (!text.empty()) {
        const SmsTextClass kind = ClassOfText(text);
        const bool wide =
            kind == kSmsTextWide || (kind == kSmsTextExtended && unicode_for_extended);
        std::size_t length = std::min(text.size(), wide ? kWidePart : kPlainPart);
        // A character outside the basic plane stays whole: cut before its first half.
        if (length < text.size() && length > 1 && IsHighSurrogate(text[length - 1]))
            --length;
        parts.emplace_back(text.substr(0, length));
        text.remove_prefix(length);
    }
    return parts;
}

std::vector<SMSMessage> MakeSmsParts(std::u16string_view text, int priority,
                                     bool unicode_for_extended) {
    std::vector<SMSMessage> parts;
    for (const std::u16string& piece : SplitSmsText(text, unicode_for_extended)) {
        SMSMessage part;
        part.priority = priority;
        part.text = Utf16ToUtf8(piece);
        parts.push_back(std::move(part));
    }
    return parts;
}

SmsCounter CountSms(at::SmsFamily family, std::u16string_view text, bool unicode_for_extended) {
    const bool force_ucs2 = unicode_for_extended && ClassOfText(text) == kSmsTextExtended;
    SmsCounter counter;
    counter.messages = 0;
    const std::vector<std::u16string> pieces = SplitSmsText(text, unicode_for_extended);
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const std::u16string sent = AsSent(pieces[i]);
        const at::SmsPlan plan = at::PlanSms(family, sent, force_ucs2);
        counter.messages += static_cast<int>(plan.parts.size());
        if (i + 1 < pieces.size())
            continue;
        // The last card message: its room less what it holds, and never more than the part
        // it belongs to can still take before the text is cut into another part.
        counter.alphabet = plan.alphabet;
        const std::size_t room = RoomOf(family, plan.alphabet, plan.parts.size() > 1);
        const std::size_t used = UnitsOf(plan.parts.back(), plan.alphabet);
        const SmsTextClass kind = ClassOfText(pieces[i]);
        const bool wide =
            kind == kSmsTextWide || (kind == kSmsTextExtended && unicode_for_extended);
        const std::size_t part_room = wide ? kWidePart : kPlainPart;
        const std::size_t part_left =
            part_room > pieces[i].size() ? part_room - pieces[i].size() : 0;
        const std::size_t left = room > used ? room - used : 0;
        counter.characters_left = static_cast<int>(std::min(left, part_left));
    }
    return counter;
}

// ---- CThreadSendSMS ---------------------------------------------------------------------

CThreadSendSMS::CThreadSendSMS(const std::vector<SmsRecipient>* recipients,
                               const std::vector<SMSMessage>* parts, ILocalizer* localizer,
                               ISmsControl* sms, IMessageBoxBase* sent_box,
                               IMessageBoxBase* unsent_box, SendJobSettings settings)
    : recipients_(recipients),
      parts_(parts),
      localizer_(localizer),
      sms_(sms),
      sent_box_(sent_box),
      unsent_box_(unsent_box),
      settings_(settings) {}

CThreadSendSMS::~CThreadSendSMS() {
    Join();
}

bool CThreadSendSMS::IsCancelable() {
    const std::size_t recipients = recipients_ == nullptr ? 0 : recipients_->size();
    const std::size_t parts = parts_ == nullptr ? 0 : parts_->size();
    return recipients * parts > 1;
}

void CThreadSendSMS::Cancel() {
    cancelled_.store(true);
    cancel_event_.Set();
}

void CThreadSendSMS::DoJob() {
    const int recipients = recipients_ == nullptr ? 0 : static_cast<int>(recipients_->size());
    const int parts = parts_ == nullptr ? 0 : static_cast<int>(parts_->size());
    const bool batch = settings_.multi_send_notice && recipients * parts > 1 && sms_ != nullptr;
    if (batch) {
        int status = kStatusUntouched;
        sms_->BeginMultiSend(&status);
    }
    succeeded_ = 0;
    failed_ = 0;
    for (int position = recipients - 1; position >= 0 && !cancelled_.load(); --position)
        SendToRecipient(position);
    failed_ = recipients * parts - succeeded_;
    if (batch) {
        int status = kStatusUntouched;
        sms_->EndMultiSend(&status);
    }
}

void CThreadSendSMS::SendToRecipient(int position) {
    const int recipients = static_cast<int>(recipients_->size());
    const int parts = static_cast<int>(parts_->size());
    const int total = recipients * parts;
    const SmsRecipient& recipient = (*recipients_)[static_cast<std::size_t>(position)];
    IClock& clock = settings_.clock != nullptr ? *settings_.clock : ProcessClock();
    for (int i = 0; i < parts && !cancelled_.load(); ++i) {
        const int done = (recipients - 1 - position) * parts + i;
        ReportText(SendingText(localizer_, recipient, done, total));
        if (total == 1)
            ReportStep(1, 2);
        else
            ReportStep(done, total);
        SendPart((*parts_)[static_cast<std::size_t>(i)], recipient.number);
        // A pause once begun runs to its end: the card is given its time between messages.
        if (!cancelled_.load())
            clock.SleepFor(settings_.pause, nullptr);
    }
}

bool CThreadSendSMS::SendPart(const SMSMessage& part, const std::u16string& number) {
    SMSMessage copy = part;
    copy.number = Utf16ToUtf8(number);
    bool sent = false;
    for (int attempt = 0; attempt < kAttempts && !sent && !cancelled_.load(); ++attempt) {
        int status = kStatusUntouched;
        sent = sms_ != nullptr && sms_->Send(copy, 0, &status);
    }
    copy.time = settings_.clock != nullptr ? ToDateTimeFields(settings_.clock->LocalNow())
                                           : CdmaTime().Now();
    copy.status = sent ? kSmsSent : kSmsNotSent;
    IMessageBoxBase* box = sent ? sent_box_ : unsent_box_;
    if (box != nullptr) {
        MessageBoxLock lock(box);
        box->Add(copy, nullptr);
    }
    if (sent)
        ++succeeded_;
    return sent;
}

// ---- texts ------------------------------------------------------------------------------

std::u16string SendingText(ILocalizer* localizer, const SmsRecipient& recipient, int done,
                           int total) {
    std::u16string text = SmsText(localizer, u"Sending");
    text += u"   ";
    text += recipient.name;
    text += u'[';
    text += recipient.number;
    text += u']';
    if (total > 1) {
        text += u"  (";
        text += Utf8ToUtf16(std::to_string(done));
        text += u'/';
        text += Utf8ToUtf16(std::to_string(total));
        text += u')';
    }
    return text;
}

std::u16string SendSummary(ILocalizer* localizer, int succeeded, int failed, bool all_or_none) {
    if (all_or_none && failed == 0)
        return SmsText(localizer, u"AllSuccess");
    if (all_or_none && succeeded == 0)
        return SmsText(localizer, u"AllFailure");
    std::u16string text = SmsText(localizer, u"Success");
    text += u"  ";
    text += Utf8ToUtf16(std::to_string(succeeded));
    text += u"\r\n";
    if (failed != 0) {
        text += SmsText(localizer, u"Failure");
        text += u"  ";
        text += Utf8ToUtf16(std::to_string(failed));
    }
    return text;
}

std::u16string SendPreCheckText(IDeviceControl* control, ILocalizer* localizer) {
    if (control == nullptr)
        return {};
    int status = kStatusUntouched;
    const ServiceInfo info = control->GetServiceInfo(&status);
    if (status != kStatusOk || info.sms_restricted == 0 ||
        (info.system_mode != kSystemModeLte && info.system_mode != kSystemModeHdr))
        return {};
    std::u16string mode;
    if (info.card_type == kCardTypeUsim)
        mode = u"UMTS Only";
    else if (info.card_type == kCardTypeUim)
        mode = u"CDMA Only";
    std::u16string text = localizer == nullptr
                              ? std::u16string(u"SMSAlertInLTEMode")
                              : localizer->GetText(u"SMSAlertInLTEMode", u"DlgWriteSMS");
    // The language file's text is a template with one place for the mode; nothing else in it
    // is read as a format.
    const std::size_t place = text.find(u"%s");
    if (place != std::u16string::npos)
        text.replace(place, 2, mode);
    return text;
}

}  // namespace dedevev
