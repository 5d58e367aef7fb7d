#pragma once
// Parsers and value maps of the commands that choose a card's preferred radio system: our
// ^DDNETSEL, the vendor system-configuration commands ^SYSCFGEX (LTE-era cards) and ^SYSCFG
// (2G/3G cards), and the 3GPP AT+WS46. The preferred-system values are the library's own
// (IDeviceControl::SetNetworkMode): 1 GSM only, 2 WCDMA only, 4 automatic, 6 LTE only,
// 10 CDMA 1x only, 11 HDR (EV-DO) only.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/at/parsers/AtText.h"

namespace dedevev::at {

constexpr int kNetSelGsm = 1;
constexpr int kNetSelWcdma = 2;
constexpr int kNetSelAuto = 4;
constexpr int kNetSelLte = 6;
constexpr int kNetSelCdma = 10;
constexpr int kNetSelHdr = 11;

bool IsNetSel(int value);

// The items of the parenthesised group at `index` of a test answer's value ("(2,13,14,16)",
// "(0-3)", "(\"00\",\"03\")"): quotes removed, ranges left as written. Empty when the value
// has no such group.
std::vector<std::string> GroupItems(const Lines& lines, std::string_view prefix, std::size_t index);
// Integer items of a group with ranges ("0-3") spelled out; items that are not numbers (and
// ranges wider than 256 values) are skipped.
std::vector<int> GroupInts(const std::vector<std::string>& items);

// ---- ^DDNETSEL: <n> ---------------------------------------------------------------------
std::optional<int> ParseDdnetsel(const Lines& lines);

// ---- ^SYSCFGEX --------------------------------------------------------------------------
// ^SYSCFGEX: "<acqorder>",<band>,<roam>,<srvdomain>,<lteband> → the acquisition order.
std::optional<std::string> ParseSyscfgExOrder(const Lines& lines);
// The preferred system of an acquisition order: "00" and orders of several systems
// ("030201") are automatic, one system ("01" GSM, "02" WCDMA, "03" LTE, "04" CDMA 1x,
// "07" HDR) is that system only; nullopt for "99" (no change) and unknown codes.
std::optional<int> NetSelOfAcqOrder(std::string_view order);
// The order among the card's `offered` ones (its test answer) that sets `netsel`: automatic
// is "00", or the offered order of the most systems when the card has no "00".
std::optional<std::string> AcqOrderFor(int netsel, const std::vector<std::string>& offered);

// ---- ^SYSCFG ----------------------------------------------------------------------------
// ^SYSCFG: <mode>,<acqorder>,<band>,<roam>,<srvdomain> → mode.
std::optional<int> ParseSyscfgMode(const Lines& lines);
// Mode 2 automatic, 13 GSM only, 14 WCDMA only; nullopt for others (16 no change).
std::optional<int> NetSelOfSyscfgMode(int mode);
std::optional<int> SyscfgModeFor(int netsel);

// ---- +WS46 ------------------------------------------------------------------------------
// +WS46: <n> → n.
std::optional<int> ParseWs46(const Lines& lines);
// 12 GSM (GERAN) only, 22 UTRAN only, 28 E-UTRAN only; 25 (every 3GPP system) and 29 (GERAN
// and UTRAN, everything a card without LTE has) are automatic; nullopt for the pairs that
// leave one system out (30, 31) and unknown values.
std::optional<int> NetSelOfWs46(int value);
// The value among the card's `offered` ones that sets `netsel` (automatic: 25, else 29).
std::optional<int> Ws46For(int netsel, const std::vector<int>& offered);

}  // namespace dedevev::at
