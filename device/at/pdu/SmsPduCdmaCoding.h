#pragma once
// The bit-level pieces shared by the CDMA short-message decoder and encoder.
//
// One SMS Transport Layer point-to-point message is a message type octet, then parameters
// as id, length, value; the bearer data holds subparameters of the same shape. The fields
// inside them are bit fields, most significant bit first.
//
// User data with a header (the message identifier's header indicator set) starts with the
// header octets (length octet first, as in GSM), and NUM_FIELDS counts the header too, in the
// units of the encoding:
//  - 7-bit ASCII / IA5: the header takes ceil(octets * 8 / 7) septets; the characters follow
//    after zero fill bits, at the next septet boundary of the user data;
//  - GSM 7-bit: the same count, with GSM's packing (least significant bit first) inside the
//    octets that follow NUM_FIELDS;
//  - Unicode: the header is padded to an even number of octets and counts one unit per two;
//  - octet and Latin: one unit per header octet.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace dedevev::at::cdma {

// SMS_MSG_TYPE of the transport layer.
inline constexpr int kPointToPoint = 0;
inline constexpr int kBroadcast = 1;
inline constexpr int kAcknowledge = 2;

// Transport layer parameters.
inline constexpr int kTeleserviceId = 0x00;
inline constexpr int kOriginatingAddress = 0x02;
inline constexpr int kDestinationAddress = 0x04;
inline constexpr int kBearerData = 0x08;

// Bearer data subparameters.
inline constexpr int kMessageIdentifier = 0x00;
inline constexpr int kUserData = 0x01;
inline constexpr int kCentreTimeStamp = 0x03;

// MESSAGE_TYPE of the message identifier.
inline constexpr int kTypeDeliver = 1;
inline constexpr int kTypeSubmit = 2;

// MSG_ENCODING of the user data.
inline constexpr int kEncodingOctet = 0;
inline constexpr int kEncodingIs91 = 1;
inline constexpr int kEncodingAscii7 = 2;
inline constexpr int kEncodingIa5 = 3;
inline constexpr int kEncodingUnicode = 4;
inline constexpr int kEncodingLatin = 8;
inline constexpr int kEncodingGsm7 = 9;
inline constexpr int kEncodingGsmDcs = 10;

inline constexpr int kWirelessMessaging = 4098;
inline constexpr int kNumberTypeInternational = 1;
inline constexpr int kNumberTypeEmail = 2;
inline constexpr int kNumberPlanTelephony = 1;

inline constexpr char16_t kReplacement = u'\uFFFD';

// Reads bit fields, most significant bit first, and never past the end.
class BitReader {
public:
    BitReader(const std::uint8_t* data, std::size_t size) : data_(data), bits_(size * 8) {}

    std::size_t Remaining() const { return bits_ - position_; }

    bool Read(int count, std::uint32_t* value) {
        if (static_cast<std::size_t>(count) > Remaining()) {
            return false;
        }
        std::uint32_t v = 0;
        for (int i = 0; i < count; ++i, ++position_) {
            const int bit = (data_[position_ / 8] >> (7 - position_ % 8)) & 1;
            v = (v << 1) | static_cast<std::uint32_t>(bit);
        }
        *value = v;
        return true;
    }

    bool Skip(std::size_t count) {
        if (count > Remaining()) {
            return false;
        }
        position_ += count;
        return true;
    }

private:
    const std::uint8_t* data_;
    std::size_t bits_;
    std::size_t position_ = 0;
};

// Writes bit fields, most significant bit first; the last octet is padded with zero bits.
class BitWriter {
public:
    void Write(std::uint32_t value, int count) {
        for (int i = count - 1; i >= 0; --i, ++position_) {
            if (position_ % 8 == 0) {
                bytes_.push_back(0);
            }
            if ((value >> i) & 1) {
                bytes_.back() |= static_cast<std::uint8_t>(0x80 >> (position_ % 8));
            }
        }
    }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

// Units of a header of `octets` octets in characters of `width` bits.
inline std::size_t HeaderUnits(std::size_t octets, int width) {
    if (width == 16) {
        return (octets + 1) / 2;
    }
    if (width == 8) {
        return octets;
    }
    return (octets * 8 + 6) / 7;
}

// Unicode units as text: a surrogate pair stays, a lone surrogate becomes U+FFFD.
inline std::u16string FixSurrogates(const std::u16string& units) {
    std::u16string text;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char16_t c = units[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            text.push_back(c);
            text.push_back(units[++i]);
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            text.push_back(kReplacement);
        } else {
            text.push_back(c);
        }
    }
    return text;
}

}  // namespace dedevev::at::cdma
