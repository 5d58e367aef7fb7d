#include "sim/PppPeer.h"

#include <algorithm>
#include <vector>

namespace dedevev::sim {

namespace {

constexpr std::uint32_t kMagic = 0x53494D21;  // the peer's LCP magic number

double Seconds(PppPeer::Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

}  // namespace

void PppPeer::SetRates(std::uint32_t down, std::uint32_t up) {
    down_ = down;
    up_ = up;
    next_frame_.clear();  // its size follows the rate
    down_budget_ = std::min(down_budget_, down_ / 10.0);
    up_budget_ = std::min(up_budget_, static_cast<double>(up_));
}

void PppPeer::Reset() {
    link_up_ = false;
    refused_ = false;
    deframer_.Reset();
    down_budget_ = 0;
    up_budget_ = up_;
    last_up_ = Clock::time_point{};
}

std::string PppPeer::Send(std::uint16_t protocol, std::string_view payload) {
    std::string frame = at::EncodePppFrame(protocol, payload);
    sent_ += frame.size();
    return frame;
}

std::string PppPeer::Receive(std::string_view bytes, Clock::time_point now) {
    // The upstream rate: a bucket that fills at `up_` bytes a second and holds one second.
    if (last_up_ != Clock::time_point{})
        up_budget_ = std::min<double>(up_, up_budget_ + up_ * Seconds(now - last_up_));
    last_up_ = now;
    const double taken = std::min<double>(up_budget_, static_cast<double>(bytes.size()));
    up_budget_ -= taken;
    over_ += bytes.size() - static_cast<std::uint64_t>(taken);

    std::vector<at::PppFrame> frames;
    deframer_.Feed(bytes, &frames);
    std::string out;
    for (const at::PppFrame& frame : frames) {
        if (frame.protocol == at::kPppPap) {
            at::PapPacket pap;
            if (!at::ParsePapPacket(frame.payload, &pap) || pap.code != at::kPapRequest)
                continue;
            if (accept_) {
                out += Send(at::kPppPap, at::PapAnswerPacket(true, pap.id, "Welcome"));
                if (!link_up_) {
                    link_up_ = true;
                    last_stream_ = now;
                    down_budget_ = 0;
                }
            } else if (!link_up_) {
                out +=
                    Send(at::kPppPap, at::PapAnswerPacket(false, pap.id, "Authentication failed"));
                refused_ = true;
            }
        } else if (frame.protocol == at::kPppLcp && link_up_ && frame.payload.size() >= 8 &&
                   static_cast<std::uint8_t>(frame.payload[0]) == at::kLcpEchoRequest) {
            out += Send(at::kPppLcp,
                        at::LcpEchoPacket(at::kLcpEchoReply,
                                          static_cast<std::uint8_t>(frame.payload[1]), kMagic));
        }
    }
    return out;
}

std::string PppPeer::Stream(Clock::time_point now, std::size_t room) {
    const double elapsed = Seconds(now - last_stream_);
    last_stream_ = now;
    if (!link_up_ || down_ == 0)
        return {};
    auto next = [this] {
        // IPv4 frames of printable filler, about one a tick.
        const std::size_t size = std::clamp<std::size_t>(down_ / 50, 32, 1400);
        std::string payload(size, ' ');
        for (char& c : payload)
            c = static_cast<char>(0x20 + filler_++ % 0x5D);
        return at::EncodePppFrame(at::kPppIpv4, payload);
    };
    if (next_frame_.empty())
        next_frame_ = next();
    const double cap = std::max(down_ / 10.0, static_cast<double>(next_frame_.size()));
    down_budget_ = std::min(cap, down_budget_ + down_ * std::max(elapsed, 0.0));
    std::string out;
    while (down_budget_ >= static_cast<double>(next_frame_.size()) &&
           out.size() + next_frame_.size() <= room) {
        down_budget_ -= static_cast<double>(next_frame_.size());
        out += next_frame_;
        next_frame_ = next();
    }
    sent_ += out.size();
    return out;
}

PppPeer::Clock::time_point PppPeer::NextDue() const {
    if (!link_up_ || down_ == 0)
        return Clock::time_point::max();
    return last_stream_ + kTick;
}

bool PppPeer::TakeRefused() {
    const bool refused = refused_;
    refused_ = false;
    return refused;
}

}  // namespace dedevev::sim
