// Any bytes as a +CUSD result: parsed, decoded under every data coding scheme and character
// set, and fed to a USSD session. No crash, no hang, no sanitizer report, and the decoded
// text is always valid UTF-8.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "device/at/features/Ussd.h"
#include "device/at/parsers/AtParsers.h"
#include "device/base/Clock.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace dedevev::at;
    if (size == 0) {
        return 0;
    }
    const int dcs = data[0];
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    for (Charset charset : {Charset::kIra, Charset::kUcs2, Charset::kGsm}) {
        for (int scheme : {dcs, 15, 72, 68, -1}) {
            const std::string shown = DecodeUssdText(text, scheme, charset);
            if (!dedevev::IsValidUtf8(shown)) {
                std::abort();
            }
        }
    }
    UssdSession session;
    const auto now = dedevev::ProcessClock().Now();
    const int id = session.BeginRequest(now);
    if (std::optional<std::string> reply =
            session.OnResult("+CUSD: " + text, Charset::kUcs2, now)) {
        if (!dedevev::IsValidUtf8(*reply)) {
            std::abort();
        }
    }
    session.Accepted(id, UssdEncoding::kPlain, now);
    std::string field;
    int out_dcs = 0;
    for (UssdEncoding e : session.Plan(text, Charset::kIra)) {
        if (!EncodeUssdRequest(text, e, &field, &out_dcs)) {
            std::abort();  // the plan offers only encodings the text can take
        }
    }
    return 0;
}
