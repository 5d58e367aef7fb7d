// Encoding of CDMA short messages: a point-to-point submit or deliver of the wireless
// messaging teleservice, with DTMF or ASCII address, message identifier, 7-bit ASCII or
// Unicode user data (with a concatenation header for a part) and the centre's time stamp.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "device/at/pdu/SmsPdu.h"
#include "device/at/pdu/SmsPduCdmaCoding.h"

namespace dedevev::at {

namespace {

using namespace cdma;

std::vector<std::uint8_t> ConcatHeader(const SmsConcat& concat) {
    if (!concat.IsPart()) {
        return {};
    }
    const auto byte = [](int v) { return static_cast<std::uint8_t>(v & 0xFF); };
    if (concat.sixteen_bit || concat.reference > 0xFF) {
        return {0x06,
                0x08,
                0x04,
                byte(concat.reference >> 8),
                byte(concat.reference),
                byte(concat.total),
                byte(concat.sequence)};
    }
    return {0x05, 0x00, 0x03, byte(concat.reference), byte(concat.total), byte(concat.sequence)};
}

bool IsAscii(const std::u16string& text) {
    for (char16_t c : text) {
        if (c >= 0x80) {
            return false;
        }
    }
    return true;
}

// The user data subparameter's value; empty when the text does not fit one.
std::vector<std::uint8_t> EncodeUserData(const std::u16string& text, const SmsConcat& concat,
                                         bool force_unicode) {
    const std::vector<std::uint8_t> header = ConcatHeader(concat);
    const bool ascii = !force_unicode && IsAscii(text);
    const int width = ascii ? 7 : 16;
    const std::size_t header_units = HeaderUnits(header.size(), width);
    const std::size_t fields = header_units + text.size();
    if (fields > 0xFF) {
        return {};
    }
    BitWriter w;
    w.Write(ascii ? kEncodingAscii7 : kEncodingUnicode, 5);
    w.Write(static_cast<std::uint32_t>(fields), 8);
    for (std::uint8_t b : header) {
        w.Write(b, 8);
    }
    w.Write(0, static_cast<int>(header_units * width - header.size() * 8));
    const std::u16string units = ascii ? text : FixSurrogates(text);
    for (char16_t c : units) {
        w.Write(c, width);
    }
    return w.bytes();
}

bool IsDialDigit(char16_t c) {
    return (c >= u'0' && c <= u'9') || c == u'*' || c == u'#';
}

// The address parameter's value: DTMF digits for a plain number, ASCII digits marked
// international for "+<digits>", and anything else as an ASCII data-network address (an
// e-mail address when it has an '@'); a character beyond ASCII becomes '?'.
std::vector<std::uint8_t> EncodeAddress(const std::u16string& number) {
    bool digits = true;
    for (char16_t c : number) {
        digits = digits && IsDialDigit(c);
    }
    const bool international = number.size() > 1 && number[0] == u'+' && [&] {
        for (std::size_t i = 1; i < number.size(); ++i) {
            if (!IsDialDigit(number[i])) {
                return false;
            }
        }
        return true;
    }();
    BitWriter w;
    if (digits) {
        if (number.size() > 0xFF) {
            return {};
        }
        w.Write(0, 1);  // DTMF digits
        w.Write(0, 1);  // not a data-network address
        w.Write(static_cast<std::uint32_t>(number.size()), 8);
        for (char16_t c : number) {
            w.Write(c == u'0' ? 10 : c == u'*' ? 11 : c == u'#' ? 12 : c - u'0', 4);
        }
        return w.bytes();
    }
    const std::u16string chars = international ? number.substr(1) : number;
    if (chars.size() > 250) {
        return {};
    }
    w.Write(1, 1);  // ASCII characters
    if (international) {
        w.Write(0, 1);
        w.Write(kNumberTypeInternational, 3);
        w.Write(kNumberPlanTelephony, 4);
    } else {
        w.Write(1, 1);
        w.Write(number.find(u'@') != std::u16string::npos ? kNumberTypeEmail : 0, 3);
    }
    w.Write(static_cast<std::uint32_t>(chars.size()), 8);
    for (char16_t c : chars) {
        w.Write(c < 0x80 ? c : u'?', 8);
    }
    return w.bytes();
}

int Bcd(int value) {
    return ((value / 10 % 10) << 4) | (value % 10);
}

void AppendParameter(std::vector<std::uint8_t>* out, int id, const std::vector<std::uint8_t>& v) {
    out->push_back(static_cast<std::uint8_t>(id));
    out->push_back(static_cast<std::uint8_t>(v.size()));
    out->insert(out->end(), v.begin(), v.end());
}

struct Outgoing {
    int message_type = kTypeDeliver;
    int address_parameter = kOriginatingAddress;
    std::u16string address;
    std::u16string text;
    int reference = 0;
    SmsConcat concat;
    SmsTimestamp timestamp;
    bool force_unicode = false;
};

std::vector<std::uint8_t> EncodeMessage(const Outgoing& m) {
    const std::vector<std::uint8_t> address = EncodeAddress(m.address);
    const std::vector<std::uint8_t> user_data = EncodeUserData(m.text, m.concat, m.force_unicode);
    if (address.empty() || user_data.empty() || user_data.size() > 0xFF) {
        return {};
    }
    const int id = m.reference & 0xFFFF;
    const int header = m.concat.IsPart() ? 1 : 0;
    std::vector<std::uint8_t> bearer;
    AppendParameter(&bearer, kMessageIdentifier,
                    {static_cast<std::uint8_t>((m.message_type << 4) | (id >> 12)),
                     static_cast<std::uint8_t>(id >> 4),
                     static_cast<std::uint8_t>(((id & 0xF) << 4) | (header << 3))});
    AppendParameter(&bearer, kUserData, user_data);
    if (m.timestamp.present) {
        const DateTimeFields& t = m.timestamp.time;
        std::vector<std::uint8_t> stamp;
        for (int v : {t.year % 100, t.month, t.day, t.hour, t.minute, t.second}) {
            stamp.push_back(static_cast<std::uint8_t>(Bcd(v < 0 ? 0 : v)));
        }
        AppendParameter(&bearer, kCentreTimeStamp, stamp);
    }
    if (bearer.size() > 0xFF) {
        return {};
    }
    std::vector<std::uint8_t> pdu = {kPointToPoint};
    AppendParameter(&pdu, kTeleserviceId,
                    {kWirelessMessaging >> 8, static_cast<std::uint8_t>(kWirelessMessaging)});
    AppendParameter(&pdu, m.address_parameter, address);
    AppendParameter(&pdu, kBearerData, bearer);
    return pdu;
}

}  // namespace

std::vector<std::uint8_t> EncodeCdmaSubmit(const std::u16string& number, const std::u16string& text,
                                           const SmsSendOptions& options) {
    Outgoing m;
    m.message_type = kTypeSubmit;
    m.address_parameter = kDestinationAddress;
    m.address = number;
    m.text = text;
    m.reference = options.reference;
    m.concat = options.concat;
    m.force_unicode = options.force_ucs2;
    return EncodeMessage(m);
}

std::vector<std::uint8_t> EncodeCdmaDeliver(const SmsPdu& message, bool force_unicode) {
    Outgoing m;
    m.message_type = kTypeDeliver;
    m.address_parameter = kOriginatingAddress;
    m.address = message.address;
    m.text = message.text;
    m.reference = message.reference;
    m.concat = message.concat;
    m.timestamp = message.timestamp;
    m.force_unicode = force_unicode;
    return EncodeMessage(m);
}

}  // namespace dedevev::at
