#pragma once
// Contacts from and to vCard files (RFC 2426 3.0, RFC 6350 4.0, and the older 2.1 that phones
// still write): import into the PC phonebook, export of PC contacts.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "phonebook/PhonebookPC.h"

namespace dedevev {

// Why a card of the file did not become a contact.
enum class VCardRefusal {
    kNoName,     // neither FN nor N gives a name
    kNoNumber,   // no TEL that can be a mobile, office or home number
    kMalformed,  // no END:VCARD, or a line that cannot be read
};

// One contact of a file, or why there is none.
struct VCardEntry {
    bool ok = false;
    PCContact contact;       // when ok
    VCardRefusal refusal{};  // when not ok
    int line = 0;            // the line its BEGIN:VCARD stands on (1-based)
};

// The largest file import reads; a larger one is refused whole.
inline constexpr std::size_t kMaxVCardFileBytes = 8 * 1024 * 1024;

// The cards of a file's bytes, in file order. Text is UTF-8 (a UTF-8 byte-order mark is
// skipped; quoted-printable values with a CHARSET other than UTF-8 are taken as Latin-1).
// Folded lines are unfolded, escapes and quoted-printable decoded. The first TEL of each kind
// fills mobile (CELL), office (WORK) and home (HOME); a TEL without a known kind goes to the
// first of mobile, home, office still empty. The name is FN, else N as "Given Family".
std::vector<VCardEntry> ParseVCards(std::string_view bytes);

struct VCardImportResult {
    enum Outcome { kDone, kCannotRead, kTooLarge, kNoCards } outcome = kDone;
    int added = 0;
    int duplicates = 0;  // the same contact was there already
    std::vector<VCardEntry> refused;
};

// Reads `path` and adds its contacts to `phonebook` (a same contact is skipped). A file that
// cannot be read, is too large or holds no card changes nothing.
VCardImportResult ImportVCardFile(const std::string& path, CPhonebookPC& phonebook);

// vCard 3.0 in UTF-8, CR LF line ends, lines folded at 75 octets, one card per contact.
std::string WriteVCards(const std::vector<PCContact>& contacts);
// Writes every contact of `phonebook` to `path` atomically; false when it was not written.
bool ExportVCardFile(const std::string& path, const CPhonebookPC& phonebook);

}  // namespace dedevev
