// Network profiles: the sorted list and SetNet.dat.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "connection/NetProfileList.h"
#include "core/AppSettings.h"
#include "core/Paths.h"
#include "core/TextCodec.h"
#include "support/TempDir.h"

namespace dedevev {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

std::string Utf16Le(std::u16string_view text) {
    std::string out;
    for (char16_t c : text) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

NetProfile Profile(std::u16string name, std::u16string mcc_mnc = u"") {
    NetProfile p;
    p.name = std::move(name);
    p.mcc_mnc = std::move(mcc_mnc);
    return p;
}

std::vector<std::u16string> Names(const NetProfileList& list) {
    std::vector<std::u16string> names;
    for (const NetProfile& p : list.All())
        names.push_back(p.name);
    return names;
}

TEST(NetProfileList, WritesUtf16BlocksWithCrLfAndEmptyLine) {
    NetProfileList list;
    NetProfile p = Profile(u"Kartu \u00e9", u"510010");
    p.phone = u"#777";
    p.user = u"u";
    p.password = u"p w";
    p.apn = u"internet";
    p.dns_primary = u"8.8.8.8";
    p.ip = u"10.0.0.2";
    p.use_dns = true;
    ASSERT_TRUE(list.Insert(p));
    const std::string expected =
        "\xFF\xFE" + Utf16Le(
                         u"Name:Kartu \u00e9\r\nMccMnc:510010\r\nPhone:#777\r\nUser:u\r\n"
                         u"Psw:p w\r\nApn:internet\r\nDNSPre:8.8.8.8\r\nDNSAlt:\r\n"
                         u"IP:10.0.0.2\r\nUseDNS:1\r\nUseIP:0\r\n\r\n");
    EXPECT_EQ(list.Serialise(), expected);

    NetProfileList back;
    back.Parse(expected);
    ASSERT_EQ(back.Count(), 1u);
    EXPECT_EQ(back.At(0), p);
}

TEST(NetProfileList, ReadsNarrowTextWithCommentsBlankLinesAndDropsEmptyBlocks) {
    const std::string file =
        "# accounts\n\nName:Zeta\r\nMccMnc:460030\r\nPhone:#777\r\nUser:card\r\nPsw:card\r\n"
        "Apn:\r\nDNSPre:\r\nDNSAlt:\r\nIP:\r\nUseDNS:0\r\nUseIP:1\r\n\r\n"
        "Name:\r\nMccMnc:1\r\nPhone:\r\nUser:\r\nPsw:\r\nApn:\r\nDNSPre:\r\nDNSAlt:\r\nIP:\r\n"
        "UseDNS:1\r\nUseIP:1\r\n\r\n"
        "# second\r\nName:Alpha \xC3\xA9\r\nMccMnc:510010\r\nPhone:*99#\r\nUser:\r\nPsw:\r\n"
        "Apn:www\r\nDNSPre:1.1.1.1\r\nDNSAlt:\r\nIP:\r\nUseDNS:yes\r\nUseIP:1\r\n";
    NetProfileList list;
    list.Parse(file);
    ASSERT_EQ(list.Count(), 2u);
    EXPECT_EQ(list.At(0).name, u"Alpha \u00e9");
    EXPECT_EQ(list.At(0).apn, u"www");
    EXPECT_EQ(list.At(0).dns_primary, u"1.1.1.1");
    EXPECT_FALSE(list.At(0).use_dns);  // only "1" is true
    EXPECT_TRUE(list.At(0).use_ip);
    EXPECT_EQ(list.At(1).name, u"Zeta");
    EXPECT_EQ(list.At(1).phone, u"#777");
    EXPECT_EQ(list.At(1).password, u"card");
}

TEST(NetProfileList, BlockWithPhoneButNoNameIsKept) {
    NetProfileList list;
    list.Parse("\xFF\xFE" + Utf16Le(u"Name:\r\nMccMnc:\r\nPhone:#777\r\n"));
    ASSERT_EQ(list.Count(), 1u);
    EXPECT_EQ(list.At(0).phone, u"#777");
}

TEST(NetProfileList, DamagedBlockLosesOnlyItsOwnFields) {
    // Each block lacks a key; the block after it must stay whole.
    const std::u16string whole =
        u"Name:B\r\nMccMnc:2\r\nPhone:*99#\r\nUser:u\r\nPsw:p\r\nApn:a\r\nDNSPre:\r\n"
        u"DNSAlt:\r\nIP:9.9.9.9\r\nUseDNS:0\r\nUseIP:1\r\n\r\n";
    for (const char16_t* damaged :
         {u"Name:A\r\nPhone:#777\r\nUseIP:1\r\n",                         // no IP:, no UseDNS:
          u"Name:A\r\nMccMnc:1\r\nPhone:#777\r\nUser:x\r\nUseDNS:1\r\n",  // no UseIP:
          u"MccMnc:1\r\nName:A\r\nPhone:#777\r\nUseIP:1\r\n"}) {          // out of order
        NetProfileList list;
        list.Parse("\xFF\xFE" + Utf16Le(damaged + whole));
        ASSERT_EQ(list.Count(), 2u) << Utf16ToUtf8(damaged);
        EXPECT_EQ(list.At(0).name, u"A");
        EXPECT_EQ(list.At(0).phone, u"#777");
        EXPECT_EQ(list.At(0).ip, u"");
        NetProfileList only;
        only.Parse("\xFF\xFE" + Utf16Le(whole));
        EXPECT_EQ(list.At(1), only.At(0));
    }
}

TEST(NetProfileList, LineBreakInValueCannotSplitTheBlock) {
    NetProfileList list;
    NetProfile p = Profile(u"A");
    p.apn = u"x\r\nName:Injected";
    ASSERT_TRUE(list.Insert(p));
    NetProfileList back;
    back.Parse(list.Serialise());
    ASSERT_EQ(back.Count(), 1u);
    EXPECT_EQ(back.At(0).name, u"A");
    EXPECT_EQ(back.At(0).apn, u"x  Name:Injected");
}

TEST(NetProfileList, SortsOrdinallyAndRefusesDuplicateNames) {
    NetProfileList list;
    for (const char16_t* name : {u"b", u"B", u"a", u"Ab"})
        ASSERT_TRUE(list.Insert(Profile(name)));
    EXPECT_EQ(Names(list), (std::vector<std::u16string>{u"Ab", u"B", u"a", u"b"}));
    EXPECT_FALSE(list.Insert(Profile(u"a", u"999")));
    EXPECT_EQ(list.Count(), 4u);
    EXPECT_EQ(list.FindByName(u"a"), 2);
    EXPECT_EQ(list.FindByName(u"A"), -1);

    EXPECT_TRUE(list.Replace(1, Profile(u"B", u"460030")));
    EXPECT_EQ(list.FindByMccMnc(u"460030"), 1);
    EXPECT_FALSE(list.Replace(4, Profile(u"x")));
    EXPECT_TRUE(list.Remove(0));
    EXPECT_FALSE(list.Remove(3));
    EXPECT_EQ(Names(list), (std::vector<std::u16string>{u"B", u"a", u"b"}));
}

struct LoadCase {
    const char* label;
    bool data_exists;
    bool data_empty;
    bool template_exists;
    const char16_t* expected;  // name of the one profile, or null for an empty list
};

class NetProfileLoad : public ::testing::TestWithParam<LoadCase> {};

TEST_P(NetProfileLoad, FallsBackToTemplate) {
    const LoadCase& c = GetParam();
    TempDir dir;
    NetProfileList data;
    data.Insert(Profile(u"Data"));
    NetProfileList tmpl;
    tmpl.Insert(Profile(u"Template"));
    if (c.data_exists)
        WriteFile(dir.File("SetNet.dat"), c.data_empty ? std::string() : data.Serialise());
    if (c.template_exists)
        WriteFile(dir.File("template.dat"), tmpl.Serialise());
    NetProfileList list;
    list.Insert(Profile(u"Stale"));
    list.Load(dir.File("SetNet.dat"), dir.File("template.dat"));
    if (c.expected == nullptr) {
        EXPECT_EQ(list.Count(), 0u);
    } else {
        ASSERT_EQ(list.Count(), 1u);
        EXPECT_EQ(list.At(0).name, c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, NetProfileLoad,
                         ::testing::Values(LoadCase{"DataFile", true, false, true, u"Data"},
                                           LoadCase{"EmptyDataFile", true, true, true, u"Template"},
                                           LoadCase{"MissingDataFile", false, false, true,
                                                    u"Template"},
                                           LoadCase{"Neither", false, false, false, nullptr}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(NetProfileList, SavesPrivately) {
    TempDir dir;
    NetProfileList list;
    list.Insert(Profile(u"A"));
    ASSERT_TRUE(list.Save(dir.File("SetNet.dat")));
    struct stat st {};
    ASSERT_EQ(::stat(dir.File("SetNet.dat").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(ReadFile(dir.File("SetNet.dat")), list.Serialise());
    EXPECT_FALSE(list.Save(dir.File("missing/folder/SetNet.dat")));
}

TEST(NetProfileList, ShippedTemplateReadsAndRoundTrips) {
    NetProfileList list;
    list.Load(DEDEVEV_SOURCE_DIR "/resources/data/Record/missing.dat",
              DEDEVEV_SOURCE_DIR "/resources/data/Record/SetNet.dat");
    ASSERT_GE(list.Count(), 1u);
    EXPECT_EQ(list.At(0).name, u"CDMA Default");
    EXPECT_EQ(list.At(0).mcc_mnc, u"001020");  // the simulated CDMA card's network
    NetProfileList back;
    back.Parse(list.Serialise());
    EXPECT_EQ(back.All(), list.All());
}

TEST(NetProfileList, ProcessWideListLoadsTemplateAndSavesToDataFolder) {
    TempDir data;
    TempDir program;
    const std::u16string old_program = ProgramFolder();
    ::setenv("XDG_DATA_HOME", data.Path().c_str(), 1);
    ResetDataFolderForTesting();
    SetProgramFolder(Utf8ToUtf16(program.Path()));
    ResetProfilesForTesting();

    ::mkdir(program.File("Record").c_str(), 0700);
    NetProfileList tmpl;
    tmpl.Insert(Profile(u"Template", u"460030"));
    WriteFile(program.File("Record/SetNet.dat"), tmpl.Serialise());

    ASSERT_EQ(Profiles().Count(), 1u);
    EXPECT_TRUE(Profiles().Insert(Profile(u"Mine")));
    EXPECT_TRUE(SaveProfiles());
    const std::string saved = ReadFile(NativePath(DataFolder() + u"SetNet.dat"));
    NetProfileList back;
    back.Parse(saved);
    EXPECT_EQ(Names(back), (std::vector<std::u16string>{u"Mine", u"Template"}));

    ResetProfilesForTesting();
    EXPECT_FALSE(SaveProfiles());  // nothing loaded: nothing written
    SetProgramFolder(old_program);
    ::unsetenv("XDG_DATA_HOME");
    ResetDataFolderForTesting();
}

}  // namespace
}  // namespace dedevev
