// Any bytes as the lines of a call listing and as call notices: +CLCC, +CLIP, +CCWA and the
// call reports, under every character set. No crash, no hang, no sanitizer report; every text
// is valid UTF-8 and every listed call is one the card could have meant.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "device/at/parsers/CallParsers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace dedevev::at;
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> lines;
    std::string line;
    for (char c : input) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line.push_back(c);
        }
    }
    lines.push_back(line);
    for (Charset charset : {Charset::kIra, Charset::kUcs2, Charset::kGsm}) {
        std::set<int> ids;
        for (const CallEntry& call : ParseClcc(lines, charset)) {
            if (!ids.insert(call.id).second || call.id < 0 || call.state < 0 || call.state > 7 ||
                (call.direction != 0 && call.direction != 1) ||
                !dedevev::IsValidUtf8(call.number) || !dedevev::IsValidUtf8(call.alpha)) {
                std::abort();
            }
        }
        for (const std::string& l : lines) {
            for (auto caller : {ParseClip(l, charset), ParseCcwa(l, charset)}) {
                if (caller && ((caller->Withheld() && !caller->number.empty()) ||
                               !dedevev::IsValidUtf8(caller->number) ||
                               !dedevev::IsValidUtf8(caller->alpha))) {
                    std::abort();
                }
            }
            if (auto report = ParseCallReport(l, charset)) {
                if (!dedevev::IsValidUtf8(report->text) ||
                    (report->kind != CallReport::kInfo && report->id < 0)) {
                    std::abort();
                }
            }
            (void)IsVoiceRing(l);
        }
    }
    (void)ParseClvl(lines);
    return 0;
}
