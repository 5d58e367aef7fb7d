// Asking a tty "AT": what counts as an answer, and the question over a real pty with a
// modem, a mute device and a device that only echoes on the other side.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "device/probe/AtProbe.h"

namespace dedevev::probe {
namespace {

using namespace std::chrono_literals;

struct ReplyCase {
    const char* label;
    std::string reply;
    bool answered;
};

void PrintTo(const ReplyCase& c, std::ostream* os) {
    *os << c.label;
}

class AtReplies : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(AtReplies, FinalResultLineCounts) {
    EXPECT_EQ(IsAtReply(GetParam().reply), GetParam().answered);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AtReplies,
    ::testing::Values(
        ReplyCase{"Ok", "\r\nOK\r\n", true}, ReplyCase{"EchoThenOk", "AT\r\r\nOK\r\n", true},
        ReplyCase{"VerboseOffStillLineEnded", "OK\r", true},
        ReplyCase{"Error", "\r\nERROR\r\n", true},
        ReplyCase{"CmeError", "\r\n+CME ERROR: 3\r\n", true},
        ReplyCase{"UnsolicitedThenOk", "\r\n^RSSI:17\r\n\r\nOK\r\n", true},
        ReplyCase{"OkNotYetEnded", "\r\nOK", false}, ReplyCase{"EchoOnly", "AT\r", false},
        ReplyCase{"NmeaSentence", "$GPGGA,,,,,,0,,,,,,,,*66\r\n", false},
        ReplyCase{"WordContainingOk", "\r\nBOOK\r\n", false}, ReplyCase{"Nothing", "", false}),
    [](const auto& info) { return std::string(info.param.label); });

// The far side of a pty: answers every "AT" with `reply` (empty: stays mute).
class FakeDevice {
public:
    explicit FakeDevice(std::string reply) : reply_(std::move(reply)) {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0) {
            path_ = ::ptsname(master_);
        }
        thread_ = std::thread([this] { Serve(); });
    }
    ~FakeDevice() {
        stop_ = true;
        thread_.join();
        ::close(master_);
    }
    const std::string& Path() const { return path_; }
    int Questions() const { return questions_.load(); }

private:
    void Serve() {
        std::string seen;
        while (!stop_) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0 || (p.revents & POLLIN) == 0) {
                continue;
            }
            char buffer[64];
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0) {
                std::this_thread::sleep_for(5ms);  // no one on the terminal side yet
                continue;
            }
            seen.append(buffer, static_cast<std::size_t>(n));
            std::size_t at;
            while ((at = seen.find("AT\r")) != std::string::npos) {
                seen.erase(0, at + 3);
                ++questions_;
                if (!reply_.empty()) {
                    (void)!::write(master_, reply_.data(), reply_.size());
                }
            }
        }
    }

    std::string reply_;
    int master_ = -1;
    std::string path_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<int> questions_{0};
};

TEST(AtProbe, ModemAnswersAndOthersDoNot) {
    FakeDevice modem("AT\r\r\nOK\r\n");
    ASSERT_FALSE(modem.Path().empty());
    EXPECT_TRUE(AnswersAt(modem.Path(), 1000ms));
    EXPECT_EQ(modem.Questions(), 1);

    // A mute port is asked twice, then given up within the time-out.
    FakeDevice mute("");
    EXPECT_FALSE(AnswersAt(mute.Path(), 100ms));
    EXPECT_EQ(mute.Questions(), 2);

    FakeDevice gps("$GPRMC,,V,,,,,,,,,,N*53\r\n");
    EXPECT_FALSE(AnswersAt(gps.Path(), 100ms));

    EXPECT_FALSE(AnswersAt("/nonexistent/ttyUSB9", 100ms));
}

}  // namespace
}  // namespace dedevev::probe
