#include "sim/SmsModel.h"

#include <time.h>

#include <algorithm>
#include <cctype>

#include "device/at/pdu/SmsPdu.h"
#include "sim/TextCoding.h"

namespace dedevev::sim {

namespace {

constexpr int kMaxCapacity = 1000;
// Indications held while +CNMI <mode> is 0; the oldest go when more arrive.
constexpr std::size_t kMaxBuffered = 64;

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (std::uint8_t b : bytes) {
        out += kDigits[b >> 4];
        out += kDigits[b & 0xF];
    }
    return out;
}

bool Matches(int stat, int filter) {
    return filter == kStatAll || stat == filter;
}

// Whether +CMGD <flag> removes a message of `stat`.
bool DeletedBy(int flag, int stat) {
    switch (flag) {
        case 1:
            return stat == kRecRead;
        case 2:
            return stat == kRecRead || stat == kStoSent;
        case 3:
            return stat != kRecUnread;
        case 4:
            return true;
        default:
            return false;
    }
}

}  // namespace

const char* SmsStatName(int stat) {
    switch (stat) {
        case kRecUnread:
            return "REC UNREAD";
        case kRecRead:
            return "REC READ";
        case kStoUnsent:
            return "STO UNSENT";
        case kStoSent:
            return "STO SENT";
        default:
            return "ALL";
    }
}

int SmsStorage::FreeIndex() const {
    for (int index = 1; index <= capacity; ++index) {
        if (messages.find(index) == messages.end())
            return index;
    }
    return 0;
}

SmsModel::SmsModel(bool gsm) : gsm_(gsm) {
    storages_ = {{"SM", 50, {}}, {"ME", 100, {}}, {"SR", 20, {}}};
    PowerUp();
}

void SmsModel::PowerUp() {
    for (std::string& mem : mem_)
        mem = "SM";
    routing_ = SmsRouting{};
    more_messages_ = 0;
    buffered_.clear();
    notices_.clear();
}

SmsStorage* SmsModel::Find(std::string_view name) {
    const std::string key = Upper(name);
    for (SmsStorage& storage : storages_) {
        if (storage.name == key)
            return &storage;
    }
    return nullptr;
}

const SmsStorage* SmsModel::Find(std::string_view name) const {
    return const_cast<SmsModel*>(this)->Find(name);
}

bool SmsModel::SetCapacity(std::string_view name, int capacity, std::string* error) {
    SmsStorage* storage = Find(name);
    if (!storage) {
        *error = "unknown storage " + std::string(name);
        return false;
    }
    if (capacity < 1 || capacity > kMaxCapacity) {
        *error = "capacity must be 1 to " + std::to_string(kMaxCapacity);
        return false;
    }
    if (!storage->messages.empty() && storage->messages.rbegin()->first > capacity) {
        *error = storage->name + " holds a message at index " +
                 std::to_string(storage->messages.rbegin()->first);
        return false;
    }
    storage->capacity = capacity;
    return true;
}

bool SmsModel::Clear(std::string_view name) {
    SmsStorage* storage = Find(name);
    if (!storage)
        return false;
    storage->messages.clear();
    return true;
}

int SmsModel::SetMems(const std::vector<std::string>& names) {
    if (names.empty() || names.size() > 3)
        return cms::kNotAllowed;
    std::string chosen[3] = {mem_[0], mem_[1], mem_[2]};
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string name = Upper(names[i]);
        // Status reports are only read from "SR"; nothing is written or received there.
        if (!Find(name) || (i > 0 && name == "SR"))
            return cms::kNotAllowed;
        chosen[i] = name;
    }
    for (int i = 0; i < 3; ++i)
        mem_[i] = chosen[i];
    return 0;
}

int SmsModel::List(int stat, std::vector<StoredSms>* out) {
    out->clear();
    if (stat < 0 || stat > kStatAll)
        return cms::kNotAllowed;
    SmsStorage* storage = Find(mem_[0]);
    if (!storage)
        return cms::kMemoryFailure;
    for (auto& [index, message] : storage->messages) {
        if (!Matches(message.stat, stat))
            continue;
        out->push_back(message);
        if (message.stat == kRecUnread)
            message.stat = kRecRead;
    }
    return 0;
}

