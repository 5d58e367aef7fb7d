// PPP framing on a data port: FCS-16, escaping, frames cut from a stream, PAP packets.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/at/transport/PppFrame.h"

namespace dedevev::at {
namespace {

TEST(PppFrameTest, FcsIsTheX25CheckValue) {
    EXPECT_EQ(static_cast<std::uint16_t>(~PppFcs16(0xFFFF, "123456789")), 0x906E);
}

TEST(PppFrameTest, FramesSurviveTheLineAndBrokenOnesAreDropped) {
    const std::string awkward("\x7E\x7D\x00\x0D\x0A\x13\x11\xFF text", 13);
    const std::vector<PppFrame> sent = {{kPppPap, PapRequestPacket(7, "user", "pa\x7Ess")},
                                        {kPppIpv4, awkward},
                                        {kPppLcp, LcpEchoPacket(kLcpEchoRequest, 1, 0x01020304)}};
    std::string line;
    for (const PppFrame& frame : sent)
        line += EncodePppFrame(frame.protocol, frame.payload);
    // Between the flags no control byte goes raw, so result lines stand apart from frames.
    EXPECT_EQ(line.find_first_of(std::string("\r\n\x00\x11\x13", 5)), std::string::npos);

    struct Case {
        const char* name;
        std::string stream;
        std::size_t frames;
        std::uint64_t dropped;
    };
    std::string corrupt = line;
    corrupt[5] = static_cast<char>(corrupt[5] ^ 0x01);  // inside the first frame
    const std::vector<Case> cases = {
        {"whole", line, 3, 0},
        {"fed byte by byte", line, 3, 0},
        {"one bit flipped", corrupt, 2, 1},
        {"aborted by escape and flag", "\x7E\x41\x42\x7D\x7E" + line, 3, 1},
        {"noise between frames", "garbage" + line, 3, 1},
    };
    for (const Case& c : cases) {
        PppDeframer deframer;
        std::vector<PppFrame> got;
        if (std::string(c.name) == "fed byte by byte") {
            for (char byte : c.stream)
                deframer.Feed(std::string(1, byte), &got);
        } else {
            deframer.Feed(c.stream, &got);
        }
        ASSERT_EQ(got.size(), c.frames) << c.name;
        EXPECT_EQ(deframer.Dropped(), c.dropped) << c.name;
        EXPECT_EQ(got.back().protocol, kPppLcp) << c.name;
        EXPECT_EQ(got.back().payload, sent.back().payload) << c.name;
        if (c.frames == 3) {
            EXPECT_EQ(got[1].payload, awkward) << c.name;
        }
    }
}

TEST(PppFrameTest, PapPacketsReadBackAndBadLengthsAreRefused) {
    PapPacket pap;
    ASSERT_TRUE(ParsePapPacket(PapRequestPacket(3, "user", "secret"), &pap));
    EXPECT_EQ(pap.code, kPapRequest);
    EXPECT_EQ(pap.id, 3);
    EXPECT_EQ(pap.peer, "user");
    EXPECT_EQ(pap.password, "secret");
    ASSERT_TRUE(ParsePapPacket(PapAnswerPacket(false, 3, "no") + "pad", &pap));
    EXPECT_EQ(pap.code, kPapNak);
    EXPECT_EQ(pap.message, "no");
    const std::string good = PapRequestPacket(1, "u", "p");
    for (const std::string& bad : {good.substr(0, good.size() - 1),  // shorter than its length
                                   std::string("\x01\x01\x00\x07\x05u\x01", 7),  // id past end
                                   std::string("\x04\x01\x00\x05\x00", 5)}) {    // code 4
        EXPECT_FALSE(ParsePapPacket(bad, &pap)) << bad.size();
    }
}

}  // namespace
}  // namespace dedevev::at
