// The message answer parsers against answers of the shapes real cards give.
#include "device/at/parsers/SmsParsers.h"

#include <gtest/gtest.h>

namespace dedevev::at {
namespace {

TEST(SmsParsers, ListingPairsEveryHeaderWithItsPdu) {
    const Lines lines = {
        "+CMGL: 0,1,,22",
        "07911326040000F0040B911346610089F60000208062917314080CC8F71D14969741F977FD07",
        "+CMGL: 3,0,\"\",24",  // an empty alpha field in quotes
        "0791261800000000040C9126181111111100008020100215154003C8340D ",  // trailing blank
        "+CMGL: 7,1,,18",
        "0791261800000000040c912618111111110000802010021515400361f11a",  // lower case
    };
    const std::vector<StoredPdu> entries = ParseCmglListing(lines);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].index, 0);
    EXPECT_EQ(entries[0].stat, 1);
    EXPECT_EQ(entries[0].length, 22);
    EXPECT_EQ(entries[1].index, 3);
    EXPECT_EQ(entries[1].stat, 0);
    EXPECT_EQ(entries[1].length, 24);
    EXPECT_EQ(entries[1].hex.back(), 'D');  // the blank is gone
    EXPECT_EQ(entries[2].hex, "0791261800000000040C912618111111110000802010021515400361F11A");
}

TEST(SmsParsers, ListingSkipsWhatDoesNotFit) {
    const Lines lines = {
        "+CMGL: 1,1,,5",                // header without its PDU line
        "+CMGL: 2,9,,5", "0011223344",  // impossible state: skipped with its line
        "+CMGL: x,1,,5", "0011223344",  // bad index
        "+CMGL: 4,1,,5", "00112233G4",  // not hex
        "+CMGL: 5,1,,5", "0011223",     // odd length
        "0011223344",                   // a PDU line without a header
        "+CMGL: 6,2,,5", "0011223344",  // a good one
        "+CMGL: 6,1,,5", "5566778899",  // the same index again keeps the first
        "+CMGL: 8,3,,5",                // header at the very end
    };
    const std::vector<StoredPdu> entries = ParseCmglListing(lines);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].index, 6);
    EXPECT_EQ(entries[0].stat, 2);
    EXPECT_EQ(entries[0].hex, "0011223344");
    EXPECT_TRUE(ParseCmglListing({}).empty());
}

TEST(SmsParsers, ReadAnswer) {
    const std::optional<StoredPdu> read = ParseCmgr(
        {"+CMGR: 0,,24", "0791261800000000040C9126181111111100008020100215154003C8340D"}, 12);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->index, 12);
    EXPECT_EQ(read->stat, 0);
    EXPECT_EQ(read->length, 24);
    EXPECT_FALSE(ParseCmgr({"+CMGR: 0,,24"}, 1));
    EXPECT_FALSE(ParseCmgr({"+CMGR: 5,,24", "00"}, 1));
    EXPECT_FALSE(ParseCmgr({"+CMGR: 1,,24", "not hex"}, 1));
}

TEST(SmsParsers, StorageCountsInEveryForm) {
    const std::optional<StorageCounts> set = ParseCpms({"+CPMS: 3,50,3,50,3,50"});
    ASSERT_TRUE(set);
    EXPECT_EQ(set->count, 3);
    EXPECT_EQ(set->used[0], 3);
    EXPECT_EQ(set->total[2], 50);
    EXPECT_EQ(set->name[0], "");

    const std::optional<StorageCounts> query =
        ParseCpms({"+CPMS: \"ME\",0,100,\"me\",0,100,\"SM\",5,50"});
    ASSERT_TRUE(query);
    EXPECT_EQ(query->count, 3);
    EXPECT_EQ(query->name[1], "ME");
    EXPECT_EQ(query->name[2], "SM");
    EXPECT_EQ(query->used[2], 5);

    const std::optional<StorageCounts> one = ParseCpms({"+CPMS: 12,50"});
    ASSERT_TRUE(one);
    EXPECT_EQ(one->count, 1);
    EXPECT_EQ(one->total[0], 50);

    EXPECT_FALSE(ParseCpms({"+CPMS: (\"SM\",\"ME\"),(\"SM\"),(\"SM\")"}));
    EXPECT_FALSE(ParseCpms({"+CPMS: -1,50"}));
    EXPECT_FALSE(ParseCpms({"OK"}));
}

