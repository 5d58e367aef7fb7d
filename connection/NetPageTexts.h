#pragma once
// The texts of the link and network pages: the labels of a running session, the rate texts,
// the status a dial-up report turns into once the card's service is taken into account, and
// language texts that carry a number format. Kept apart from the windows so that every rule
// can be checked without a screen.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "device/SessionStats.h"

namespace dedevev {

// A duration as hours, minutes and seconds ("%02d:%02d:%02d"; hours go past 99).
std::string LinkTimeText(std::uint32_t seconds);
// A speed in KB/s as on the speed labels: "%.3f KB/s ".
std::string SpeedText(double kb_per_second);
// A rate in KB/s as on the rate labels: "%.2fKB/S".
std::string RateText(double kb_per_second);
// An amount in KB: "%.3f KB " below 1024, "%.3f MB " below 1048576, else "%.3f GB ".
std::string SizeText(double kb);

// `format` (a language text such as "Upload: %.2f KB/s") with `value` put in place of its
// first floating-point conversion (%f, %e, %g with the usual flags, width and precision).
// "%%" gives '%'; any other '%' sequence is kept as it stands, so a language file can never
// make the program read arguments it was not given.
std::u16string FormatNumberText(std::u16string_view format, double value);

// The five labels of the network page for a session, each a language caption followed by
// its value: link time, upload and download speed, sent and received amount.
struct NetLabels {
    std::u16string link_time;
    std::u16string upload_speed;
    std::u16string download_speed;
    std::u16string sent;
    std::u16string received;

    friend bool operator==(const NetLabels&, const NetLabels&) = default;
};
// The labels before any session has reported.
NetLabels InitialNetLabels();
// The labels for a session and its rates in bytes per second.
NetLabels SessionNetLabels(const SessionStats& stats, std::uint64_t receive_rate,
                           std::uint64_t send_rate);

// "DlgNet" key of the text that stands for a service state other than full service
// (0 none, 1 restricted, 3 regional, 4 low power); null for full service and unknown states.
const char* ServiceStateKey(int service_state);

// How often the card's service is asked before a status text is shown.
constexpr int kServiceQueryTries = 3;
// The status text to show: `text`, unless the card's service (asked through `query` up to
// kServiceQueryTries times until it answers) is not full service: then its text.
std::u16string StatusWithService(const std::u16string& text,
                                 const std::function<std::optional<int>()>& query);

}  // namespace dedevev
