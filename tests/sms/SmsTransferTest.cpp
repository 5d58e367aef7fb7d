// Copying and moving card messages into the PC inbox, with a card box in memory: a full
// inbox, a message arriving between the copy and the delete of a move, and the card-full test.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sms/SMSTransfer.h"
#include "support/FakeCardBox.h"
#include "support/SmsJobs.h"

namespace dedevev {
namespace {

class Transfer : public ::testing::Test {
protected:
    void SetUp() override {
        test::LoadSmsTexts(&texts_);
        for (int i = 0; i < 3; ++i)
            card_.box.Add(test::Message("08" + std::to_string(i), "m" + std::to_string(i), i),
                          nullptr);
    }
    std::vector<std::string> Lines(IMessageBoxBase& box) {
        std::vector<std::string> lines;
        for (int i = 0; i < box.GetCount(); ++i)
            lines.push_back(test::Line(box.GetAt(i)));
        return lines;
    }
    CLocalizer texts_;
    test::FakeCardBox card_;  // m2, m1, m0 (newest first)
    CSMSBoxPC inbox_;
    test::JobLog log_;
    test::ScriptedBox shown_;
};

TEST_F(Transfer, AnInboxWithRoomForOneTakesOneAndSaysNoSpace) {
    std::vector<SMSMessage> many;
    for (int i = 0; i < CSMSBoxPC::kCapacity - 1; ++i)
        many.push_back(test::Message("1" + std::to_string(i), "x", 0, kSmsRead));
    inbox_.Parse(SerialiseMessages(many));
    const SmsCopyOutcome outcome =
        CopyCardMessages(inbox_, card_, {0, 1, 2}, false, &texts_, test::RunInto(log_));
    EXPECT_EQ(outcome.added, 1);
    EXPECT_EQ(outcome.placed, std::vector<int>{0});
    EXPECT_EQ(inbox_.GetCount(), CSMSBoxPC::kCapacity);
    EXPECT_EQ(shown_.shown, (std::vector<std::string>{"dedevev|nospace|30"}));
}

TEST_F(Transfer, AMoveDeletesOnlyTheCopiedMessagesWhenOneArrivedMeanwhile) {
    // The newest message arrives after the copy, before the delete: every position moves.
    const ProgressRunner run = [this](CThreadProgress& job) {
        card_.box.Add(test::Message("089", "arrived", 9), nullptr);
        test::RunInto(log_)(job);
    };
    const SmsCopyOutcome moved = CopyCardMessages(inbox_, card_, {0, 2}, true, &texts_, run);
    EXPECT_EQ(moved.deleted, 2);
    EXPECT_EQ(Lines(card_), (std::vector<std::string>{"089|arrived|0", "081|m1|0"}));
    EXPECT_EQ(Lines(inbox_), (std::vector<std::string>{"082|m2|0", "080|m0|0"}));
    EXPECT_TRUE(shown_.shown.empty());
}

TEST_F(Transfer, DeletingFromThePCPassesOverPositionsNoLongerThere) {
    CopyCardMessages(inbox_, card_, {0, 1, 2}, false, &texts_, test::RunInto(log_));
    EXPECT_EQ(DeletePCMessages(inbox_, {2, 0, 7, -1, 0}), 2);
    EXPECT_EQ(Lines(inbox_), (std::vector<std::string>{"081|m1|0"}));
}

TEST(SmsTransfer, CardStorageIsFullOnlyWithAKnownCapacityReached) {
    test::FakeCardBox box;
    EXPECT_FALSE(IsCardStorageFull(nullptr));
    box.box.Add(test::Message("1", "a"), nullptr);
    EXPECT_FALSE(IsCardStorageFull(&box));  // capacity 0: not known
    box.capacity = 2;
    EXPECT_FALSE(IsCardStorageFull(&box));
    box.capacity = 1;
    EXPECT_TRUE(IsCardStorageFull(&box));
}

}  // namespace
}  // namespace dedevev
