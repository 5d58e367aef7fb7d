#pragma once
// PPP in HDLC-like framing on an asynchronous line (RFC 1662), and the few packets a data port
// exchanges while a link comes up: PAP (RFC 1334) and LCP echoes (RFC 1661). Frames go out with
// address and control fields, a two-byte protocol and FCS-16, and with every byte below 0x20
// escaped (the async control character map before it is negotiated), so that a frame never holds
// a raw CR or LF: a result line such as NO CARRIER stands apart from the link's bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dedevev::at {

constexpr std::uint16_t kPppIpv4 = 0x0021;
constexpr std::uint16_t kPppLcp = 0xC021;
constexpr std::uint16_t kPppPap = 0xC023;

constexpr std::uint8_t kPapRequest = 1;
constexpr std::uint8_t kPapAck = 2;
constexpr std::uint8_t kPapNak = 3;
constexpr std::uint8_t kLcpEchoRequest = 9;
constexpr std::uint8_t kLcpEchoReply = 10;

struct PppFrame {
    std::uint16_t protocol = 0;
    std::string payload;  // the information field (the packet of the protocol)
};

// FCS-16 of `bytes` starting from `fcs` (0xFFFF for a new frame).
std::uint16_t PppFcs16(std::uint16_t fcs, std::string_view bytes);

// A whole frame as it goes on the line: flag, escaped contents, flag.
std::string EncodePppFrame(std::uint16_t protocol, std::string_view payload);

// Cuts a byte stream into frames. Frames with a bad FCS, too short, or longer than kMaxFrame are
// counted and dropped; bytes between frames that belong to no frame are dropped with them.
class PppDeframer {
public:
    static constexpr std::size_t kMaxFrame = 4096;  // unescaped bytes between two flags

    // Appends the frames completed by `bytes` to `out`.
    void Feed(std::string_view bytes, std::vector<PppFrame>* out);
    void Reset();
    std::uint64_t Dropped() const { return dropped_; }

private:
    void Finish(std::vector<PppFrame>* out);

    std::string frame_;
    bool escaped_ = false;
    bool overflow_ = false;
    std::uint64_t dropped_ = 0;
};

// The packets of PAP and LCP echoes (information fields, without framing).
struct PapPacket {
    std::uint8_t code = 0;
    std::uint8_t id = 0;
    std::string peer;      // Authenticate-Request: the peer id (user name)
    std::string password;  // Authenticate-Request
    std::string message;   // Ack / Nak
};
// Fields longer than 255 bytes are cut.
std::string PapRequestPacket(std::uint8_t id, std::string_view peer, std::string_view password);
std::string PapAnswerPacket(bool ack, std::uint8_t id, std::string_view message);
// False for a packet whose lengths do not add up or whose code is not 1, 2 or 3.
bool ParsePapPacket(std::string_view packet, PapPacket* out);
std::string LcpEchoPacket(std::uint8_t code, std::uint8_t id, std::uint32_t magic);

}  // namespace dedevev::at
