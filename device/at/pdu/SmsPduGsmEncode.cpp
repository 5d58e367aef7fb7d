// Coding GSM/UMTS/LTE short messages in PDU mode: SMS-SUBMIT for sending, SMS-DELIVER and
// SMS-STATUS-REPORT as a card stores them.

#include <cstddef>
#include <string_view>
#include <utility>

#include "device/at/pdu/SmsPdu.h"

namespace dedevev::at {

namespace {

using Bytes = std::vector<std::uint8_t>;

// First-octet bits.
constexpr std::uint8_t kMtiDeliver = 0x00;
constexpr std::uint8_t kMtiSubmit = 0x01;
constexpr std::uint8_t kMtiStatusReport = 0x02;
constexpr std::uint8_t kNoMoreMessages = 0x04;  // TP-MMS of a deliver / status report
constexpr std::uint8_t kStatusReportRequest = 0x20;
constexpr std::uint8_t kUserDataHeader = 0x40;

// Type-of-address octets.
constexpr std::uint8_t kToaInternational = 0x91;
constexpr std::uint8_t kToaUnknown = 0x81;
constexpr std::uint8_t kToaAlphanumeric = 0xD0;

// Data coding schemes we send.
constexpr std::uint8_t kDcsGsm7 = 0x00;
constexpr std::uint8_t kDcsEightBit = 0x04;
constexpr std::uint8_t kDcsUcs2 = 0x08;

// Information elements of the user data header.
constexpr std::uint8_t kIeiConcat8 = 0x00;
constexpr std::uint8_t kIeiConcat16 = 0x08;

constexpr std::size_t kMaxSeptets = 160;
constexpr std::size_t kMaxOctets = 140;
constexpr std::size_t kMaxAddressDigits = 20;
constexpr std::size_t kMaxAlphanumericSeptets = 11;  // 20 semi-octets of packed septets
constexpr std::size_t kMaxServiceCentreOctets = 11;  // type of address + 10 octets of digits

// ---- Encoding

bool IsSeparator(char16_t c) {
    return c == u' ' || c == u'-' || c == u'(' || c == u')' || c == u'.';
}

// The semi-octet of a dialling character, or -1.
int DigitCode(char16_t c) {
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    switch (c) {
        case u'*':
            return 0xA;
        case u'#':
            return 0xB;
        case u'a':
            return 0xC;
        case u'b':
            return 0xD;
        case u'c':
            return 0xE;
        default:
            return -1;
    }
}

// A number as dialled: an optional leading '+' and dialling characters; separators that
// people type are dropped. False when anything else is in it.
bool ParseNumber(const std::u16string& text, bool* international, Bytes* digits) {
    *international = false;
    digits->clear();
    std::size_t i = 0;
    while (i < text.size() && IsSeparator(text[i])) {
        ++i;
    }
    if (i < text.size() && text[i] == u'+') {
        *international = true;
        ++i;
    }
    for (; i < text.size(); ++i) {
        if (IsSeparator(text[i])) {
            continue;
        }
        const int code = DigitCode(text[i]);
        if (code < 0) {
            return false;
        }
        digits->push_back(static_cast<std::uint8_t>(code));
    }
    return true;
}

// Digits two to an octet, the first in the low semi-octet; an odd count ends in the filler F.
void AppendBcd(const Bytes& digits, Bytes* out) {
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        const std::uint8_t high = i + 1 < digits.size() ? digits[i + 1] : 0x0F;
        out->push_back(static_cast<std::uint8_t>((high << 4) | digits[i]));
    }
}

// An originator, destination or recipient address: the count of semi-octets, the type of
// address and the digits. Text that is not a number becomes an alphanumeric address when
// `allow_alphanumeric`, cut to the 11 characters it can hold.
bool AppendAddress(const std::u16string& text, bool allow_alphanumeric, Bytes* out) {
    bool international = false;
    Bytes digits;
    if (ParseNumber(text, &international, &digits)) {
        if (digits.size() > kMaxAddressDigits) {
            return false;
        }
        out->push_back(static_cast<std::uint8_t>(digits.size()));
        out->push_back(international ? kToaInternational : kToaUnknown);
        AppendBcd(digits, out);
        return true;
    }
    if (!allow_alphanumeric) {
        return false;
    }
    Bytes septets;
    for (char16_t c : text) {
        if (c >= 0xDC00 && c <= 0xDFFF) {
            continue;  // the second half of a pair already shown as '?'
        }
        Bytes one;
        if (!ToGsm7(std::u16string_view(&c, 1), &one)) {
            one.assign(1, static_cast<std::uint8_t>('?'));
        }
        if (septets.size() + one.size() > kMaxAlphanumericSeptets) {
            break;  // never leave an escape without its character
        }
        septets.insert(septets.end(), one.begin(), one.end());
    }
    out->push_back(static_cast<std::uint8_t>((septets.size() * 7 + 3) / 4));
    out->push_back(kToaAlphanumeric);
    const Bytes packed = PackSeptets(septets);
    out->insert(out->end(), packed.begin(), packed.end());
    return true;
}

// The service-centre address: its length in octets (type of address included), 0 for none.
bool AppendServiceCentre(const std::u16string& text, Bytes* out) {
    bool international = false;
    Bytes digits;
    if (!ParseNumber(text, &international, &digits) ||
        (digits.size() + 1) / 2 + 1 > kMaxServiceCentreOctets) {
        return false;
    }
    if (digits.empty()) {
        out->push_back(0);
        return true;
    }
    out->push_back(static_cast<std::uint8_t>(1 + (digits.size() + 1) / 2));
    out->push_back(international ? kToaInternational : kToaUnknown);
    AppendBcd(digits, out);
    return true;
}

std::uint8_t BcdSwapped(int value) {
    const int v = value < 0 ? 0 : value % 100;
    return static_cast<std::uint8_t>(((v % 10) << 4) | (v / 10));
}

// Seven semi-octet pairs: year, month, day, hour, minute, second and the zone in quarters
// of an hour, the zone's sign in bit 3.
void AppendTimestamp(const SmsTimestamp& stamp, Bytes* out) {
    const DateTimeFields& t = stamp.time;
    for (int field : {t.year, t.month, t.day, t.hour, t.minute, t.second}) {
        out->push_back(BcdSwapped(field));
    }
    const int quarters = stamp.zone_quarters < 0 ? -stamp.zone_quarters : stamp.zone_quarters;
    std::uint8_t zone = BcdSwapped(quarters > 79 ? 79 : quarters);
    if (stamp.zone_quarters < 0) {
        zone |= 0x08;
    }
    out->push_back(zone);
}

// The user data of one message: its data coding scheme, length and octets.
struct UserData {
    std::uint8_t dcs = kDcsGsm7;
    std::uint8_t length = 0;  // TP-UDL: septets for GSM 7-bit, else octets
    bool has_header = false;
    Bytes octets;
};

Bytes ConcatHeader(const SmsConcat& concat) {
    if (!concat.IsPart()) {
        return {};
    }
    if (concat.sixteen_bit) {
        return {0x06,
                kIeiConcat16,
                0x04,
                static_cast<std::uint8_t>((concat.reference >> 8) & 0xFF),
                static_cast<std::uint8_t>(concat.reference & 0xFF),
                static_cast<std::uint8_t>(concat.total),
                static_cast<std::uint8_t>(concat.sequence)};
    }
    return {0x05,
            kIeiConcat8,
            0x03,
            static_cast<std::uint8_t>(concat.reference & 0xFF),
            static_cast<std::uint8_t>(concat.total),
            static_cast<std::uint8_t>(concat.sequence)};
}

// Codes `text` in `alphabet` (kGsm7, kEightBit or kUcs2) behind the concatenation header.
// False when it does not fit one message or a character cannot be coded.
bool BuildUserData(const std::u16string& text, Alphabet alphabet, const SmsConcat& concat,
                   UserData* out) {
    const Bytes header = ConcatHeader(concat);
    out->has_header = !header.empty();
    out->octets = header;
    if (alphabet == Alphabet::kGsm7) {
        Bytes septets;
        if (!ToGsm7(text, &septets)) {
            return false;
        }
        // The text starts on a septet boundary after the header.
        const std::size_t header_bits = header.size() * 8;
        const int fill = static_cast<int>((7 - header_bits % 7) % 7);
        const std::size_t header_septets = (header_bits + fill) / 7;
        if (header_septets + septets.size() > kMaxSeptets) {
            return false;
        }
        out->dcs = kDcsGsm7;
        out->length = static_cast<std::uint8_t>(header_septets + septets.size());
        const Bytes packed = PackSeptets(septets, fill);
        out->octets.insert(out->octets.end(), packed.begin(), packed.end());
        return true;
    }
    if (alphabet == Alphabet::kEightBit) {
        for (char16_t c : text) {
            if (c > 0xFF) {
                return false;
            }
            out->octets.push_back(static_cast<std::uint8_t>(c));
        }
        out->dcs = kDcsEightBit;
    } else {
        for (char16_t c : text) {
            out->octets.push_back(static_cast<std::uint8_t>(c >> 8));
            out->octets.push_back(static_cast<std::uint8_t>(c & 0xFF));
        }
        out->dcs = kDcsUcs2;
    }
    if (out->octets.size() > kMaxOctets) {
        return false;
    }
    out->length = static_cast<std::uint8_t>(out->octets.size());
    return true;
}

Alphabet ChooseAlphabet(const std::u16string& text, bool force_ucs2) {
    return !force_ucs2 && IsGsm7(text) ? Alphabet::kGsm7 : Alphabet::kUcs2;
}

void AppendUserData(const UserData& data, Bytes* out) {
    out->push_back(data.length);
    out->insert(out->end(), data.octets.begin(), data.octets.end());
}

}  // namespace

