// Sending without a card: recipients, the split into parts, the counter of the write dialog,
// the texts of the job and its summary, the pre-check, and the job against a scripted card.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "device/base/Clock.h"
#include "device/null/NullObjects.h"
#include "sms/SMSBoxPC.h"
#include "sms/SMSSend.h"
#include "support/SmsJobs.h"

namespace dedevev {
namespace {

std::vector<size_t> Lengths(const std::vector<std::u16string>& parts) {
    std::vector<size_t> lengths;
    for (const std::u16string& part : parts)
        lengths.push_back(part.size());
    return lengths;
}

std::u16string Repeat(char16_t c, size_t n) {
    return std::u16string(n, c);
}

TEST(SmsSend, RecipientsAreTrimmedAndEmptyEntriesSkipped) {
    for (const auto& [field, numbers] : std::vector<std::pair<std::u16string, std::string>>{
             {u"123;;456;", "123,456,"}, {u" 12 ; \t;34", "12,34,"}, {u" ; ", ""}}) {
        std::string got;
        for (const SmsRecipient& recipient : ParseRecipients(field))
            got += Utf16ToUtf8(recipient.name + recipient.number) + ",";
        EXPECT_EQ(got, numbers) << Utf16ToUtf8(field);
    }
}

TEST(SmsSend, TextClassAndSplit) {
    EXPECT_EQ(ClassOfText(u"abc\u0080"), kSmsTextPlain);
    EXPECT_EQ(ClassOfText(u"ab\u0081"), kSmsTextExtended);
    EXPECT_EQ(ClassOfText(u"\u00e9\u0100"), kSmsTextWide);
    struct Case {
        std::u16string text;
        bool unicode_for_extended;
        std::vector<size_t> lengths;
    };
    const std::u16string wide_prefix = u"\u0416" + Repeat(u'a', 400);
    const std::vector<Case> cases = {
        {u"", false, {0}},
        {Repeat(u'a', 161), false, {160, 1}},
        {Repeat(u'a', 70) + u"\u0416", false, {70, 1}},
        {wide_prefix, false, {70, 160, 160, 11}},
        {Repeat(u'\u00e9', 71), false, {71}},
        {Repeat(u'\u00e9', 71), true, {70, 1}},
        // A surrogate pair across the 70th unit stays whole.
        {Repeat(u'a', 69) + u"\U0001F600" + u"b", false, {69, 3}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Lengths(SplitSmsText(c.text, c.unicode_for_extended)), c.lengths)
            << Utf16ToUtf8(c.text);
    const std::vector<SMSMessage> parts = MakeSmsParts(Repeat(u'\u0416', 71), 2, false);
    EXPECT_EQ(test::Line(parts.back()) + "|" + std::to_string(parts.back().priority),
              "|\xd0\x96|2|2");
}

TEST(SmsSend, CounterFollowsThePartsAsTheCardSendsThem) {
    using at::Alphabet;
    using at::SmsFamily;
    struct Case {
        SmsFamily family;
        std::u16string text;
        int messages;
        int left;
        Alphabet alphabet;
    };
    const std::vector<Case> cases = {
        {SmsFamily::kGsm, u"", 1, 160, Alphabet::kGsm7},
        {SmsFamily::kGsm, Repeat(u'a', 160), 1, 0, Alphabet::kGsm7},
        {SmsFamily::kGsm, Repeat(u'a', 161), 2, 159, Alphabet::kGsm7},
        // An extension character takes two septets.
        {SmsFamily::kGsm, u"^" + Repeat(u'a', 10), 1, 148, Alphabet::kGsm7},
        // 161 septets: the card sends this 160-character part as two messages.
        {SmsFamily::kGsm, u"^" + Repeat(u'a', 159), 2, 0, Alphabet::kGsm7},
        // A line break goes to the card as LF alone: 160 septets, one message.
        {SmsFamily::kGsm, u"^" + Repeat(u'a', 156) + u"\r\na", 1, 0, Alphabet::kGsm7},
        // Wide by the code page (a 70-character part) but sent in GSM 7-bit.
        {SmsFamily::kGsm, u"\u20ac" + Repeat(u'a', 10), 1, 59, Alphabet::kGsm7},
        // A character outside the GSM alphabet in a plain-class part: 16-bit long message.
        {SmsFamily::kGsm, Repeat(u'\u00e2', 100), 2, 34, Alphabet::kUcs2},
        {SmsFamily::kCdma, u"\u20aca", 1, 68, Alphabet::kUcs2},
    };
    for (const Case& c : cases) {
        const SmsCounter counter = CountSms(c.family, c.text, false);
        EXPECT_EQ(counter.messages, c.messages) << Utf16ToUtf8(c.text);
        EXPECT_EQ(counter.characters_left, c.left) << Utf16ToUtf8(c.text);
        EXPECT_EQ(counter.alphabet, c.alphabet) << Utf16ToUtf8(c.text);
    }
    // With 16-bit text for extended texts, an extended text is planned in 16-bit characters.
    EXPECT_EQ(CountSms(SmsFamily::kGsm, u"\u00e9", true).alphabet, Alphabet::kUcs2);
}

TEST(SmsSend, ProgressAndSummaryTexts) {
    CLocalizer texts;
    test::LoadSmsTexts(&texts);
    EXPECT_EQ(Utf16ToUtf8(SendingText(&texts, {u"Ayu", u"0812"}, 0, 1)), "sending   Ayu[0812]");
    struct Case {
        int succeeded;
        int failed;
        bool all_or_none;
        std::string text;
    };
    const std::vector<Case> cases = {
        {3, 0, false, "success  3\r\n"},
        {1, 2, false, "success  1\r\nfailure  2"},
        {3, 0, true, "allsuccess"},
        {0, 2, true, "allfailure"},
        {1, 1, true, "success  1\r\nfailure  1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Utf16ToUtf8(SendSummary(&texts, c.succeeded, c.failed, c.all_or_none)), c.text);
}

class ServiceCard : public CNullDeviceControl {
public:
    ServiceInfo GetServiceInfo(int* status) override {
        SetStatus(status, answer_status);
        return info;
    }
    ServiceInfo info;
    int answer_status = kStatusOk;
};

TEST(SmsSend, PreCheckWarnsOnlyInARestrictedLteMode) {
    CLocalizer texts;
    test::LoadSmsTexts(&texts);
    struct Case {
        int status;
        int system_mode;
        int restricted;
        int card_type;
        std::string text;
    };
    const std::vector<Case> cases = {
        {kStatusOk, kSystemModeLte, 1, kCardTypeUsim, "lte mode, use UMTS Only"},
        {kStatusOk, kSystemModeHdr, 1, kCardTypeUim, "lte mode, use CDMA Only"},
        {kStatusOk, kSystemModeLte, 0, kCardTypeUsim, ""},
        {kStatusUntouched, kSystemModeLte, 1, kCardTypeUsim, ""},
    };
    for (const Case& c : cases) {
        ServiceCard card;
        card.answer_status = c.status;
        card.info.system_mode = c.system_mode;
        card.info.sms_restricted = c.restricted;
        card.info.card_type = c.card_type;
        EXPECT_EQ(Utf16ToUtf8(SendPreCheckText(&card, &texts)), c.text) << c.system_mode;
    }
    EXPECT_TRUE(SendPreCheckText(nullptr, &texts).empty());
}

// A card that accepts a send unless the number is in `refused`; writes down every attempt.
class ScriptedSms : public CNullSmsControl {
public:
    bool Send(const SMSMessage& message, int flags, int* status) override {
        std::lock_guard<std::mutex> lock(mutex);
        attempts.push_back(message.number + ":" + std::to_string(flags));
        if (on_send)
            on_send();
        if (message.number == refused)
            return false;
        SetStatus(status, kStatusOk);
        return true;
    }
    void BeginMultiSend(int*) override { attempts.push_back("begin"); }
    void EndMultiSend(int*) override { attempts.push_back("end"); }
    std::mutex mutex;
    std::vector<std::string> attempts;
    std::string refused;
    std::function<void()> on_send;
};

class SendJob : public ::testing::Test {
protected:
    std::vector<std::string> Run(const std::vector<SmsRecipient>& recipients,
                                 const std::vector<SMSMessage>& parts, bool notice = false) {
        SendJobSettings settings;
        settings.clock = &clock_;
        settings.multi_send_notice = notice;
        job_ = std::make_unique<CThreadSendSMS>(&recipients, &parts, &texts_, &sms_, &sent_,
                                                &unsent_, settings);
        test::RunInto(log_)(*job_);
        return log_.Take();
    }
    CLocalizer texts_;
    TestClock clock_;
    ScriptedSms sms_;
    CSMSBoxPC sent_;
    CSMSBoxPC unsent_;
    test::JobLog log_;
    std::unique_ptr<CThreadSendSMS> job_;
    void SetUp() override { test::LoadSmsTexts(&texts_); }
};

TEST_F(SendJob, LastRecipientFirstThreeAttemptsAndAPauseAfterEveryPart) {
    sms_.refused = "123";
    const std::vector<SmsRecipient> to = {{u"", u"123"}, {u"", u"456"}};
    const std::vector<SMSMessage> parts = MakeSmsParts(Repeat(u'a', 161), 0, false);
    EXPECT_EQ(Run(to, parts, true),
              (std::vector<std::string>{"sending   [456]  (0/4)", "0/4", "sending   [456]  (1/4)",
                                        "1/4", "sending   [123]  (2/4)", "2/4",
                                        "sending   [123]  (3/4)", "3/4", "ended"}));
    EXPECT_EQ(sms_.attempts, (std::vector<std::string>{"begin", "456:0", "456:0", "123:0", "123:0",
                                                       "123:0", "123:0", "123:0", "123:0", "end"}));
    EXPECT_EQ(clock_.Slept(), std::chrono::milliseconds(4 * 3000));
    EXPECT_EQ(std::vector<int>({job_->Succeeded(), job_->Failed()}), std::vector<int>({2, 2}));
    // Filed with the recipient, the status, and each its own time.
    EXPECT_EQ(test::Line(sent_.GetAt(0)), "456|a|3");
    EXPECT_NE(sent_.GetAt(0).time, sent_.GetAt(1).time);
    EXPECT_EQ(test::Line(unsent_.GetAt(0)), "123|a|2");
}

TEST_F(SendJob, CancelCountsThePartsNeverBegunAsFailed) {
    const std::vector<SmsRecipient> to = {{u"", u"1"}, {u"", u"2"}, {u"", u"3"}};
    const std::vector<SMSMessage> parts = MakeSmsParts(u"x", 0, false);
    sms_.on_send = [this] { job_->Cancel(); };
    Run(to, parts);
    EXPECT_TRUE(job_->IsCancelable());
    // The first part went; the pause after it is not begun, nor anything further.
    EXPECT_EQ(std::vector<int>({job_->Succeeded(), job_->Failed(), sent_.GetCount(),
                                unsent_.GetCount(), static_cast<int>(clock_.SleepCount())}),
              std::vector<int>({1, 2, 1, 0, 0}));
}

}  // namespace
}  // namespace dedevev
