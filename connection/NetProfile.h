#pragma once
// One dial-up account the user keeps (a network profile).

#include <string>

namespace dedevev {

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

}  // namespace dedevev
