#include "device/at/transport/PppFrame.h"

#include <algorithm>
#include <array>

namespace dedevev::at {

namespace {

constexpr char kFlag = 0x7E;
constexpr char kEscape = 0x7D;
constexpr std::uint16_t kGoodFcs = 0xF0B8;

constexpr std::array<std::uint16_t, 256> MakeFcsTable() {
    std::array<std::uint16_t, 256> table{};
    for (unsigned b = 0; b < 256; ++b) {
        unsigned v = b;
        for (int i = 0; i < 8; ++i)
            v = (v & 1) ? (v >> 1) ^ 0x8408 : v >> 1;
        table[b] = static_cast<std::uint16_t>(v);
    }
    return table;
}
constexpr std::array<std::uint16_t, 256> kFcsTable = MakeFcsTable();

void PutEscaped(std::string* out, unsigned char c) {
    if (c < 0x20 || c == kFlag || c == kEscape) {
        out->push_back(kEscape);
        out->push_back(static_cast<char>(c ^ 0x20));
    } else {
        out->push_back(static_cast<char>(c));
    }
}

void PutU16(std::string* out, std::uint16_t value) {
    out->push_back(static_cast<char>(value >> 8));
    out->push_back(static_cast<char>(value & 0xFF));
}

std::string_view Cut(std::string_view text) {
    return text.substr(0, std::min<std::size_t>(text.size(), 255));
}

unsigned Byte(std::string_view bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]);
}

}  // namespace

std::uint16_t PppFcs16(std::uint16_t fcs, std::string_view bytes) {
    for (char c : bytes)
        fcs = static_cast<std::uint16_t>((fcs >> 8) ^
                                         kFcsTable[(fcs ^ static_cast<unsigned char>(c)) & 0xFF]);
    return fcs;
}

std::string EncodePppFrame(std::uint16_t protocol, std::string_view payload) {
    std::string body = "\xFF\x03";
    PutU16(&body, protocol);
    body.append(payload);
    const std::uint16_t fcs = static_cast<std::uint16_t>(~PppFcs16(0xFFFF, body));
    body.push_back(static_cast<char>(fcs & 0xFF));  // least significant byte first
    body.push_back(static_cast<char>(fcs >> 8));
    std::string out(1, kFlag);
    out.reserve(body.size() * 2 + 2);
    for (char c : body)
        PutEscaped(&out, static_cast<unsigned char>(c));
    out.push_back(kFlag);
    return out;
}

void PppDeframer::Feed(std::string_view bytes, std::vector<PppFrame>* out) {
    for (char c : bytes) {
        if (c == kFlag) {
            Finish(out);
            continue;
        }
        if (c == kEscape) {
            escaped_ = true;
            continue;
        }
        if (frame_.size() >= kMaxFrame) {
            overflow_ = true;
            escaped_ = false;
            continue;
        }
        frame_.push_back(escaped_ ? static_cast<char>(c ^ 0x20) : c);
        escaped_ = false;
    }
}

void PppDeframer::Reset() {
    frame_.clear();
    escaped_ = false;
    overflow_ = false;
}

void PppDeframer::Finish(std::vector<PppFrame>* out) {
    // An escape right before the flag aborts the frame (RFC 1662 4.4.1).
    const bool aborted = escaped_ || overflow_;
    std::string frame;
    frame.swap(frame_);
    escaped_ = false;
    overflow_ = false;
    if (frame.empty() && !aborted)
        return;  // back-to-back flags
    if (aborted || frame.size() < 5 || PppFcs16(0xFFFF, frame) != kGoodFcs) {
        ++dropped_;
        return;
    }
    std::string_view body(frame.data(), frame.size() - 2);
    if (body.size() >= 2 && Byte(body, 0) == 0xFF && Byte(body, 1) == 0x03)
        body.remove_prefix(2);  // address and control (absent when compressed)
    PppFrame result;
    if (!body.empty() && (Byte(body, 0) & 1)) {  // a compressed one-byte protocol
        result.protocol = static_cast<std::uint16_t>(Byte(body, 0));
        body.remove_prefix(1);
    } else if (body.size() >= 2) {
        result.protocol = static_cast<std::uint16_t>(Byte(body, 0) << 8 | Byte(body, 1));
        body.remove_prefix(2);
    } else {
        ++dropped_;
        return;
    }
    result.payload.assign(body);
    out->push_back(std::move(result));
}

std::string PapRequestPacket(std::uint8_t id, std::string_view peer, std::string_view password) {
    peer = Cut(peer);
    password = Cut(password);
    std::string packet;
    packet.push_back(static_cast<char>(kPapRequest));
    packet.push_back(static_cast<char>(id));
    PutU16(&packet, static_cast<std::uint16_t>(6 + peer.size() + password.size()));
    packet.push_back(static_cast<char>(peer.size()));
    packet.append(peer);
    packet.push_back(static_cast<char>(password.size()));
    packet.append(password);
    return packet;
}

std::string PapAnswerPacket(bool ack, std::uint8_t id, std::string_view message) {
    message = Cut(message);
    std::string packet;
    packet.push_back(static_cast<char>(ack ? kPapAck : kPapNak));
    packet.push_back(static_cast<char>(id));
    PutU16(&packet, static_cast<std::uint16_t>(5 + message.size()));
    packet.push_back(static_cast<char>(message.size()));
    packet.append(message);
    return packet;
}

bool ParsePapPacket(std::string_view packet, PapPacket* out) {
    if (packet.size() < 5)
        return false;
    const std::size_t length = Byte(packet, 2) << 8 | Byte(packet, 3);
    if (length < 5 || length > packet.size())
        return false;
    packet = packet.substr(0, length);  // what follows the packet is padding
    PapPacket result;
    result.code = static_cast<std::uint8_t>(Byte(packet, 0));
    result.id = static_cast<std::uint8_t>(Byte(packet, 1));
    std::size_t at = 4;
    // One length-prefixed field at `at`; false when it runs past the packet.
    auto field = [&](std::string* into) {
        if (at >= packet.size() || at + 1 + Byte(packet, at) > packet.size())
            return false;
        into->assign(packet.substr(at + 1, Byte(packet, at)));
        at += 1 + Byte(packet, at);
        return true;
    };
    if (result.code == kPapRequest) {
        if (!field(&result.peer) || !field(&result.password))
            return false;
    } else if (result.code == kPapAck || result.code == kPapNak) {
        if (!field(&result.message))
            return false;
    } else {
        return false;
    }
    *out = std::move(result);
    return true;
}

std::string LcpEchoPacket(std::uint8_t code, std::uint8_t id, std::uint32_t magic) {
    std::string packet;
    packet.push_back(static_cast<char>(code));
    packet.push_back(static_cast<char>(id));
    PutU16(&packet, 8);
    PutU16(&packet, static_cast<std::uint16_t>(magic >> 16));
    PutU16(&packet, static_cast<std::uint16_t>(magic & 0xFFFF));
    return packet;
}

}  // namespace dedevev::at