int SmsModel::Read(int index, StoredSms* out) {
    SmsStorage* storage = Find(mem_[0]);
    if (!storage)
        return cms::kMemoryFailure;
    auto it = storage->messages.find(index);
    if (it == storage->messages.end())
        return cms::kInvalidIndex;
    *out = it->second;
    if (it->second.stat == kRecUnread)
        it->second.stat = kRecRead;
    return 0;
}

int SmsModel::Delete(int index, int flag) {
    SmsStorage* storage = Find(mem_[0]);
    if (!storage)
        return cms::kMemoryFailure;
    if (flag < 0 || flag > 4)
        return cms::kNotAllowed;
    if (flag == 0) {
        if (storage->messages.erase(index) == 0)
            return cms::kInvalidIndex;
        return 0;
    }
    for (auto it = storage->messages.begin(); it != storage->messages.end();) {
        if (DeletedBy(flag, it->second.stat))
            it = storage->messages.erase(it);
        else
            ++it;
    }
    return 0;
}

int SmsModel::Write(const std::vector<std::uint8_t>& pdu, int stat, int* index) {
    SmsStorage* storage = Find(mem_[1]);
    if (!storage)
        return cms::kMemoryFailure;
    if (stat < kRecUnread || stat > kStoSent)
        return cms::kNotAllowed;
    const int free = storage->FreeIndex();
    if (free == 0)
        return cms::kMemoryFull;
    storage->messages[free] = StoredSms{free, stat, pdu};
    *index = free;
    return 0;
}

const StoredSms* SmsModel::InMem2(int index) const {
    const SmsStorage* storage = Find(mem_[1]);
    if (!storage)
        return nullptr;
    auto it = storage->messages.find(index);
    return it == storage->messages.end() ? nullptr : &it->second;
}

void SmsModel::MarkSent(int index) {
    SmsStorage* storage = Find(mem_[1]);
    if (!storage)
        return;
    auto it = storage->messages.find(index);
    if (it != storage->messages.end() && it->second.stat == kStoUnsent)
        it->second.stat = kStoSent;
}

int SmsModel::TpduLength(const std::vector<std::uint8_t>& pdu) const {
    if (!gsm_)
        return static_cast<int>(pdu.size());
    if (pdu.empty() || 1u + pdu[0] > pdu.size())
        return -1;
    return static_cast<int>(pdu.size()) - 1 - pdu[0];
}

std::string SmsModel::HexLine(const std::vector<std::uint8_t>& pdu, int length) const {
    return std::to_string(length) + "\r\n" + Hex(pdu);
}

void SmsModel::SetRouting(const SmsRouting& routing) {
    const bool leaving_buffer = routing_.mode == 0 && routing.mode != 0;
    routing_ = routing;
    if (!leaving_buffer)
        return;
    // Entering mode 1 or 2: <bfr> 0 flushes what was held, 1 clears it.
    if (routing.bfr == 0) {
        for (std::string& line : buffered_)
            notices_.push_back(std::move(line));
    }
    buffered_.clear();
}

void SmsModel::Indicate(std::string line) {
    if (!indications_)
        return;
    if (routing_.mode == 0) {
        if (buffered_.size() >= kMaxBuffered)
            buffered_.erase(buffered_.begin());
        buffered_.push_back(std::move(line));
        return;
    }
    notices_.push_back(std::move(line));
}

Delivery SmsModel::Store(std::string_view name, const std::vector<std::uint8_t>& pdu,
                         const char* indication) {
    Delivery delivery;
    delivery.storage = Upper(name);
    SmsStorage* storage = Find(name);
    if (!storage || storage->Full()) {
        ++lost_;
        delivery.outcome = Delivery::Outcome::kLost;
        return delivery;
    }
    const int index = storage->FreeIndex();
    storage->messages[index] = StoredSms{index, kRecUnread, pdu};
    delivery.index = index;
    if (indication)
        Indicate(std::string(indication) + ": \"" + storage->name + "\"," + std::to_string(index));
    // Our own notice: not a 27.005 indication, so +CNMI <mode> does not hold it back.
    if (storage->Full() && indications_)
        notices_.push_back("^DDSMSFULL: \"" + storage->name + "\"");
    return delivery;
}

