#pragma once
// One dial-up account the user keeps (a network profile).

#include <string>

namespace dedevev {

struct DialSetting;

struct NetProfile {
    std::u16string name;  // the list key
    std::u16string mcc_mnc;
    std::u16string phone;
    std::u16string user;
    std::u16string password;
    std::u16string apn;
    std::u16string dns_primary;    // dotted IPv4 text or empty
    std::u16string dns_secondary;  // dotted IPv4 text or empty
    std::u16string ip;             // dotted IPv4 text or empty
    bool use_dns = false;
    bool use_ip = false;

    friend bool operator==(const NetProfile&, const NetProfile&) = default;
};

// Makes `profile` the dial-up account: name, network code, number, user, password and APN; its
// address only when it uses one and its DNS pair only when it uses them (else both empty).
void ApplyProfileToDial(const NetProfile& profile, DialSetting* dial);

}  // namespace dedevev
