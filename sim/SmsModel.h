#pragma once
// The card's message side without I/O: the storages ("SM" on the SIM/UIM, "ME" in the modem,
// "SR" for status reports) with their indexes, statuses and raw PDUs, the preferred storages
// of +CPMS, the routing of new messages (+CNMI), the message-centre address, the switch that
// makes sending fail, and the log of what the host sent. Deliveries from the network queue
// the unsolicited lines they cause; the AT port takes them with TakeNotices().
//
// PDUs are kept as the host sees them in PDU mode: on a GSM card the service-centre address
// followed by the TPDU, on a CDMA card the transport-layer message.

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace dedevev::sim {

// +CMS ERROR numbers the card uses (3GPP TS 27.005, 3.2.5).
namespace cms {
constexpr int kNotAllowed = 302;
constexpr int kNotSupported = 303;
constexpr int kInvalidPduParameter = 304;
constexpr int kSimNotInserted = 310;
constexpr int kSimPinRequired = 311;
constexpr int kSimFailure = 313;
constexpr int kSimBusy = 314;
constexpr int kSimPukRequired = 316;
constexpr int kMemoryFailure = 320;
constexpr int kInvalidIndex = 321;
constexpr int kMemoryFull = 322;
constexpr int kNoNetworkService = 331;
constexpr int kUnknown = 500;
}  // namespace cms

// <stat> of +CMGL/+CMGR; 4 ("ALL") is only a +CMGL filter.
enum SmsStat { kRecUnread = 0, kRecRead = 1, kStoUnsent = 2, kStoSent = 3, kStatAll = 4 };
const char* SmsStatName(int stat);  // "REC UNREAD" ...

struct StoredSms {
    int index = 0;
    int stat = kRecUnread;
    std::vector<std::uint8_t> pdu;
};

struct SmsStorage {
    std::string name;
    int capacity = 0;
    std::map<int, StoredSms> messages;  // by index, 1..capacity

    int Used() const { return static_cast<int>(messages.size()); }
    bool Full() const { return Used() >= capacity; }
    int FreeIndex() const;  // the lowest free index, 0 when full
};

// +CNMI <mode>,<mt>,<bm>,<ds>,<bfr>.
struct SmsRouting {
    int mode = 0;
    int mt = 0;
    int bm = 0;
    int ds = 0;
    int bfr = 0;
};

// One message the host sent, decoded.
struct SentSms {
    std::string number;  // UTF-8
    std::string kind;    // alphabet: "gsm7", "ucs2", "8bit", "ascii", "latin1"
    std::string text;    // UTF-8
    int reference = 0;   // the +CMGS answer
    std::string part;    // "<sequence>/<total>/<reference>" for a part of a long message
};

// What became of a message or status report from the network.
struct Delivery {
    enum class Outcome { kStored, kForwarded, kLost };
    Outcome outcome = Outcome::kStored;
    std::string storage;  // kStored, kLost: where it went or would have gone
    int index = 0;        // kStored
};

class SmsModel {
public:
    explicit SmsModel(bool gsm);

    bool Gsm() const { return gsm_; }
    // The card powered up: the preferred storages and the routing go back to their defaults;
    // messages, capacities and the sent log stay.
    void PowerUp();

    // ---- Storages
    const std::vector<SmsStorage>& Storages() const { return storages_; }
    SmsStorage* Find(std::string_view name);
    const SmsStorage* Find(std::string_view name) const;
    // False (with `error`) for an unknown storage, a capacity outside 1..1000 or one below
    // the highest index in use.
    bool SetCapacity(std::string_view name, int capacity, std::string* error);
    bool Clear(std::string_view name);

    // mem1 (list, read, delete), mem2 (write, send from storage), mem3 (new messages).
    const std::string& Mem(int which) const { return mem_[which]; }
    // +CPMS=<mem1>[,<mem2>[,<mem3>]]: 0 or a +CMS ERROR number (302 for a storage that is
    // unknown or not allowed in that place). Nothing changes on failure.
    int SetMems(const std::vector<std::string>& names);

    // ---- The host's operations on mem1; each answers 0 or a +CMS ERROR number.
    // The messages of `stat` (4 all) in index order, with the status they had; listing turns
    // REC UNREAD into REC READ.
    int List(int stat, std::vector<StoredSms>* out);
    int Read(int index, StoredSms* out);
    // <flag> 0 the message at `index`; 1 all read; 2 read and sent; 3 read, sent and unsent;
    // 4 all.
    int Delete(int index, int flag);
    // +CMGW: stores `pdu` in mem2 with `stat` (2 or 3, or a received one).
    int Write(const std::vector<std::uint8_t>& pdu, int stat, int* index);
    // +CMSS: the message at `index` of mem2.
    const StoredSms* InMem2(int index) const;
    void MarkSent(int index);

    // The TPDU length a host is told (+CMGL, +CMGR, +CMT, +CDS): a GSM PDU without its
    // service-centre address; a CDMA PDU whole. -1 when a GSM PDU's address overruns it.
    int TpduLength(const std::vector<std::uint8_t>& pdu) const;

    // ---- New messages
    const SmsRouting& Routing() const { return routing_; }
    // Leaving <mode> 0 flushes the indications held meanwhile (<bfr> 0) or drops them (1).
    void SetRouting(const SmsRouting& routing);
    // Whether the card offers +CNMI at all; without it every message is stored silently.
    bool Indications() const { return indications_; }
    void SetIndications(bool on) { indications_ = on; }

    // A message from the network, routed by +CNMI <mt>: stored in mem3 (+CMTI, or silently)
    // or forwarded (+CMT). A storage that becomes full reports "^DDSMSFULL"; a message for
    // a full storage is lost.
    Delivery DeliverMessage(const std::vector<std::uint8_t>& pdu);
    // A status report, routed by +CNMI <ds>: forwarded (+CDS) or stored in "SR" (+CDSI when
    // ds is 2, silently otherwise).
    Delivery DeliverStatusReport(const std::vector<std::uint8_t>& pdu);
    int Lost() const { return lost_; }

    bool HasNotices() const { return !notices_.empty(); }
    // Unsolicited lines waiting for the AT port; a two-line result is one entry with CR LF
    // inside ("+CMT: ,24\r\n0791...").
    std::vector<std::string> TakeNotices();

    // ---- Sending
    bool SendAccepted() const { return send_accept_; }
    int RefuseCode() const { return refuse_code_; }
    // Accepting clears the numbers refused one by one.
    void SetSending(bool accept, int refuse_code);
    // Sends to `number` (as the submit names it) are refused with `refuse_code`; others go on
    // as SetSending says.
    void RefuseNumber(const std::string& number, int refuse_code);
    bool AcceptsNumber(const std::string& number) const;
    int NextReference();        // the +CMGS message reference, 0..255
    int NextConcatReference();  // the reference of a long message's parts, 0..255
    void LogSent(const SentSms& sent) { sent_.push_back(sent); }
    const std::vector<SentSms>& Sent() const { return sent_; }
    void ClearSent() { sent_.clear(); }

    // +CMMS: 0 off, 1 keep the link between sends until one 5 s pause, 2 keep it.
    int MoreMessages() const { return more_messages_; }
    void SetMoreMessages(int mode) { more_messages_ = mode; }

    const std::string& Smsc() const { return smsc_; }
    int SmscType() const { return smsc_type_; }
    void SetSmsc(std::string_view number, int type);

private:
    // Stores in `storage`; `indication` ("+CMTI", "+CDSI") or null for a silent store.
    Delivery Store(std::string_view storage, const std::vector<std::uint8_t>& pdu,
                   const char* indication);
    // A 27.005 indication: held while <mode> is 0, dropped when the card offers none.
    void Indicate(std::string line);
    std::string HexLine(const std::vector<std::uint8_t>& pdu, int length) const;

    bool gsm_;
    std::vector<SmsStorage> storages_;
    std::string mem_[3];
    SmsRouting routing_;
    bool indications_ = true;
    int lost_ = 0;
    std::vector<std::string> notices_;
    std::vector<std::string> buffered_;
    bool send_accept_ = true;
    int refuse_code_ = cms::kUnknown;
    std::set<std::string> refused_numbers_;
    int more_messages_ = 0;
    int reference_ = 0;
    int concat_reference_ = 0;
    std::vector<SentSms> sent_;
    std::string smsc_ = "+6281100000";
    int smsc_type_ = 145;
};

// ---- The network's side of messages, built with the PDU codecs of device/at.

// The PDUs the network delivers for `text` (UTF-8) from `from`: GSM 7-bit or UCS2 on a GSM
// card (ASCII or Unicode on CDMA), 16-bit when `force_ucs2`. A text too long for one message
// is cut into parts that carry a concatenation header with `concat_reference`; with
// `allow_long` false it is refused. `from` is a number ("+628123", digits with an optional
// '+') or, on a GSM card, an alphanumeric sender of up to 11 characters. False with `error`.
bool BuildDeliverPdus(bool gsm, const std::string& from, const std::string& text, bool force_ucs2,
                      bool allow_long, int concat_reference,
                      std::vector<std::vector<std::uint8_t>>* pdus, std::string* error);

// A GSM status report from the centre `smsc`: the message `reference` sent to `number` was
// received (TP-ST 0).
std::vector<std::uint8_t> BuildStatusReport(const std::string& smsc, const std::string& number,
                                            int reference);

// A PDU as the card's tools show it.
struct PduSummary {
    enum class Kind { kDeliver, kSubmit, kStatusReport };
    bool decoded = false;
    std::string error;  // why it did not decode
    Kind kind = Kind::kDeliver;
    std::string address;   // UTF-8: sender, destination or recipient
    std::string text;      // UTF-8
    std::string alphabet;  // "gsm7", "ucs2", "8bit", "ascii", "latin1", "unknown"
    std::string part;      // "<sequence>/<total>/<reference>" for a part of a long message
    int reference = 0;
    int report_status = -1;
    bool wants_report = false;  // a GSM submit that asks for a status report
};
PduSummary DescribePdu(bool gsm, const std::vector<std::uint8_t>& pdu);

}  // namespace dedevev::sim
