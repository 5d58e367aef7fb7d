// The customization values that other code reads, the three entries the shipped product
// changes, and the slot order of the interface.

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "core/Customization.h"
#include "core/TextCodec.h"
#include "tests/device/VirtualSlot.h"

namespace dedevev {
namespace {

// Every entry of the table as text, so that two customizations can be compared entry by entry.
struct Entry {
    int slot;
    const char* name;
    std::function<std::string(const ICustomization&)> value;
};

std::string Text(const std::u16string& s) {
    return Utf16ToUtf8(s);
}
std::string Flag(bool b) {
    return b ? "true" : "false";
}

std::string Rows(const std::vector<ServiceCodeRow>& rows) {
    std::string out;
    for (const ServiceCodeRow& row : rows) {
        out += std::to_string(row.id) + ":" + Text(row.name) + ":" + Flag(row.takes_number) + ";";
    }
    return out;
}

std::string Addresses(const std::function<std::u16string(int)>& at, int count) {
    std::string out;
    for (int i = -1; i <= count; ++i) {
        out += Text(at(i)) + "|";
    }
    return out;
}

const std::vector<Entry>& Entries() {
    using C = const ICustomization&;
    static const std::vector<Entry> kEntries = {
        {0, "DefaultLanguageFile", [](C c) { return Text(c.DefaultLanguageFile()); }},
        {1, "DefaultSkinFile", [](C c) { return Text(c.DefaultSkinFile()); }},
        {2, "DefaultWebAddress", [](C c) { return Text(c.DefaultWebAddress()); }},
        {3, "HelpDocument", [](C c) { return Text(c.HelpDocument()); }},
        {4, "DefaultDialNumber", [](C c) { return Text(c.DefaultDialNumber()); }},
        {5, "DefaultUser", [](C c) { return Text(c.DefaultUser()); }},
        {6, "DefaultPassword", [](C c) { return Text(c.DefaultPassword()); }},
        {8, "DefaultApn", [](C c) { return Text(c.DefaultApn()); }},
        {9, "DefaultProfileName", [](C c) { return Text(c.DefaultProfileName()); }},
        {10, "DefaultMccMnc", [](C c) { return Text(c.DefaultMccMnc()); }},
        {13, "UnicodeForExtendedText", [](C c) { return Flag(c.UnicodeForExtendedText()); }},
        {16, "CallWaitingAllowed", [](C c) { return Flag(c.CallWaitingAllowed()); }},
        {17, "ThreeWayCallDefault", [](C c) { return Flag(c.ThreeWayCallDefault()); }},
        {18, "ThreeWayJoinText", [](C c) { return Text(c.ThreeWayJoinText()); }},
        {19, "ExactNumberMatch", [](C c) { return Flag(c.ExactNumberMatch()); }},
        {21, "PhonebookViewEnabled", [](C c) { return Flag(c.PhonebookViewEnabled()); }},
        {25, "CallBackLastAllowed", [](C c) { return Flag(c.CallBackLastAllowed()); }},
        {26, "MultiSendNotice", [](C c) { return Flag(c.MultiSendNotice()); }},
        {41, "ConnectionEnabled", [](C c) { return Flag(c.ConnectionEnabled()); }},
        {42, "ShowDialStateNames", [](C c) { return Flag(c.ShowDialStateNames()); }},
        {44, "ServiceCodeRows", [](C c) { return Rows(c.ServiceCodeRows()); }},
        {45, "ServiceCodeRowsAlt", [](C c) { return Rows(c.ServiceCodeRowsAlt()); }},
        {46, "ForceEnableEM", [](C c) { return Flag(c.ForceEnableEM()); }},
        {47, "DefaultPap", [](C c) { return Flag(c.DefaultPap()); }},
        {48, "DefaultChap", [](C c) { return Flag(c.DefaultChap()); }},
        {50, "DefaultNeedSendSmsReport", [](C c) { return Flag(c.DefaultNeedSendSmsReport()); }},
        {51, "ServiceCodeEditable", [](C c) { return Flag(c.ServiceCodeEditable()); }},
        {52, "InternationalPrefixRule", [](C c) { return Flag(c.InternationalPrefixRule()); }},
        {53, "WebPageAddress",
         [](C c) { return Addresses([&](int i) { return c.WebPageAddress(i); }, kWebPageCount); }},
        {54, "ShortcutAddress",
         [](C c) {
             return Addresses([&](int i) { return c.ShortcutAddress(i); }, kShortcutCount);
         }},
        {55, "CompetingProgramName", [](C c) { return Text(c.CompetingProgramName()); }},
        {63, "SendSummaryAllOrNone", [](C c) { return Flag(c.SendSummaryAllOrNone()); }},
        {64, "CompanionService", [](C c) { return Flag(c.CompanionService()); }},
        {65, "DefaultNetSel", [](C c) { return std::to_string(c.DefaultNetSel()); }},
        {67, "AutoAccountChoice", [](C c) { return Flag(c.AutoAccountChoice()); }},
    };
    return kEntries;
}

std::string ValueOf(const ICustomization& c, const char* name) {
    for (const Entry& e : Entries()) {
        if (std::string(e.name) == name) {
            return e.value(c);
        }
    }
    ADD_FAILURE() << "no entry " << name;
    return {};
}

TEST(Customization, ShippedValuesThatOtherCodeReads) {
    struct Case {
        const char* name;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"DefaultLanguageFile", "Localize\\English.txt"},
        {"DefaultSkinFile", "Skin\\Skin.txt"},
        {"DefaultDialNumber", ""},
        {"DefaultUser", ""},
        {"DefaultPassword", ""},
        {"DefaultApn", ""},
        {"DefaultProfileName", ""},
        {"DefaultMccMnc", ""},
        {"UnicodeForExtendedText", "false"},
        {"CallWaitingAllowed", "true"},
        {"ThreeWayCallDefault", "false"},
        {"ThreeWayJoinText", ""},
        {"ExactNumberMatch", "false"},
        {"PhonebookViewEnabled", "true"},
        {"CallBackLastAllowed", "true"},
        {"MultiSendNotice", "false"},
        {"ConnectionEnabled", "true"},
        {"ShowDialStateNames", "true"},
        {"ForceEnableEM", "false"},
        {"DefaultPap", "false"},
        {"DefaultChap", "false"},
        {"DefaultNeedSendSmsReport", "true"},
        {"ServiceCodeEditable", "false"},
        {"InternationalPrefixRule", "false"},
        {"SendSummaryAllOrNone", "false"},
        {"CompanionService", "false"},
        {"DefaultNetSel", "4"},
        {"AutoAccountChoice", "true"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ValueOf(Customization(), c.name), c.expected) << c.name;
    }
}

TEST(Customization, ProcessWideObjectIsTheShippedProduct) {
    EXPECT_EQ(&Customization(), &Customization());
    EXPECT_NE(dynamic_cast<const CCustomizationOtp*>(&Customization()), nullptr);
}

TEST(Customization, ShippedProductChangesExactlyThreeEntries) {
    const CCustomizationBase base;
    const CCustomizationOtp otp;
    std::set<int> changed;
    for (const Entry& e : Entries()) {
        if (e.value(base) != e.value(otp)) {
            changed.insert(e.slot);
        }
    }
    EXPECT_EQ(changed, (std::set<int>{2, 65, 67}));
    EXPECT_FALSE(base.AutoAccountChoice());
    EXPECT_EQ(base.DefaultNetSel(), kNetSelCdmaOnly);
}

TEST(Customization, ServiceCodeRowsAreTheFixedTable) {
    struct Row {
        int id;
        const char16_t* name;
        bool takes_number;
    };
    const std::vector<Row> expected = {
        {0, u"ActvWaiting", false},   {1, u"DeactvWaiting", false},
        {2, u"ActvUncondForw", true}, {3, u"DeactvUncondForw", false},
        {4, u"ActvBusyForw", true},   {5, u"DeactvBusyForw", false},
        {6, u"ActvNoAnswForw", true}, {7, u"DeactvNoAnswForw", false},
        {8, u"DeactvAll", false},
    };
    const auto& rows = Customization().ServiceCodeRows();
    ASSERT_EQ(rows.size(), expected.size());
    ASSERT_EQ(static_cast<int>(rows.size()), kServiceCodeRowCount);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].id, expected[i].id);
        EXPECT_EQ(rows[i].name, expected[i].name);
        EXPECT_EQ(rows[i].takes_number, expected[i].takes_number) << Text(rows[i].name);
    }
    EXPECT_EQ(Customization().ServiceCodeRowsAlt(), rows);
}

