// Any bytes as a vCard file. No crash, no hang, no sanitizer report; every contact read has a
// name and a number, one-line fields hold no line break and the remark only CR LF ones; the
// contacts written out as vCard 3.0 keep to 75-octet UTF-8 lines and read back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "device/base/Utf.h"
#include "phonebook/VCard.h"

namespace {

bool HasBreak(std::u16string_view text) {
    return text.find_first_of(u"\r\n") != std::u16string_view::npos;
}

bool OnlyCrLfBreaks(std::u16string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r'))
            return false;
        if (text[i] == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n'))
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace dedevev;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<PCContact> contacts;
    int last_line = 0;
    for (const VCardEntry& entry : ParseVCards(bytes)) {
        if (entry.line <= last_line)
            std::abort();
        last_line = entry.line;
        if (!entry.ok)
            continue;
        const PCContact& c = entry.contact;
        if (c.name.empty() || (c.mobile.empty() && c.office.empty() && c.home.empty()) ||
            HasBreak(c.name) || HasBreak(c.mobile) || HasBreak(c.office) || HasBreak(c.home) ||
            HasBreak(c.email) || !OnlyCrLfBreaks(c.remark))
            std::abort();
        contacts.push_back(c);
    }
    const std::string written = WriteVCards(contacts);
    for (std::size_t start = 0; start < written.size();) {
        const std::size_t end = written.find("\r\n", start);
        if (end == std::string::npos || end - start > 75 ||
            !IsValidUtf8(std::string_view(written).substr(start, end - start)))
            std::abort();
        start = end + 2;
    }
    // Escaping and UTF-8 grow the text a few times at most: far below the line limit here.
    if (size < 128 * 1024) {
        const std::vector<VCardEntry> back = ParseVCards(written);
        if (back.size() != contacts.size())
            std::abort();
        for (std::size_t i = 0; i < back.size(); ++i) {
            if (!back[i].ok || !(back[i].contact == contacts[i]))
                std::abort();
        }
    }
    return 0;
}
