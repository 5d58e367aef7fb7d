// GSM/UMTS/LTE short messages in PDU mode: the service-centre address followed by an
// SMS-DELIVER, SMS-SUBMIT or SMS-STATUS-REPORT TPDU. Decoding; the coding side is
// SmsPduGsmEncode.cpp.

#include <cstddef>
#include <string_view>
#include <utility>

#include "device/at/pdu/SmsPdu.h"

namespace dedevev::at {

namespace {

using Bytes = std::vector<std::uint8_t>;

// First-octet bits.
constexpr std::uint8_t kMtiMask = 0x03;
constexpr std::uint8_t kMtiDeliver = 0x00;
constexpr std::uint8_t kMtiSubmit = 0x01;
constexpr std::uint8_t kMtiStatusReport = 0x02;
constexpr std::uint8_t kUserDataHeader = 0x40;

// Types of number in the type-of-address octet.
constexpr int kTonInternational = 1;
constexpr int kTonAlphanumeric = 5;

// Information elements of the user data header.
constexpr std::uint8_t kIeiConcat8 = 0x00;
constexpr std::uint8_t kIeiConcat16 = 0x08;

constexpr std::size_t kMaxSeptets = 160;
constexpr std::size_t kMaxOctets = 140;
constexpr std::size_t kMaxAddressDigits = 20;
constexpr std::size_t kMaxServiceCentreOctets = 11;  // type of address + 10 octets of digits

// ---- Decoding

// Reads a PDU front to back and never past its end.
class Reader {
public:
    explicit Reader(const Bytes& bytes) : bytes_(bytes) {}
    std::size_t Remaining() const { return bytes_.size() - pos_; }
    bool Octet(std::uint8_t* value) {
        if (pos_ >= bytes_.size()) {
            return false;
        }
        *value = bytes_[pos_++];
        return true;
    }
    bool Take(std::size_t count, Bytes* out) {
        if (count > Remaining()) {
            return false;
        }
        out->assign(bytes_.begin() + static_cast<std::ptrdiff_t>(pos_),
                    bytes_.begin() + static_cast<std::ptrdiff_t>(pos_ + count));
        pos_ += count;
        return true;
    }

private:
    const Bytes& bytes_;
    std::size_t pos_ = 0;
};

bool Fail(std::string* error, const char* reason) {
    if (error != nullptr) {
        *error = reason;
    }
    return false;
}

// `count` semi-octets of digits, the first in the low half of each octet; the filler F is
// dropped wherever it stands.
std::u16string DecodeDigits(const Bytes& octets, std::size_t count) {
    static constexpr char16_t kDigits[] = u"0123456789*#abc";
    std::u16string digits;
    for (std::size_t i = 0; i < count && i / 2 < octets.size(); ++i) {
        const int code = i % 2 == 0 ? octets[i / 2] & 0x0F : octets[i / 2] >> 4;
        if (code != 0x0F) {
            digits.push_back(kDigits[code]);
        }
    }
    return digits;
}

int TypeOfNumber(std::uint8_t toa) {
    return (toa >> 4) & 0x07;
}

bool ReadServiceCentre(Reader* reader, std::u16string* out, std::string* error) {
    std::uint8_t length = 0;
    if (!reader->Octet(&length)) {
        return Fail(error, "empty PDU");
    }
    if (length == 0) {
        return true;
    }
    if (length > kMaxServiceCentreOctets) {
        return Fail(error, "service-centre address too long");
    }
    Bytes field;
    if (!reader->Take(length, &field)) {
        return Fail(error, "truncated service-centre address");
    }
    const Bytes digits(field.begin() + 1, field.end());
    *out = DecodeDigits(digits, digits.size() * 2);
    if (TypeOfNumber(field[0]) == kTonInternational && !out->empty()) {
        out->insert(out->begin(), u'+');
    }
    return true;
}

bool ReadAddress(Reader* reader, std::u16string* out, std::string* error) {
    std::uint8_t semi_octets = 0;
    std::uint8_t toa = 0;
    if (!reader->Octet(&semi_octets) || !reader->Octet(&toa)) {
        return Fail(error, "truncated address");
    }
    if (semi_octets > kMaxAddressDigits) {
        return Fail(error, "address too long");
    }
    Bytes octets;
    if (!reader->Take((semi_octets + 1) / 2, &octets)) {
        return Fail(error, "truncated address");
    }
    if (TypeOfNumber(toa) == kTonAlphanumeric) {
        *out = FromGsm7(UnpackSeptets(octets, semi_octets * 4 / 7));
        return true;
    }
    *out = DecodeDigits(octets, semi_octets);
    if (TypeOfNumber(toa) == kTonInternational && !out->empty()) {
        out->insert(out->begin(), u'+');
    }
    return true;
}

bool ReadTimestamp(Reader* reader, SmsTimestamp* out, std::string* error) {
    Bytes octets;
    if (!reader->Take(7, &octets)) {
        return Fail(error, "truncated time stamp");
    }
    int fields[6] = {};
    for (int i = 0; i < 6; ++i) {
        const int tens = octets[i] & 0x0F;
        const int units = octets[i] >> 4;
        if (tens > 9 || units > 9) {
            return Fail(error, "time stamp digit out of range");
        }
        fields[i] = tens * 10 + units;
    }
    const int zone_units = octets[6] >> 4;
    if (zone_units > 9) {
        return Fail(error, "time stamp digit out of range");
    }
    const int quarters = (octets[6] & 0x07) * 10 + zone_units;
    if (quarters > 56) {
        return Fail(error, "time zone out of range");
    }
    const std::optional<DateTimeFields> t = TimeFromFields(fields, 90);
    if (!t) {
        return Fail(error, "impossible date or time in time stamp");
    }
    out->time = *t;
    out->zone_quarters = (octets[6] & 0x08) != 0 ? -quarters : quarters;
    out->present = true;
    return true;
}

// The information elements of the header that takes the first `length` octets of `ud`
// (its own length octet included). A concatenation element with a wrong length, or an
// element running past the header, makes the header malformed; other elements are skipped.
bool ParseHeader(const Bytes& ud, std::size_t length, SmsConcat* concat) {
    std::size_t i = 1;
    while (i < length) {
        if (i + 2 > length) {
            return false;
        }
        const std::uint8_t iei = ud[i];
        const std::size_t size = ud[i + 1];
        i += 2;
        if (i + size > length) {
            return false;
        }
        SmsConcat found;
        if (iei == kIeiConcat8) {
            if (size != 3) {
                return false;
            }
            found = {ud[i], ud[i + 1], ud[i + 2], false};
        } else if (iei == kIeiConcat16) {
            if (size != 4) {
                return false;
            }
            found = {(ud[i] << 8) | ud[i + 1], ud[i + 2], ud[i + 3], true};
        }
        // A part number outside 1..total makes the element meaningless: it is ignored.
        if (found.reference >= 0 && concat->reference < 0 && found.total >= 1 &&
            found.sequence >= 1 && found.sequence <= found.total) {
            *concat = found;
        }
        i += size;
    }
    return true;
}

// 16-bit characters, big-endian; a surrogate without its partner becomes U+FFFD.
std::u16string FromUcs2(const Bytes& octets, std::size_t from) {
    std::u16string raw;
    for (std::size_t i = from; i + 1 < octets.size(); i += 2) {
        raw.push_back(static_cast<char16_t>((octets[i] << 8) | octets[i + 1]));
    }
    std::u16string text;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char16_t c = raw[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < raw.size() && raw[i + 1] >= 0xDC00 &&
            raw[i + 1] <= 0xDFFF) {
            text.push_back(c);
            text.push_back(raw[++i]);
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            text.push_back(u'\uFFFD');
        } else {
            text.push_back(c);
        }
    }
    return text;
}

bool ReadUserData(Reader* reader, bool has_header, SmsPdu* out, std::string* error) {
    std::uint8_t length = 0;
    if (!reader->Octet(&length)) {
        return Fail(error, "truncated user data length");
    }
    const bool septets = out->alphabet == Alphabet::kGsm7;
    if (length > (septets ? kMaxSeptets : kMaxOctets)) {
        return Fail(error, "user data too long");
    }
    Bytes ud;
    if (!reader->Take(septets ? (length * 7 + 7) / 8 : length, &ud)) {
        return Fail(error, "truncated user data");
    }
    std::size_t header_octets = 0;
    if (has_header) {
        if (ud.empty() || static_cast<std::size_t>(ud[0]) + 1 > ud.size()) {
            return Fail(error, "user data header longer than the user data");
        }
        header_octets = static_cast<std::size_t>(ud[0]) + 1;
        if (!ParseHeader(ud, header_octets, &out->concat)) {
            return Fail(error, "malformed user data header");
        }
    }
    if (septets) {
        // The text starts on the septet boundary after the header.
        const std::size_t header_bits = header_octets * 8;
        const int fill = static_cast<int>((7 - header_bits % 7) % 7);
        const std::size_t header_septets = (header_bits + fill) / 7;
        if (header_septets > length) {
            return Fail(error, "user data header longer than the user data");
        }
        const Bytes body(ud.begin() + static_cast<std::ptrdiff_t>(header_octets), ud.end());
        out->text = FromGsm7(UnpackSeptets(body, length - header_septets, fill));
        return true;
    }
    if (out->alphabet == Alphabet::kUcs2) {
        if ((ud.size() - header_octets) % 2 != 0) {
            return Fail(error, "odd length of 16-bit user data");
        }
        out->text = FromUcs2(ud, header_octets);
        return true;
    }
    // 8-bit data (and data in a coding we do not know) is shown octet by octet as Latin-1.
    out->text.assign(ud.begin() + static_cast<std::ptrdiff_t>(header_octets), ud.end());
    return true;
}

bool ReadCoding(Reader* reader, SmsPdu* out, std::string* error) {
    std::uint8_t pid = 0;
    std::uint8_t dcs = 0;
    if (!reader->Octet(&pid) || !reader->Octet(&dcs)) {
        return Fail(error, "truncated message header");
    }
    out->alphabet = AlphabetOfSmsDcs(dcs);
    return true;
}

bool ReadDeliver(Reader* reader, std::uint8_t first, SmsPdu* out, std::string* error) {
    out->kind = SmsKind::kDeliver;
    return ReadAddress(reader, &out->address, error) && ReadCoding(reader, out, error) &&
           ReadTimestamp(reader, &out->timestamp, error) &&
           ReadUserData(reader, (first & kUserDataHeader) != 0, out, error);
}

bool ReadSubmit(Reader* reader, std::uint8_t first, SmsPdu* out, std::string* error) {
    out->kind = SmsKind::kSubmit;
    std::uint8_t reference = 0;
    if (!reader->Octet(&reference)) {
        return Fail(error, "truncated message reference");
    }
    out->reference = reference;
    if (!ReadAddress(reader, &out->address, error) || !ReadCoding(reader, out, error)) {
        return false;
    }
    // Validity period: none, relative (one octet), enhanced or absolute (seven octets).
    const int format = (first >> 3) & 0x03;
    const std::size_t validity = format == 0 ? 0 : format == 2 ? 1 : 7;
    Bytes skipped;
    if (!reader->Take(validity, &skipped)) {
        return Fail(error, "truncated validity period");
    }
    return ReadUserData(reader, (first & kUserDataHeader) != 0, out, error);
}

bool ReadStatusReport(Reader* reader, std::uint8_t first, SmsPdu* out, std::string* error) {
    out->kind = SmsKind::kStatusReport;
    std::uint8_t reference = 0;
    if (!reader->Octet(&reference)) {
        return Fail(error, "truncated message reference");
    }
    out->reference = reference;
    std::uint8_t status = 0;
    if (!ReadAddress(reader, &out->address, error) ||
        !ReadTimestamp(reader, &out->timestamp, error) ||
        !ReadTimestamp(reader, &out->discharge, error)) {
        return false;
    }
    if (!reader->Octet(&status)) {
        return Fail(error, "truncated status");
    }
    out->report_status = status;
    if (reader->Remaining() == 0) {
        return true;  // no optional parameters
    }
    // The parameter indicator says which optional fields follow; bit 7 chains another one.
    std::uint8_t indicator = 0;
    reader->Octet(&indicator);
    for (std::uint8_t more = indicator; (more & 0x80) != 0;) {
        if (!reader->Octet(&more)) {
            return Fail(error, "truncated parameter indicator");
        }
    }
    std::uint8_t octet = 0;
    if ((indicator & 0x01) != 0 && !reader->Octet(&octet)) {
        return Fail(error, "truncated protocol identifier");
    }
    if ((indicator & 0x02) != 0) {
        if (!reader->Octet(&octet)) {
            return Fail(error, "truncated data coding scheme");
        }
        out->alphabet = AlphabetOfSmsDcs(octet);
    }
    if ((indicator & 0x04) != 0) {
        return ReadUserData(reader, (first & kUserDataHeader) != 0, out, error);
    }
    return true;
}

}  // namespace

bool DecodeGsmPdu(const std::vector<std::uint8_t>& pdu, SmsPdu* out, std::string* error) {
    Reader reader(pdu);
    SmsPdu message;
    if (!ReadServiceCentre(&reader, &message.service_centre, error)) {
        return false;
    }
    std::uint8_t first = 0;
    if (!reader.Octet(&first)) {
        return Fail(error, "no message after the service-centre address");
    }
    bool ok = false;
    switch (first & kMtiMask) {
        case kMtiDeliver:
            ok = ReadDeliver(&reader, first, &message, error);
            break;
        case kMtiSubmit:
            ok = ReadSubmit(&reader, first, &message, error);
            break;
        case kMtiStatusReport:
            ok = ReadStatusReport(&reader, first, &message, error);
            break;
        default:
            return Fail(error, "reserved message type");
    }
    if (!ok) {
        return false;
    }
    if (reader.Remaining() != 0) {
        return Fail(error, "bytes after the end of the message");
    }
    *out = std::move(message);
    return true;
}

}  // namespace dedevev::at
