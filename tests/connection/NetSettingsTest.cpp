// The network page's rules without a window, and the history's row texts.
#include <gtest/gtest.h>

#include "connection/HistoryTexts.h"
#include "connection/NetProfileList.h"
#include "connection/NetSettings.h"
#include "resources/DateFormat.h"

namespace dedevev {
namespace {

TEST(NetSettings, IpAddressText) {
    const std::pair<const char16_t*, const char16_t*> cases[] = {
        {u"10.0.0.1", u"10.0.0.1"},
        {u" 010.001.0.255 ", u"10.1.0.255"},
        {u"10.1..", u"10.1.0.0"},
        {u"...", u""},
        {u"", u""},
        {u"256.0.0.1", u""},
        {u"1.2.3", u""},
        {u"1.2.3.4.5", u""},
        {u"1.2.3.x", u""},
        {u"1.2.3.0004", u""},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(FormatIpAddress(text), expected);
}

TEST(NetSettings, ApplyCopiesTheFieldsAndDropsAddressesOfUntickedBoxes) {
    DialSetting current;
    current.redial = true;
    current.ip_address = u"1.1.1.1";
    NetPageFields fields;
    fields.mcc_mnc = u"51010";
    fields.number = u"*99#";
    fields.user = u"u";
    fields.password = u"p";
    fields.apn = u"internet";
    fields.use_ip = false;
    fields.ip = u"10.0.0.9";
    fields.use_dns = true;
    fields.dns_main = u"8.8.8.8";
    fields.dns_minor = u"...";
    const DialSetting dial = ApplyPageFields(current, fields, u"Tsel", 11);
    EXPECT_EQ(dial.mcc_mnc, u"51010");
    EXPECT_EQ(dial.number, u"*99#");
    EXPECT_EQ(dial.user, u"u");
    EXPECT_EQ(dial.pass, u"p");
    EXPECT_EQ(dial.apn, u"internet");
    EXPECT_EQ(dial.ip_address, u"");
    EXPECT_EQ(dial.dns_main, u"8.8.8.8");
    EXPECT_EQ(dial.dns_minor, u"");
    EXPECT_EQ(dial.net_sel, 11);
    EXPECT_EQ(dial.name, u"Tsel");
    EXPECT_TRUE(dial.set);
    EXPECT_TRUE(dial.redial);  // what the page does not show is kept
    // And back: the boxes are ticked by what the account holds.
    const NetPageFields shown = FieldsFromDialSetting(dial);
    EXPECT_FALSE(shown.use_ip);
    EXPECT_TRUE(shown.use_dns);
}

TEST(NetSettings, ProfileFromTheDialogTicksOnlyWhatHoldsAnAddress) {
    ProfileForm form;
    form.name = u"Mine";
    form.ip_ticked = true;
    form.ip = u"...";
    form.dns_ticked = true;
    form.dns_secondary = u"8.8.4.4";
    NetProfile p = ProfileFromForm(form);
    EXPECT_FALSE(p.use_ip);
    EXPECT_EQ(p.ip, u"");
    EXPECT_TRUE(p.use_dns);
    EXPECT_EQ(p.dns_secondary, u"8.8.4.4");
    form.ip = u"10.0.0.2";
    form.dns_ticked = false;
    p = ProfileFromForm(form);
    EXPECT_TRUE(p.use_ip);
    EXPECT_EQ(p.ip, u"10.0.0.2");
    EXPECT_FALSE(p.use_dns);
    EXPECT_EQ(p.dns_secondary, u"");
    EXPECT_EQ(FieldsFromProfile(p).number, p.phone);
}

TEST(NetSettings, SameNameCountsCaseAndSkipsTheEditedProfile) {
    NetProfileList list;
    for (const char16_t* name : {u"Alpha", u"beta"}) {
        NetProfile p;
        p.name = name;
        list.Insert(p);
    }
    EXPECT_TRUE(ProfileNameTaken(list, u"Alpha", -1));
    EXPECT_FALSE(ProfileNameTaken(list, u"alpha", -1));
    EXPECT_FALSE(ProfileNameTaken(list, u"Alpha", list.FindByName(u"Alpha")));
    EXPECT_TRUE(ProfileNameTaken(list, u"beta", list.FindByName(u"Alpha")));
    EXPECT_EQ(NetSelIndex(11), 2);
    EXPECT_EQ(NetSelIndex(4), 5);
    EXPECT_EQ(NetSelIndex(3), -1);
}

TEST(HistoryTexts, DatesDurationsAndFlux) {
    const DateTimeFields t{2011, 3, 5, 14, 2, 9};
    EXPECT_EQ(FormatDateTime(t, u"%Y-%m-%d %H:%M:%S"), u"2011-03-05 14:02:09");
    EXPECT_EQ(FormatDateTime(t, u"%#d/%#m/%y %I%p %a %B %j %% %q"),
              u"5/3/11 02PM Sat March 064 % %q");
    EXPECT_EQ(FormatDateTime({2012, 2, 29, 0, 0, 0}, u"%d"), u"29");
    for (const DateTimeFields bad :
         {DateTimeFields{2011, 2, 29, 0, 0, 0}, DateTimeFields{2011, 13, 1, 0, 0, 0},
          DateTimeFields{2011, 1, 1, 24, 0, 0}, DateTimeFields{1800, 1, 1, 0, 0, 0}})
        EXPECT_FALSE(FormatDateTime(bad, u"%Y").has_value());
    EXPECT_EQ(DurationText(0), u"00:00:00");
    EXPECT_EQ(DurationText(3723), u"01:02:03");
    EXPECT_EQ(DurationText(360000), u"100:00:00");
    EXPECT_EQ(FluxText(1536), u"1.500");
    EXPECT_EQ(FluxText(0), u"0.000");
}

}  // namespace
}  // namespace dedevev
