#pragma once
// Pure parsers of the card's message answers (3GPP TS 27.005, PDU mode). Like AtParsers, each
// takes the lines of one answer or one unsolicited line and never touches the port.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/at/parsers/AtText.h"

namespace dedevev::at {

// One stored message of a +CMGL listing or a +CMGR answer.
struct StoredPdu {
    int index = -1;   // storage index (+CMGR: the index asked for)
    int stat = -1;    // 0 REC UNREAD, 1 REC READ, 2 STO UNSENT, 3 STO SENT
    int length = -1;  // the TPDU length the card gave (informative)
    std::string hex;  // the PDU, upper-case hex, blanks removed
};

// "+CMGL: <index>,<stat>,[<alpha>],<length>" followed by its hex line, for every message.
// A header without a hex line after it, or a hex line without a header, is skipped; a header
// whose fields do not parse is skipped together with its line. Duplicate indexes keep the
// first.
std::vector<StoredPdu> ParseCmglListing(const Lines& lines);
// "+CMGR: <stat>,[<alpha>],<length>" and its hex line.
std::optional<StoredPdu> ParseCmgr(const Lines& lines, int index);

// The used/total pairs of the answer to AT+CPMS="..." (+CPMS: u1,t1[,u2,t2[,u3,t3]]) or to
// AT+CPMS? (+CPMS: "SM",u1,t1,"SM",u2,t2,"SM",u3,t3); storage names are kept when given.
struct StorageCounts {
    std::string name[3];
    int used[3] = {-1, -1, -1};
    int total[3] = {-1, -1, -1};
    int count = 0;  // pairs present (1..3)
};
std::optional<StorageCounts> ParseCpms(const Lines& lines);

// +CMTI: "<mem>",<index> and +CDSI: "<mem>",<index> (the storage name upper-cased).
struct StoredNotice {
    std::string storage;
    int index = -1;
};
std::optional<StoredNotice> ParseStoredNotice(std::string_view line);

// "+CMT: [<alpha>],<length>\n<hex>" and "+CDS: <length>\n<hex>" (the channel joins the two
// lines with '\n'): the hex.
std::optional<std::string> ParseDeliveredPdu(std::string_view text);

// +CMGS: <mr>
std::optional<int> ParseCmgs(const Lines& lines);

// The ranges of AT+CNMI=? : +CNMI: (0-2),(0-3),(0,2),(0-2),(0,1); each list holds the values
// allowed for mode, mt, bm, ds and bfr, in that order.
struct CnmiSupport {
    std::vector<int> values[5];
};
std::optional<CnmiSupport> ParseCnmiTest(const Lines& lines);
// The supported setting nearest to `wanted` (mode, mt, bm, ds, bfr): each value is kept when
// allowed, else the nearest allowed value (the lower one on a tie). A field the card lists no
// value for is 0.
std::vector<int> NearestCnmi(const CnmiSupport& support, const std::vector<int>& wanted);

// ^DDSMSFULL: "<mem>" (the simulated card's storage-full notice; also the storage of a
// vendor's full notice in that form).
std::optional<std::string> ParseStorageFull(std::string_view line);

}  // namespace dedevev::at
