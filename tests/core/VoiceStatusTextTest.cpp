// The voice page's status area, caller names and volume steps, without a window. No
// localizer: every text shows as its key.

#include <gtest/gtest.h>

#include "phonebook/NameMapping.h"
#include "support/OneName.h"
#include "voice/VoiceStatusText.h"

namespace dedevev {
namespace {

using test::OneName;

CallRecord Call(std::u16string number, int seconds = 0) {
    CallRecord record;
    record.number = std::move(number);
    record.duration = seconds;
    record.start = {2026, 12, 10, 9, 5, 0};
    return record;
}

TEST(VoiceStatusText, ShowsWhatTheCallsDo) {
    OneName names;
    struct Case {
        const char* what;
        VoiceStatus status;
        std::u16string text;
    };
    VoiceStatus calling;
    calling.current = CallLine{CallPhase::kCalling, Call(u"0811")};
    calling.dial_buffer = u"ignored while a call is up";
    VoiceStatus talking;
    talking.current = CallLine{CallPhase::kTalking, Call(u"0999", 65)};
    talking.second = CallLine{CallPhase::kRinging, Call(u"0811")};
    talking.info = u"Roaming";
    VoiceStatus typing;
    typing.dial_buffer = u"0812";
    typing.last_call = Call(u"0811", 3);
    VoiceStatus missed_many;
    missed_many.last_call = Call(u"0811");
    missed_many.last_missed = true;
    missed_many.unseen_missed = 3;
    VoiceStatus missed_one = missed_many;
    missed_one.unseen_missed = 1;
    VoiceStatus ended;
    ended.last_call = Call(u"0811", 3725);
    ended.last_second = Call(u"", 10);
    const Case cases[] = {
        {"nothing yet", VoiceStatus{}, u"InputNumber"},
        {"calling", calling, u"Calling\r\n\r\nAnn(0811)"},
        {"talking with a waiting call and a card notice", talking,
         u"Connected\r\n\r\n0999\r\n01:05\r\n\r\nCallComming\r\n\r\nAnn(0811)\r\n\r\nRoaming"},
        {"typing after a call", typing, u"0812"},
        {"several missed", missed_many,
         u"MissedCall(3)\r\n\r\nAnn(0811)\r\n2026-12-10 09:05\r\n\r\n..."},
        {"one missed", missed_one, u"MissedCall\r\n\r\nAnn(0811)\r\n2026-12-10 09:05"},
        {"ended, with a withheld second party", ended,
         u"Disconnected\r\n\r\nAnn(0811)\r\n1:02:05\r\n\r\nUnknown\r\n00:10"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VoiceStatusText(c.status, &names, nullptr), c.text) << c.what;
}

TEST(VoiceStatusText, NamesTheCallerInTheNotice) {
    OneName names;
    CallRecord named = Call(u"0999");
    named.name = u"Bob";
    EXPECT_EQ(IncomingNoticeText(Call(u"0811"), &names, nullptr), u"Ann(0811)\r\n\r\nClickAccept");
    EXPECT_EQ(CallDisplayName(named, &names, nullptr), u"Bob(0999)");
    EXPECT_EQ(CallDisplayName(Call(u"0999"), &names, nullptr), u"0999");
    EXPECT_EQ(CallDisplayName(Call(u"0811"), nullptr, nullptr), u"0811");
}

TEST(VoiceStatusText, VolumeStepsOfTheSlider) {
    const std::pair<int, int> cases[] = {{0, 0},  {9, 0},  {10, 1}, {40, 4},
                                         {79, 7}, {80, 8}, {-5, 0}, {200, 8}};
    for (auto [position, level] : cases)
        EXPECT_EQ(VolumeForPosition(position), level) << position;
}

}  // namespace
}  // namespace dedevev