Delivery SmsModel::DeliverMessage(const std::vector<std::uint8_t>& pdu) {
    const int mt = indications_ ? routing_.mt : 0;
    if (mt == 2) {
        Indicate("+CMT: ," + HexLine(pdu, TpduLength(pdu)));
        Delivery delivery;
        delivery.outcome = Delivery::Outcome::kForwarded;
        return delivery;
    }
    // The card's messages carry no class, so <mt> 3 (class 3 forwarded) stores like 1.
    return Store(mem_[2], pdu, mt == 1 || mt == 3 ? "+CMTI" : nullptr);
}

Delivery SmsModel::DeliverStatusReport(const std::vector<std::uint8_t>& pdu) {
    const int ds = indications_ ? routing_.ds : 0;
    if (ds == 1) {
        Indicate("+CDS: " + HexLine(pdu, TpduLength(pdu)));
        Delivery delivery;
        delivery.outcome = Delivery::Outcome::kForwarded;
        return delivery;
    }
    return Store("SR", pdu, ds == 2 ? "+CDSI" : nullptr);
}

std::vector<std::string> SmsModel::TakeNotices() {
    std::vector<std::string> out;
    out.swap(notices_);
    return out;
}

void SmsModel::SetSending(bool accept, int refuse_code) {
    send_accept_ = accept;
    refuse_code_ = refuse_code;
    if (accept)
        refused_numbers_.clear();
}

void SmsModel::RefuseNumber(const std::string& number, int refuse_code) {
    refused_numbers_.insert(number);
    refuse_code_ = refuse_code;
}

bool SmsModel::AcceptsNumber(const std::string& number) const {
    return send_accept_ && refused_numbers_.count(number) == 0;
}

int SmsModel::NextReference() {
    reference_ = (reference_ + 1) % 256;
    return reference_;
}

int SmsModel::NextConcatReference() {
    concat_reference_ = (concat_reference_ + 1) % 256;
    return concat_reference_;
}

void SmsModel::SetSmsc(std::string_view number, int type) {
    smsc_ = number;
    smsc_type_ = type;
}

// ---- The network's side

namespace {

using at::Alphabet;

at::SmsTimestamp Now(bool with_zone) {
    at::SmsTimestamp stamp;
    const time_t now = ::time(nullptr);
    tm local{};
    if (!::localtime_r(&now, &local))
        return stamp;
    stamp.present = true;
    stamp.time = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                  local.tm_hour,        local.tm_min,     local.tm_sec};
    stamp.zone_quarters = with_zone ? static_cast<int>(local.tm_gmtoff / 900) : 0;
    return stamp;
}

bool IsNumber(std::string_view from) {
    const std::size_t start = !from.empty() && from[0] == '+' ? 1 : 0;
    return from.size() > start && from.size() - start <= 20 &&
           std::all_of(from.begin() + start, from.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
}

const char* AlphabetName(Alphabet alphabet) {
    switch (alphabet) {
        case Alphabet::kGsm7:
            return "gsm7";
        case Alphabet::kEightBit:
            return "8bit";
        case Alphabet::kUcs2:
            return "ucs2";
        case Alphabet::kAscii7:
            return "ascii";
        case Alphabet::kLatin1:
            return "latin1";
        case Alphabet::kUnknown:
            break;
    }
    return "unknown";
}

}  // namespace

