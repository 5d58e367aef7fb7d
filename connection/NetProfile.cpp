#include "connection/NetProfile.h"

#include "core/AppSettings.h"

namespace dedevev {

void ApplyProfileToDial(const NetProfile& profile, DialSetting* dial) {
    dial->mcc_mnc = profile.mcc_mnc;
    dial->number = profile.phone;
    dial->user = profile.user;
    dial->pass = profile.password;
    dial->apn = profile.apn;
    dial->name = profile.name;
    dial->ip_address = profile.use_ip ? profile.ip : std::u16string();
    dial->dns_main = profile.use_dns ? profile.dns_primary : std::u16string();
    dial->dns_minor = profile.use_dns ? profile.dns_secondary : std::u16string();
}

}  // namespace dedevev