std::vector<std::uint8_t> EncodeGsmSubmit(const std::u16string& number, const std::u16string& text,
                                          const SmsSendOptions& options, int* tpdu_length) {
    if (tpdu_length != nullptr) {
        *tpdu_length = 0;
    }
    UserData data;
    if (!BuildUserData(text, ChooseAlphabet(text, options.force_ucs2), options.concat, &data)) {
        return {};
    }
    Bytes pdu{0x00};                  // no service-centre address: the card uses its own
    std::uint8_t first = kMtiSubmit;  // validity period not present
    if (options.status_report) {
        first |= kStatusReportRequest;
    }
    if (data.has_header) {
        first |= kUserDataHeader;
    }
    pdu.push_back(first);
    pdu.push_back(static_cast<std::uint8_t>(options.reference & 0xFF));
    if (!AppendAddress(number, false, &pdu)) {
        return {};
    }
    pdu.push_back(0x00);  // protocol identifier: plain short message
    pdu.push_back(data.dcs);
    AppendUserData(data, &pdu);
    if (tpdu_length != nullptr) {
        *tpdu_length = static_cast<int>(pdu.size()) - 1;
    }
    return pdu;
}

std::vector<std::uint8_t> EncodeGsmDeliver(const SmsPdu& message, bool force_ucs2) {
    Alphabet alphabet = ChooseAlphabet(message.text, force_ucs2);
    if (message.alphabet == Alphabet::kUcs2) {
        alphabet = Alphabet::kUcs2;
    } else if (message.alphabet == Alphabet::kEightBit && !force_ucs2) {
        alphabet = Alphabet::kEightBit;
    }
    UserData data;
    if (!BuildUserData(message.text, alphabet, message.concat, &data)) {
        return {};
    }
    Bytes pdu;
    if (!AppendServiceCentre(message.service_centre, &pdu)) {
        return {};
    }
    std::uint8_t first = kMtiDeliver | kNoMoreMessages;
    if (data.has_header) {
        first |= kUserDataHeader;
    }
    pdu.push_back(first);
    if (!AppendAddress(message.address, true, &pdu)) {
        return {};
    }
    pdu.push_back(0x00);
    pdu.push_back(data.dcs);
    AppendTimestamp(message.timestamp, &pdu);
    AppendUserData(data, &pdu);
    return pdu;
}

std::vector<std::uint8_t> EncodeGsmStatusReport(const SmsPdu& message) {
    Bytes pdu;
    if (!AppendServiceCentre(message.service_centre, &pdu)) {
        return {};
    }
    pdu.push_back(kMtiStatusReport | kNoMoreMessages);
    pdu.push_back(static_cast<std::uint8_t>(message.reference & 0xFF));
    if (!AppendAddress(message.address, true, &pdu)) {
        return {};
    }
    AppendTimestamp(message.timestamp, &pdu);
    AppendTimestamp(message.discharge, &pdu);
    pdu.push_back(static_cast<std::uint8_t>(message.report_status < 0 ? 0 : message.report_status));
    return pdu;
}

}  // namespace dedevev::at