TEST(SmsParsers, StoredNotices) {
    const struct {
        const char* line;
        const char* storage;
        int index;
    } cases[] = {
        {"+CMTI: \"SM\",3", "SM", 3},
        {"+CMTI: \"me\", 12", "ME", 12},
        {"+CMTI: \"MT\",0", "MT", 0},
        {"+CDSI: \"SR\",1", "SR", 1},
    };
    for (const auto& c : cases) {
        const std::optional<StoredNotice> notice = ParseStoredNotice(c.line);
        ASSERT_TRUE(notice) << c.line;
        EXPECT_EQ(notice->storage, c.storage);
        EXPECT_EQ(notice->index, c.index);
    }
    EXPECT_FALSE(ParseStoredNotice("+CMTI: \"SM\""));
    EXPECT_FALSE(ParseStoredNotice("+CMTI: \"\",3"));
    EXPECT_FALSE(ParseStoredNotice("+CMTI: \"SM\",-3"));
    EXPECT_FALSE(ParseStoredNotice("+CMT: ,24"));
}

TEST(SmsParsers, DeliveredPduOfTwoLineNotices) {
    EXPECT_EQ(ParseDeliveredPdu("+CMT: ,24\n07911326040000f0"), "07911326040000F0");
    EXPECT_EQ(ParseDeliveredPdu("+CMT: \"\",24\n0011"), "0011");
    EXPECT_EQ(ParseDeliveredPdu("+CDS: 25\n0006"), "0006");
    EXPECT_FALSE(ParseDeliveredPdu("+CMT: ,24"));
    EXPECT_FALSE(ParseDeliveredPdu("+CMT: ,24\nHello"));
    EXPECT_FALSE(ParseDeliveredPdu("+CMTI: \"SM\",1\n0011"));
}

TEST(SmsParsers, SendReference) {
    EXPECT_EQ(ParseCmgs({"+CMGS: 42"}), 42);
    EXPECT_EQ(ParseCmgs({"+CMGS: 7,\"0611\""}), 7);
    EXPECT_FALSE(ParseCmgs({"OK"}));
}

TEST(SmsParsers, NewMessageIndicationRangesAndTheNearestSetting) {
    const std::optional<CnmiSupport> ranges =
        ParseCnmiTest({"+CNMI: (0-2),(0-3),(0,2),(0-2),(0,1)"});
    ASSERT_TRUE(ranges);
    EXPECT_EQ(ranges->values[1], (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(ranges->values[2], (std::vector<int>{0, 2}));
    EXPECT_EQ(NearestCnmi(*ranges, {2, 1, 0, 2, 0}), (std::vector<int>{2, 1, 0, 2, 0}));
    EXPECT_EQ(NearestCnmi(*ranges, {3, 1, 1, 2, 0}), (std::vector<int>{2, 1, 0, 2, 0}));

    // A card that only buffers and only forwards directly.
    const std::optional<CnmiSupport> narrow = ParseCnmiTest({"+CNMI: (1),(2),(0),(0),(0)"});
    ASSERT_TRUE(narrow);
    EXPECT_EQ(NearestCnmi(*narrow, {2, 1, 0, 2, 0}), (std::vector<int>{1, 2, 0, 0, 0}));

    // Lists written out, and a card that names fewer fields.
    const std::optional<CnmiSupport> listed = ParseCnmiTest({"+CNMI: (0,1,2),(0,1,2,3)"});
    ASSERT_TRUE(listed);
    EXPECT_EQ(NearestCnmi(*listed, {2, 1, 2, 2, 1}), (std::vector<int>{2, 1, 0, 0, 0}));

    EXPECT_FALSE(ParseCnmiTest({"ERROR"}));
    EXPECT_FALSE(ParseCnmiTest({"+CNMI: (),()"}));
}

TEST(SmsParsers, StorageFullAndFamily) {
    EXPECT_EQ(ParseStorageFull("^DDSMSFULL: \"SM\""), "SM");
    EXPECT_EQ(ParseStorageFull("^DDSMSFULL:\"me\""), "ME");
    EXPECT_FALSE(ParseStorageFull("^DDSMSFULL: \"\""));
    EXPECT_FALSE(ParseStorageFull("^SMMEMFULL: \"SM\""));
}

}  // namespace
}  // namespace dedevev::at
