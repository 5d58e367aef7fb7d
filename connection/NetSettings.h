#pragma once
// The rules of the network-profile page and of its profile dialog that need no window: the
// preferred-system choices, what the page's fields show, applying them to the dial-up
// account, and the profile a filled-in dialog makes.

#include <array>
#include <string>
#include <string_view>

#include "connection/NetProfile.h"
#include "core/AppSettings.h"

namespace dedevev {

class NetProfileList;

// One preferred-system choice: the language key of its text (section "DlgSetNet") and the
// value handed to the card and kept as the account's "NetSel".
struct NetSelChoice {
    const char* key;
    int value;
};
inline constexpr std::array<NetSelChoice, 6> kNetSelChoices = {{{"GPRS Only", 1},
                                                                {"CDMA Only", 10},
                                                                {"EVDO Only", 11},
                                                                {"UMTS Only", 2},
                                                                {"LTE Only", 6},
                                                                {"Auto", 4}}};
// The index of the choice of `value` in kNetSelChoices, or -1.
int NetSelIndex(int value);

// What the page's fields hold.
struct NetPageFields {
    std::u16string mcc_mnc;
    std::u16string number;
    std::u16string user;
    std::u16string password;
    std::u16string apn;
    bool use_ip = false;
    std::u16string ip;
    bool use_dns = false;
    std::u16string dns_main;
    std::u16string dns_minor;

    friend bool operator==(const NetPageFields&, const NetPageFields&) = default;
};

// The fields as the account shows them: the IP box is ticked when it has an address, the DNS
// box when it has either server.
NetPageFields FieldsFromDialSetting(const DialSetting& dial);
NetPageFields FieldsFromProfile(const NetProfile& profile);

// The account the page makes of `current`: the fields, the profile name `name`, the
// preferred system `net_sel`, and "Set". An address is kept only with its box ticked and
// when it is not blank.
DialSetting ApplyPageFields(const DialSetting& current, const NetPageFields& fields,
                            const std::u16string& name, int net_sel);

// The address of an IPv4 field as "a.b.c.d" (each part 0..255 in plain decimal, a part left
// empty counts as 0), or empty when the field is blank or holds anything else.
std::u16string FormatIpAddress(std::u16string_view text);

// What the profile dialog holds when OK is pressed.
struct ProfileForm {
    std::u16string name;
    std::u16string mcc_mnc;
    std::u16string phone;
    std::u16string user;
    std::u16string password;
    std::u16string apn;
    bool ip_ticked = false;
    std::u16string ip;
    bool dns_ticked = false;
    std::u16string dns_primary;
    std::u16string dns_secondary;
};

// The profile of a filled-in dialog: with the IP box ticked the formatted address, used when
// it is not empty; with the DNS box ticked both servers, used when either is not empty; an
// unticked box leaves its addresses empty and unused.
NetProfile ProfileFromForm(const ProfileForm& form);

// Whether a profile other than the one at `except` (-1: none) is called exactly `name`
// (letter case counts).
bool ProfileNameTaken(const NetProfileList& list, const std::u16string& name, int except);

}  // namespace dedevev
