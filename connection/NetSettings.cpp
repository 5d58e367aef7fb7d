#include "connection/NetSettings.h"

#include "connection/NetProfileList.h"
#include "core/TextCodec.h"

namespace dedevev {

int NetSelIndex(int value) {
    for (std::size_t i = 0; i < kNetSelChoices.size(); ++i) {
        if (kNetSelChoices[i].value == value)
            return static_cast<int>(i);
    }
    return -1;
}

NetPageFields FieldsFromDialSetting(const DialSetting& dial) {
    NetPageFields fields;
    fields.mcc_mnc = dial.mcc_mnc;
    fields.number = dial.number;
    fields.user = dial.user;
    fields.password = dial.pass;
    fields.apn = dial.apn;
    fields.use_ip = !dial.ip_address.empty();
    fields.ip = dial.ip_address;
    fields.use_dns = !dial.dns_main.empty() || !dial.dns_minor.empty();
    fields.dns_main = dial.dns_main;
    fields.dns_minor = dial.dns_minor;
    return fields;
}

NetPageFields FieldsFromProfile(const NetProfile& profile) {
    NetPageFields fields;
    fields.mcc_mnc = profile.mcc_mnc;
    fields.number = profile.phone;
    fields.user = profile.user;
    fields.password = profile.password;
    fields.apn = profile.apn;
    fields.use_ip = profile.use_ip;
    fields.ip = profile.ip;
    fields.use_dns = profile.use_dns;
    fields.dns_main = profile.dns_primary;
    fields.dns_minor = profile.dns_secondary;
    return fields;
}

DialSetting ApplyPageFields(const DialSetting& current, const NetPageFields& fields,
                            const std::u16string& name, int net_sel) {
    DialSetting dial = current;
    dial.mcc_mnc = fields.mcc_mnc;
    dial.number = fields.number;
    dial.user = fields.user;
    dial.pass = fields.password;
    dial.apn = fields.apn;
    dial.ip_address = fields.use_ip ? FormatIpAddress(fields.ip) : std::u16string();
    dial.dns_main = fields.use_dns ? FormatIpAddress(fields.dns_main) : std::u16string();
    dial.dns_minor = fields.use_dns ? FormatIpAddress(fields.dns_minor) : std::u16string();
    dial.net_sel = net_sel;
    dial.name = name;
    dial.set = true;
    return dial;
}

std::u16string FormatIpAddress(std::u16string_view text) {
    text = TrimView(text);
    int parts[4] = {0, 0, 0, 0};
    int count = 0;
    bool any_digit = false;
    int digits = 0;
    for (char16_t c : text) {
        if (c == u'.') {
            if (++count > 3)
                return {};
            digits = 0;
            continue;
        }
        if (c < u'0' || c > u'9' || ++digits > 3)
            return {};
        any_digit = true;
        parts[count] = parts[count] * 10 + (c - u'0');
        if (parts[count] > 255)
            return {};
    }
    if (!any_digit || count != 3)
        return {};
    std::string out;
    for (int i = 0; i < 4; ++i) {
        if (i > 0)
            out += '.';
        out += std::to_string(parts[i]);
    }
    return U16(out);
}

NetProfile ProfileFromForm(const ProfileForm& form) {
    NetProfile profile;
    profile.name = form.name;
    profile.mcc_mnc = form.mcc_mnc;
    profile.phone = form.phone;
    profile.user = form.user;
    profile.password = form.password;
    profile.apn = form.apn;
    if (form.ip_ticked) {
        profile.ip = FormatIpAddress(form.ip);
        profile.use_ip = !profile.ip.empty();
    }
    if (form.dns_ticked) {
        profile.dns_primary = FormatIpAddress(form.dns_primary);
        profile.dns_secondary = FormatIpAddress(form.dns_secondary);
        profile.use_dns = !profile.dns_primary.empty() || !profile.dns_secondary.empty();
    }
    return profile;
}

bool ProfileNameTaken(const NetProfileList& list, const std::u16string& name, int except) {
    for (std::size_t i = 0; i < list.Count(); ++i) {
        if (static_cast<int>(i) != except && list.At(i).name == name)
            return true;
    }
    return false;
}

}  // namespace dedevev
