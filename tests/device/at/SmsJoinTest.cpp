// Card messages joined for the box: parts of long messages in any order, missing parts, the
// records' status, time and text.
#include "device/at/pdu/SmsJoin.h"

#include <gtest/gtest.h>

namespace dedevev::at {
namespace {

StoredMessage Part(int index, int stat, const std::u16string& from, const std::u16string& text,
                   int minute, int reference = -1, int total = 0, int sequence = 0) {
    StoredMessage m;
    m.index = index;
    m.stat = stat;
    m.decoded = true;
    m.pdu.address = from;
    m.pdu.text = text;
    m.pdu.timestamp.present = true;
    m.pdu.timestamp.time = DateTimeFields{2026, 12, 9, 10, minute, 0};
    m.pdu.concat.reference = reference;
    m.pdu.concat.total = total;
    m.pdu.concat.sequence = sequence;
    return m;
}

TEST(SmsJoin, LongMessageInAnyOrderBecomesOneRecord) {
    const std::vector<StoredMessage> stored = {
        Part(4, 1, u"+628111", u"world, ", 30, 7, 3, 2),
        Part(2, 1, u"+628111", u"!", 31, 7, 3, 3),
        Part(9, 0, u"+628111", u"Hello ", 29, 7, 3, 1),
        Part(5, 1, u"+628222", u"Short one", 20),
    };
    const std::vector<JoinedMessage> joined = JoinStoredMessages(stored);
    ASSERT_EQ(joined.size(), 2u);
    const JoinedMessage& long_one = joined[0];  // 10:29 is newer than 10:20
    EXPECT_EQ(long_one.message.text, "Hello world, !");
    EXPECT_EQ(long_one.indexes, (std::vector<int>{9, 4, 2}));  // in part order
    EXPECT_TRUE(long_one.Complete());
    // One unread part makes the whole message unread; its time is the first part's.
    EXPECT_EQ(long_one.message.status, kSmsUnread);
    EXPECT_EQ(long_one.message.time.minute, 29);
    EXPECT_EQ(long_one.message.number, "+628111");
    EXPECT_EQ(joined[1].message.text, "Short one");
    EXPECT_EQ(joined[1].message.status, kSmsRead);
}

TEST(SmsJoin, MissingPartsShowWhatIsThereInOrder) {
    const std::vector<JoinedMessage> joined = JoinStoredMessages({
        Part(3, 1, u"+1", u"C", 5, 200, 3, 3),
        Part(1, 1, u"+1", u"A", 5, 200, 3, 1),
    });
    ASSERT_EQ(joined.size(), 1u);
    EXPECT_EQ(joined[0].message.text, "AC");
    EXPECT_FALSE(joined[0].Complete());
    EXPECT_EQ(joined[0].sequences, (std::vector<int>{1, 3}));
}

TEST(SmsJoin, PartsOfDifferentMessagesStayApart) {
    const std::vector<JoinedMessage> joined = JoinStoredMessages({
        Part(1, 1, u"+1", u"a1", 5, 10, 2, 1),
        Part(2, 1, u"+2", u"b1", 5, 10, 2, 1),  // another sender, same reference
        Part(3, 1, u"+1", u"c1", 5, 11, 2, 1),  // another reference
        Part(4, 1, u"+1", u"d1", 5, 10, 3, 1),  // another part count
        Part(5, 1, u"+1", u"a2", 5, 10, 2, 2),
    });
    ASSERT_EQ(joined.size(), 4u);
    int joined_count = 0;
    for (const JoinedMessage& m : joined) {
        if (m.message.text == "a1a2") {
            ++joined_count;
            EXPECT_EQ(m.indexes, (std::vector<int>{1, 5}));
        }
    }
    EXPECT_EQ(joined_count, 1);
}

TEST(SmsJoin, APartStoredTwiceShowsOnceButBothAreDeleted) {
    const std::vector<JoinedMessage> joined = JoinStoredMessages({
        Part(1, 1, u"+1", u"A", 5, 3, 2, 1),
        Part(2, 1, u"+1", u"A", 5, 3, 2, 1),
        Part(3, 1, u"+1", u"B", 5, 3, 2, 2),
    });
    ASSERT_EQ(joined.size(), 1u);
    EXPECT_EQ(joined[0].message.text, "AB");
    EXPECT_EQ(joined[0].indexes.size(), 3u);
}

TEST(SmsJoin, RecordsFromStoredStates) {
    StoredMessage unsent = Part(1, 2, u"+1", u"draft", 1);
    unsent.pdu.timestamp.present = false;
    const SMSMessage draft = ToRecord(unsent);
    EXPECT_EQ(draft.status, kSmsNotSent);
    EXPECT_EQ(draft.time, DateTimeFields{});  // no centre time: the default record time
    EXPECT_EQ(ToRecord(Part(1, 3, u"+1", u"x", 1)).status, kSmsSent);
    EXPECT_EQ(ToRecord(Part(1, 0, u"+1", u"x", 1)).status, kSmsUnread);

    // Line breaks become CR LF whatever the sender used.
    EXPECT_EQ(ToRecord(Part(1, 1, u"+1", u"a\nb\r\nc\rd", 1)).text, "a\r\nb\r\nc\r\nd");

    StoredMessage broken;
    broken.index = 6;
    broken.stat = 1;
    const SMSMessage unreadable = ToRecord(broken);
    EXPECT_EQ(unreadable.text, kUnreadableText);
    EXPECT_EQ(unreadable.number, "");
}

TEST(SmsJoin, StatusReportsReadAsDeliveryTexts) {
    StoredMessage report = Part(1, 1, u"+628111", u"", 1);
    report.pdu.kind = SmsKind::kStatusReport;
    report.pdu.report_status = 0;
    report.pdu.discharge.present = true;
    report.pdu.discharge.time = DateTimeFields{2026, 12, 9, 11, 0, 0};
    SMSMessage record = ToRecord(report);
    EXPECT_EQ(record.text, "Delivered");
    EXPECT_EQ(record.time.hour, 11);
    report.pdu.report_status = 70;
    EXPECT_EQ(ToRecord(report).text, "Delivery failed (70)");
    report.pdu.report_status = 48;
    EXPECT_EQ(ToRecord(report).text, "Delivery pending (48)");
}

TEST(SmsJoin, BoxOrderIsNewestFirstThenLowestIndex) {
    const std::vector<JoinedMessage> joined = JoinStoredMessages({
        Part(8, 1, u"+1", u"old", 1),
        Part(5, 1, u"+1", u"same time, higher index", 9),
        Part(2, 1, u"+1", u"same time, lower index", 9),
        Part(3, 1, u"+1", u"new", 30),
    });
    ASSERT_EQ(joined.size(), 4u);
    EXPECT_EQ(joined[0].message.text, "new");
    EXPECT_EQ(joined[1].message.text, "same time, lower index");
    EXPECT_EQ(joined[2].message.text, "same time, higher index");
    EXPECT_EQ(joined[3].message.text, "old");
}

}  // namespace
}  // namespace dedevev::at
