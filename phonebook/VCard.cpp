// Writing vCard 3.0 files, and the import and export of the PC phonebook.

#include "phonebook/VCard.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

#include "core/ProfileFile.h"
#include "device/base/Utf.h"
#include "phonebook/VCardInternal.h"

namespace dedevev {

namespace {

constexpr std::size_t kFoldAt = 75;  // octets of a line without its CR LF

// Text values escape backslash, comma, semicolon and line breaks; numbers and addresses are
// not text, so only what would break the line or the reader is escaped there.
std::string Escape(std::u16string_view value, bool text) {
    std::string out;
    const std::string utf8 = Utf16ToUtf8(value);
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        if (c == '\r' || c == '\n') {
            out += "\\n";
            if (c == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n')
                ++i;
        } else if (c == '\\' || (text && (c == ',' || c == ';'))) {
            out.push_back('\\');
            out.push_back(c);
        } else {
            out.push_back(c);
        }
    }
    return out;
}

// Appends the line folded at kFoldAt octets, never inside a UTF-8 sequence.
void AppendFolded(std::string_view line, std::string* out) {
    std::size_t room = kFoldAt;
    while (line.size() > room) {
        std::size_t cut = room;
        while (cut > 1 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            --cut;
        out->append(line.substr(0, cut));
        out->append("\r\n ");
        line.remove_prefix(cut);
        room = kFoldAt - 1;  // the leading space counts
    }
    out->append(line);
    out->append("\r\n");
}

void AppendProperty(std::string_view name, std::string_view value, std::string* out) {
    if (value.empty())
        return;
    std::string line(name);
    line.push_back(':');
    line.append(value);
    AppendFolded(line, out);
}

// Reads the file unless it is larger than the limit; kDone when `bytes` holds all of it.
VCardImportResult::Outcome ReadLimited(const std::string& path, std::string* bytes) {
    // Not blocking: a FIFO picked by mistake must not hang the import in open().
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return VCardImportResult::kCannotRead;
    struct stat info {};
    VCardImportResult::Outcome outcome = VCardImportResult::kDone;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        outcome = VCardImportResult::kCannotRead;
    } else if (static_cast<unsigned long long>(info.st_size) > kMaxVCardFileBytes) {
        outcome = VCardImportResult::kTooLarge;
    } else {
        char buffer[65536];
        while (outcome == VCardImportResult::kDone) {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                outcome = VCardImportResult::kCannotRead;
            else if (got == 0)
                break;
            else if (bytes->size() + static_cast<std::size_t>(got) > kMaxVCardFileBytes)
                outcome = VCardImportResult::kTooLarge;  // it grew while being read
            else
                bytes->append(buffer, static_cast<std::size_t>(got));
        }
    }
    ::close(fd);
    return outcome;
}

}  // namespace

std::string WriteVCards(const std::vector<PCContact>& contacts) {
    std::string out;
    for (const PCContact& contact : contacts) {
        out += "BEGIN:VCARD\r\nVERSION:3.0\r\n";
        AppendFolded("FN:" + Escape(contact.name, true), &out);
        // N as family and given name, split at the last space; FN is what reads back.
        const std::size_t space = contact.name.rfind(u' ');
        const std::u16string_view name = contact.name;
        const std::u16string_view family =
            space == std::u16string::npos ? std::u16string_view() : name.substr(space + 1);
        const std::u16string_view given =
            space == std::u16string::npos ? name : name.substr(0, space);
        AppendFolded("N:" + Escape(family, true) + ";" + Escape(given, true) + ";;;", &out);
        AppendProperty("TEL;TYPE=CELL", Escape(contact.mobile, false), &out);
        AppendProperty("TEL;TYPE=WORK", Escape(contact.office, false), &out);
        AppendProperty("TEL;TYPE=HOME", Escape(contact.home, false), &out);
        AppendProperty("EMAIL;TYPE=INTERNET", Escape(contact.email, false), &out);
        AppendProperty("NOTE", Escape(contact.remark, true), &out);
        out += "END:VCARD\r\n";
    }
    return out;
}

bool ExportVCardFile(const std::string& path, const CPhonebookPC& phonebook) {
    std::vector<PCContact> contacts;
    {
        std::lock_guard lock(phonebook.Lock());
        const int count = phonebook.GetCount();
        contacts.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i)
            contacts.push_back(phonebook.GetAt(i));
    }
    return WriteFileAtomically(path, WriteVCards(contacts), 0600);
}

VCardImportResult ImportVCardFile(const std::string& path, CPhonebookPC& phonebook) {
    VCardImportResult result;
    std::string bytes;
    result.outcome = ReadLimited(path, &bytes);
    if (result.outcome != VCardImportResult::kDone)
        return result;
    bool more = false;
    std::vector<VCardEntry> entries = ParseVCardText(VCardTextAsUtf8(bytes), kMaxVCardCards, &more);
    if (more) {
        result.outcome = VCardImportResult::kTooLarge;
        return result;
    }
    if (entries.empty()) {
        result.outcome = VCardImportResult::kNoCards;
        return result;
    }
    std::lock_guard lock(phonebook.Lock());  // the file's contacts go in together
    for (VCardEntry& entry : entries) {
        if (!entry.ok) {
            result.refused.push_back(std::move(entry));
            continue;
        }
        bool existed = false;
        phonebook.Add(entry.contact, &existed);
        ++(existed ? result.duplicates : result.added);
    }
    return result;
}

}  // namespace dedevev