bool BuildDeliverPdus(bool gsm, const std::string& from, const std::string& text, bool force_ucs2,
                      bool allow_long, int concat_reference,
                      std::vector<std::vector<std::uint8_t>>* pdus, std::string* error) {
    pdus->clear();
    const std::u16string sender = Utf8ToUtf16(from);
    const bool alphanumeric = gsm && !IsNumber(from) && !sender.empty() && sender.size() <= 11 &&
                              IsGsm7Text(sender) && sender.find(u' ') == std::u16string::npos;
    if (!IsNumber(from) && !alphanumeric) {
        *error = gsm ? "sender must be a number or up to 11 letters and digits"
                     : "sender must be a number";
        return false;
    }
    const std::u16string body = Utf8ToUtf16(text);
    if (body.empty()) {
        *error = "empty text";
        return false;
    }
    const at::SmsPlan plan =
        at::PlanSms(gsm ? at::SmsFamily::kGsm : at::SmsFamily::kCdma, body, force_ucs2);
    if (plan.parts.empty()) {
        *error = "the text cannot be coded";
        return false;
    }
    if (plan.parts.size() > 1 && !allow_long) {
        *error = "the text needs " + std::to_string(plan.parts.size()) + " messages (use sms-long)";
        return false;
    }
    if (plan.parts.size() > 255) {
        *error = "the text is too long";
        return false;
    }
    const bool sixteen = force_ucs2 || plan.alphabet == Alphabet::kUcs2;
    const int total = static_cast<int>(plan.parts.size());
    for (int i = 0; i < total; ++i) {
        at::SmsPdu message;
        message.kind = at::SmsKind::kDeliver;
        message.address = sender;
        message.text = plan.parts[static_cast<std::size_t>(i)];
        message.timestamp = Now(gsm);
        if (total > 1)
            message.concat = at::SmsConcat{concat_reference, total, i + 1, false};
        if (gsm) {
            message.service_centre = u"+6281100000";
            pdus->push_back(at::EncodeGsmDeliver(message, sixteen));
        } else {
            message.teleservice = 4098;
            message.reference = (concat_reference * 8 + i) % 65536;
            pdus->push_back(at::EncodeCdmaDeliver(message, sixteen));
        }
        if (pdus->back().empty()) {
            *error = "the message cannot be coded";
            pdus->clear();
            return false;
        }
    }
    return true;
}

std::vector<std::uint8_t> BuildStatusReport(const std::string& smsc, const std::string& number,
                                            int reference) {
    at::SmsPdu report;
    report.kind = at::SmsKind::kStatusReport;
    report.service_centre = Utf8ToUtf16(smsc);
    report.address = Utf8ToUtf16(number);
    report.reference = reference;
    report.report_status = 0;
    report.timestamp = Now(true);
    report.discharge = report.timestamp;
    return at::EncodeGsmStatusReport(report);
}

PduSummary DescribePdu(bool gsm, const std::vector<std::uint8_t>& pdu) {
    PduSummary summary;
    at::SmsPdu decoded;
    summary.decoded = gsm ? at::DecodeGsmPdu(pdu, &decoded, &summary.error)
                          : at::DecodeCdmaPdu(pdu, &decoded, &summary.error);
    if (!summary.decoded)
        return summary;
    switch (decoded.kind) {
        case at::SmsKind::kDeliver:
            summary.kind = PduSummary::Kind::kDeliver;
            break;
        case at::SmsKind::kSubmit:
            summary.kind = PduSummary::Kind::kSubmit;
            break;
        case at::SmsKind::kStatusReport:
            summary.kind = PduSummary::Kind::kStatusReport;
            break;
    }
    summary.address = Utf16ToUtf8(decoded.address);
    summary.text = Utf16ToUtf8(decoded.text);
    summary.alphabet = AlphabetName(decoded.alphabet);
    summary.reference = decoded.reference;
    summary.report_status = decoded.report_status;
    if (decoded.concat.IsPart()) {
        summary.part = std::to_string(decoded.concat.sequence) + "/" +
                       std::to_string(decoded.concat.total) + "/" +
                       std::to_string(decoded.concat.reference);
    }
    // TP-SRR, bit 5 of the first TPDU octet of an SMS-SUBMIT.
    if (gsm && decoded.kind == at::SmsKind::kSubmit && !pdu.empty() && 1u + pdu[0] < pdu.size())
        summary.wants_report = (pdu[1u + pdu[0]] & 0x20) != 0;
    return summary;
}

}  // namespace dedevev::sim
