#pragma once
// Short messages as the card stores and sends them in PDU mode, for both families of cards:
//  - GSM/UMTS/LTE cards (3GPP TS 23.040 / 23.038): the service-centre address followed by an
//    SMS-DELIVER, SMS-SUBMIT or SMS-STATUS-REPORT TPDU;
//  - CDMA cards (3GPP2 C.S0015): an SMS Transport Layer point-to-point message (teleservice,
//    address, bearer data with message identifier, user data and message-centre time stamp).
// Decoders never trust the input: every length is checked, and a malformed PDU is refused
// with a short English reason instead of being half read.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/DateTimeFields.h"
#include "device/at/pdu/GsmCodec.h"

namespace dedevev::at {

enum class SmsKind { kDeliver, kSubmit, kStatusReport };

// A service-centre or message-centre time stamp.
struct SmsTimestamp {
    bool present = false;
    DateTimeFields time;    // local time of the sender's centre
    int zone_quarters = 0;  // offset from UTC in quarters of an hour (-48..+56); 0 for CDMA

    friend bool operator==(const SmsTimestamp&, const SmsTimestamp&) = default;
};

// The concatenation header of one part of a long message (8-bit or 16-bit reference).
struct SmsConcat {
    int reference = -1;  // -1: not a part of a long message
    int total = 0;       // parts in the whole message (1..255)
    int sequence = 0;    // this part, 1..total
    bool sixteen_bit = false;

    bool IsPart() const { return reference >= 0 && total > 1; }
    friend bool operator==(const SmsConcat&, const SmsConcat&) = default;
};

// One decoded short message of either family.
struct SmsPdu {
    SmsKind kind = SmsKind::kDeliver;
    // The other party: originator of a delivered message, destination of a submitted one,
    // recipient named in a status report. International numbers start with '+'; an
    // alphanumeric GSM sender is its decoded text ("Telkomsel").
    std::u16string address;
    std::u16string service_centre;  // GSM only; empty when the PDU names none
    std::u16string text;
    Alphabet alphabet = Alphabet::kGsm7;  // what the user data was coded in
    SmsTimestamp timestamp;               // service-centre / message-centre time
    SmsConcat concat;
    // GSM: TP-MR of a submit or status report. CDMA: the bearer data's message identifier.
    int reference = 0;
    // Status report only: TP-ST (0 received by the recipient; 32.. temporary; 64.. permanent
    // failure) and the discharge time.
    int report_status = -1;
    SmsTimestamp discharge;
    // CDMA only: the teleservice identifier (4098 = wireless messaging teleservice).
    int teleservice = 0;

    friend bool operator==(const SmsPdu&, const SmsPdu&) = default;
};

// What to send, and how.
struct SmsSendOptions {
    bool force_ucs2 = false;  // 16-bit characters even when the GSM alphabet would do
    int reference = 0;        // GSM TP-MR (0: the card picks one) / CDMA message identifier
    SmsConcat concat;         // set for one part of a long message
    bool status_report = false;
};

// ---- GSM/UMTS/LTE (TS 23.040)

// Decodes the PDU as +CMGL, +CMGR and +CMT give it (service-centre address first).
bool DecodeGsmPdu(const std::vector<std::uint8_t>& pdu, SmsPdu* out, std::string* error);

// An SMS-SUBMIT for +CMGS, with an empty service-centre address (the card uses its own).
// GSM 7-bit when every character has a GSM code (an extension character counts two septets),
// else UCS2. `tpdu_length` receives the length +CMGS=<n> wants (without the centre address).
// The text must fit one message (160 septets / 140 octets, less the header of a part).
std::vector<std::uint8_t> EncodeGsmSubmit(const std::u16string& number, const std::u16string& text,
                                          const SmsSendOptions& options, int* tpdu_length);

// An SMS-DELIVER as a card stores it (with `message.service_centre`, may be empty), coded
// like EncodeGsmSubmit; an address that is not a number (letters) becomes an alphanumeric
// sender. For the simulated card and for tests.
std::vector<std::uint8_t> EncodeGsmDeliver(const SmsPdu& message, bool force_ucs2 = false);

// An SMS-STATUS-REPORT for `message.reference`, `message.address`, `message.report_status`,
// `message.timestamp` and `message.discharge`. For the simulated card and for tests.
std::vector<std::uint8_t> EncodeGsmStatusReport(const SmsPdu& message);

// ---- CDMA (3GPP2 C.S0015)

// Decodes an SMS Transport Layer point-to-point message: teleservice, originating or
// destination address (DTMF or ASCII digits), and bearer data with message identifier
// (deliver or submit), user data (7-bit ASCII, Latin, Unicode, octet or GSM 7-bit; a
// concatenation header when the identifier says one is there) and message-centre time stamp.
bool DecodeCdmaPdu(const std::vector<std::uint8_t>& pdu, SmsPdu* out, std::string* error);

// A point-to-point submit of the wireless messaging teleservice (4098) to `number`: 7-bit
// ASCII when every character is ASCII, else Unicode; the message identifier is
// `options.reference`.
std::vector<std::uint8_t> EncodeCdmaSubmit(const std::u16string& number, const std::u16string& text,
                                           const SmsSendOptions& options);

// A point-to-point deliver from `message.address` with `message.text`, `message.timestamp`,
// `message.reference` and `message.concat`, coded like EncodeCdmaSubmit. For the simulated
// card and for tests.
std::vector<std::uint8_t> EncodeCdmaDeliver(const SmsPdu& message, bool force_unicode = false);

// ---- Both

// Whether a decoded time stamp names a real moment (month 1..12, the month's days with leap
// years, hours 0..23, minutes and seconds 0..59).
bool IsRealTime(const DateTimeFields& time);
// The moment of a time stamp's two-digit fields (year, month, day, hour, minute, second):
// years from `pivot` on are 19xx, the others 20xx. nullopt when it is no real moment.
std::optional<DateTimeFields> TimeFromFields(const int (&fields)[6], int pivot);

// How many characters of `text` fit one message of the family, and in which alphabet, so a
// sender can cut a long text into parts: GSM 160 septets (153 with a part header), UCS2 70
// (67); CDMA ASCII 160 (152), Unicode 70 (66). An extension character counts two septets.
struct SmsPlan {
    Alphabet alphabet = Alphabet::kGsm7;
    std::vector<std::u16string> parts;  // one entry when the text fits one message
};
enum class SmsFamily { kGsm, kCdma };
SmsPlan PlanSms(SmsFamily family, const std::u16string& text, bool force_ucs2);

}  // namespace dedevev::at
