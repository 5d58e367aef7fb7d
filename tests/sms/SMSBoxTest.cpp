// The PC message boxes: order, sameness, observers, the box files and the registry of the four.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "device/base/Utf.h"
#include "sms/SMSBoxRegistry.h"
#include "support/FileModes.h"
#include "support/TempDir.h"

// Messages are written with designated initializers that name only the fields that matter.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace dedevev {
namespace {

using Messages = std::vector<SMSMessage>;

SMSMessage At(int day, std::string text, std::string number = "0811") {
    return {.time = {2009, 5, day, 13, 4, 9}, .text = std::move(text), .number = std::move(number)};
}

struct Recorder : IMessageBoxObserver {
    void OnAdded(IMessageBoxBase*, int at) override { calls.push_back("+" + std::to_string(at)); }
    void OnRemoved(IMessageBoxBase*, int at) override { calls.push_back("-" + std::to_string(at)); }
    void OnChanged(IMessageBoxBase*, int at) override { calls.push_back("~" + std::to_string(at)); }
    std::vector<std::string> calls;
};

TEST(SMSBoxPC, NewestFirstEqualTimesInAddingOrderSameMessagesOnce) {
    CSMSBoxPC box;
    Recorder seen;
    box.AddObserver(&seen);
    bool existed = true;
    for (const SMSMessage& m : {At(5, "a"), At(7, "b"), At(5, "c"), At(6, "d")})
        EXPECT_TRUE(box.Add(m, &existed) && !existed);
    SMSMessage again = At(5, "c");
    again.status = kSmsSent;
    again.priority = kSmsPriorityUrgent;
    EXPECT_TRUE(box.Add(again, &existed) && existed);
    EXPECT_EQ(box.Messages(), (Messages{At(7, "b"), At(6, "d"), At(5, "a"), At(5, "c")}));

    EXPECT_TRUE(box.SetStatus(1, kSmsUnread));
    EXPECT_TRUE(box.SetStatus(1, kSmsUnread));  // unchanged: no notice
    EXPECT_EQ(box.GetUnreadCount(), 1);
    EXPECT_FALSE(box.SetStatus(4, kSmsRead));
    EXPECT_EQ(box.GetByIndex(4), nullptr);
    EXPECT_EQ(box.GetAt(-1), SMSMessage());
    for (int last = 3; last >= 0; --last)
        EXPECT_TRUE(box.RemoveAt(last));
    EXPECT_FALSE(box.RemoveAt(0));
    EXPECT_EQ(seen.calls,
              (std::vector<std::string>{"+0", "+0", "+2", "+1", "~1", "-3", "-2", "-1", "-0"}));
}

TEST(SMSBoxFile, ReadsWhatTheFileHolds) {
    const std::u16string text =
        u"# my box\r\nxNumber:123\r\nText:a\r\n\r\n#lost\r\nStatus: ok\r\nb\r\n"
        u"Time:2009-5-7,13:4:9\r\nPriority: 2x\r\nStatus:1\r\n\r\n"
        u"Number:1\r\nText:lacks its time\r\nPriority:0\r\nStatus:0\r\n\r\n"
        u"Number:2\r\nText:\r\nTime:2009-5-7,13:4\r\nPriority:0\r\nStatus:-3\r\n\r\n"
        u"Number:3\r\nText:sent\r\nTime:x\r\nPriority:0\r\nStatus:\r\n\r\n"
        u"Number:4\r\nText:cut\r\nTime:2009-1-1,1:1:1\r\nPriority:1";
    const Messages expected = {{.time = {2009, 5, 7, 13, 4, 9},
                                .priority = 2,
                                .status = 1,
                                .text = "a\r\nStatus: ok\r\nb",
                                .number = "x123"},
                               {.priority = 0, .status = -3, .text = "", .number = "2"}};
    for (const std::string& bytes : {test::Utf16LeFile(text), Utf16ToUtf8(text)})
        EXPECT_EQ(ParseMessages(bytes), expected);
}

TEST(SMSBoxFile, WritesUtf16AndReadsBackWhatItCan) {
    SMSMessage one = At(7, "a\r\n\r\nb\r\n#c\r\nNumber:9\r\nStatus: d", "+62 811");
    one.priority = kSmsPriorityEmergency;
    const std::string bytes = SerialiseMessages({one, At(8, "")});
    const std::string first = test::Utf16LeFile(
        u"Number:+62 811\r\nText:a\r\n\r\nb\r\n#c\r\nNumber:9\r\nStatus: d\r\n"
        u"Time:2009-5-7,13:4:9\r\nPriority:3\r\nStatus:2\r\n\r\n");
    EXPECT_EQ(bytes.substr(0, first.size()), first);
    one.text = "a\r\nb\r\nNumber:9\r\nStatus: d";  // empty and '#' lines are lost
    EXPECT_EQ(ParseMessages(bytes), (Messages{one, At(8, "")}));
}

TEST(SMSBoxFile, SaveIsPrivateAndAFailedSaveKeepsTheOldFile) {
    test::TempDir dir;
    const std::string path = dir.File("BoxIn.dat");
    CSMSBoxPC box;
    bool existed = false;
    box.Add(At(1, "old"), &existed);
    ASSERT_TRUE(box.Save(path));
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    const std::string old = test::ReadFile(path);

    box.Add(At(2, "new"), &existed);
    ::chmod(dir.Path().c_str(), 0500);
    bool saved = true;
    const bool ran = test::RunWhereFileModesBind([&] { saved = box.Save(path); });
    ::chmod(dir.Path().c_str(), 0700);
    ASSERT_TRUE(ran) << "this process may not drop CAP_DAC_OVERRIDE";
    EXPECT_FALSE(saved);
    EXPECT_EQ(test::ReadFile(path), old);
    EXPECT_TRUE(box.Load(dir.File("missing.dat")));
    EXPECT_EQ(box.GetCount(), 0);
}

TEST(SMSBoxRegistry, EachBoxHasItsFileAndAnUnreadableFileIsKept) {
    test::TempDir dir;
    const SMSBoxRegistry::PCBox boxes[] = {SMSBoxRegistry::kInbox, SMSBoxRegistry::kSent,
                                           SMSBoxRegistry::kUnsent, SMSBoxRegistry::kDrafts};
    for (SMSBoxRegistry::PCBox which : boxes)
        test::WriteFile(dir.File(SMSBoxRegistry::FileName(which)),
                        SerialiseMessages({At(1 + which, "box")}));
    const std::string sent = dir.File("BoxSend.dat");
    const std::string sent_bytes = test::ReadFile(sent);
    ::chmod(sent.c_str(), 0);
    const bool ran = test::RunWhereFileModesBind([&] {
        SMSBoxRegistry registry({dir.Path(), [] { return nullptr; }});
        EXPECT_EQ(registry.Inbox()->Messages(), Messages{At(1, "box")});
        EXPECT_EQ(registry.Sent()->GetCount(), 0);
        EXPECT_EQ(registry.Unsent()->Messages(), Messages{At(3, "box")});
        EXPECT_EQ(registry.Drafts()->Messages(), Messages{At(4, "box")});
        EXPECT_EQ(registry.CardBox1(), nullptr);
        bool existed = false;
        registry.Sent()->Add(At(9, "sent"), &existed);
        registry.Drafts()->Add(At(9, "draft"), &existed);
        EXPECT_FALSE(registry.Save());
    });
    ::chmod(sent.c_str(), 0600);
    ASSERT_TRUE(ran) << "this process may not drop CAP_DAC_OVERRIDE";
    EXPECT_EQ(test::ReadFile(sent), sent_bytes);
    EXPECT_EQ(ParseMessages(test::ReadFile(dir.File("BoxDraft.dat"))),
              (Messages{At(9, "draft"), At(4, "box")}));
}

}  // namespace
}  // namespace dedevev
