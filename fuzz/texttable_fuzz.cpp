// Any bytes as a sectioned text file and as a language file: no crash, no hang.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "resources/Localizer.h"
#include "resources/TextTable.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const dedevev::TextTable table = dedevev::TextTable::FromBytes(bytes);
    for (std::size_t i = 0; i < table.SectionCount(); ++i) {
        const std::u16string name = table.SectionNameAt(i);
        std::pair<std::u16string, std::u16string> entry;
        for (std::size_t k = 0; table.EntryAt(name, k, &entry); ++k) {
        }
    }
    dedevev::CLocalizer localizer;
    localizer.LoadBytes(bytes);
    localizer.GetText(u"key", u"");
    localizer.GetFont(u"Normal");
    localizer.GetTimeFormat(u"Full");
    return 0;
}
