// Any bytes as Set.dat: loading never crashes, and a save/reload round trip keeps every
// value the program writes.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/AppSettings.h"
#include "core/ProfileFile.h"
#include "core/TextCodec.h"
#include "resources/TextTable.h"

namespace {

const std::string& Folder() {
    static const std::string folder = [] {
        char name[] = "/tmp/dedevev-fuzz-XXXXXX";
        const char* made = ::mkdtemp(name);
        return std::string(made ? made : "/tmp");
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = Folder() + "/Set.dat";
    dedevev::WriteFileAtomically(path, std::string_view(reinterpret_cast<const char*>(data), size),
                                 0600);
    dedevev::AppSettings settings;
    settings.LoadSettings(dedevev::Utf8ToUtf16(path));
    if (settings.options.loop_second < 2 || settings.options.loop_second > 10)
        std::abort();
    if (!settings.SaveSettings())
        return 0;
    // A file whose reading stops at a broken line hides whatever is written after it.
    std::string saved;
    dedevev::ReadWholeFile(path, &saved);
    if (!dedevev::TextTable::FromBytes(saved).ReadToEnd())
        return 0;
    dedevev::AppSettings again;
    again.LoadSettings(dedevev::Utf8ToUtf16(path));
    // What was written must read back the same, whatever else the file held.
    if (again.dial.net_sel != settings.dial.net_sel || again.dial.mode != settings.dial.mode ||
        again.options.work_mode != settings.options.work_mode ||
        again.sms.priority != settings.sms.priority) {
        std::abort();
    }
    return 0;
}
