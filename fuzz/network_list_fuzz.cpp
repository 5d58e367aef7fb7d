// Any bytes as the answer to AT+COPS=?: split into lines, parsed in both character sets and
// formatted into rows. No crash, no hang, no sanitizer report; every row keeps the shape the
// network page reads (state, then quoted texts, then the system).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "device/at/parsers/AtParsers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace dedevev::at;
    const std::string text(reinterpret_cast<const char*>(data), size);
    Lines lines;
    std::string line;
    for (char c : text) {
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line.push_back(c);
        }
    }
    lines.push_back(line);
    for (Charset charset : {Charset::kIra, Charset::kUcs2}) {
        for (const NetworkEntry& entry : ParseNetworkList(lines, charset)) {
            const std::string row = FormatNetworkEntry(entry);
            // Six quote characters of our own; names never bring their own.
            std::size_t quotes = 0;
            for (char c : row) {
                quotes += c == '"' ? 1 : 0;
            }
            if (quotes != 6 || row.size() < 12) {
                std::abort();
            }
        }
    }
    ParseCopsQuery(lines);
    ParseCreg(lines);
    return 0;
}