TEST(Customization, WebAddressesExistOnlyForTheirIndexes) {
    const ICustomization& c = Customization();
    struct Case {
        const char* name;
        std::function<std::u16string(int)> at;
        int count;
    };
    const std::vector<Case> cases = {
        {"WebPageAddress", [&](int i) { return c.WebPageAddress(i); }, kWebPageCount},
        {"ShortcutAddress", [&](int i) { return c.ShortcutAddress(i); }, kShortcutCount},
    };
    for (const Case& k : cases) {
        for (int i = 0; i < k.count; ++i) {
            EXPECT_EQ(k.at(i).rfind(u"https://", 0), 0u) << k.name << " " << i;
        }
        EXPECT_TRUE(k.at(-1).empty()) << k.name;
        EXPECT_TRUE(k.at(k.count).empty()) << k.name;
    }
    // The shipped product's web address is the operator's page, the first shortcut.
    EXPECT_EQ(c.ShortcutAddress(0), c.DefaultWebAddress());
    EXPECT_EQ(c.DefaultWebAddress().rfind(u"https://", 0), 0u);
    EXPECT_FALSE(c.CompetingProgramName().empty());
}

TEST(Customization, SlotOrder) {
    DEDEVEV_REQUIRE_VIRTUAL_SLOTS();
    using testing::VirtualSlot;
    struct Case {
        int expected;
        std::ptrdiff_t actual;
    };
    const std::vector<Case> cases = {
        {0, VirtualSlot(&ICustomization::DefaultLanguageFile)},
        {1, VirtualSlot(&ICustomization::DefaultSkinFile)},
        {2, VirtualSlot(&ICustomization::DefaultWebAddress)},
        {3, VirtualSlot(&ICustomization::HelpDocument)},
        {4, VirtualSlot(&ICustomization::DefaultDialNumber)},
        {5, VirtualSlot(&ICustomization::DefaultUser)},
        {6, VirtualSlot(&ICustomization::DefaultPassword)},
        {7, VirtualSlot(&ICustomization::Reserved7)},
        {8, VirtualSlot(&ICustomization::DefaultApn)},
        {9, VirtualSlot(&ICustomization::DefaultProfileName)},
        {10, VirtualSlot(&ICustomization::DefaultMccMnc)},
        {13, VirtualSlot(&ICustomization::UnicodeForExtendedText)},
        {16, VirtualSlot(&ICustomization::CallWaitingAllowed)},
        {17, VirtualSlot(&ICustomization::ThreeWayCallDefault)},
        {18, VirtualSlot(&ICustomization::ThreeWayJoinText)},
        {19, VirtualSlot(&ICustomization::ExactNumberMatch)},
        {21, VirtualSlot(&ICustomization::PhonebookViewEnabled)},
        {25, VirtualSlot(&ICustomization::CallBackLastAllowed)},
        {26, VirtualSlot(&ICustomization::MultiSendNotice)},
        {40, VirtualSlot(&ICustomization::Reserved40)},
        {41, VirtualSlot(&ICustomization::ConnectionEnabled)},
        {42, VirtualSlot(&ICustomization::ShowDialStateNames)},
        {44, VirtualSlot(&ICustomization::ServiceCodeRows)},
        {45, VirtualSlot(&ICustomization::ServiceCodeRowsAlt)},
        {46, VirtualSlot(&ICustomization::ForceEnableEM)},
        {47, VirtualSlot(&ICustomization::DefaultPap)},
        {48, VirtualSlot(&ICustomization::DefaultChap)},
        {50, VirtualSlot(&ICustomization::DefaultNeedSendSmsReport)},
        {51, VirtualSlot(&ICustomization::ServiceCodeEditable)},
        {52, VirtualSlot(&ICustomization::InternationalPrefixRule)},
        {53, VirtualSlot(&ICustomization::WebPageAddress)},
        {54, VirtualSlot(&ICustomization::ShortcutAddress)},
        {55, VirtualSlot(&ICustomization::CompetingProgramName)},
        {63, VirtualSlot(&ICustomization::SendSummaryAllOrNone)},
        {64, VirtualSlot(&ICustomization::CompanionService)},
        {65, VirtualSlot(&ICustomization::DefaultNetSel)},
        {66, VirtualSlot(&ICustomization::Reserved66)},
        {67, VirtualSlot(&ICustomization::AutoAccountChoice)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.actual, c.expected);
    }
}

}  // namespace
}  // namespace dedevev
