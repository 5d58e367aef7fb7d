// Any bytes as received from a card: through the line assembler, then every line through the
// classifier, the unsolicited rules and the field reader. No crash, no hang, no sanitizer
// report.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "device/at/transport/AtResponse.h"

namespace {

void ReadFields(std::string_view text, int depth) {
    using dedevev::at::FieldReader;
    // Every reader method on the same text, in a mix driven by the text itself.
    FieldReader reader(text);
    std::string field;
    int value = 0;
    std::uint32_t hex = 0;
    for (std::size_t step = 0; !reader.AtEnd() && step < text.size() + 2; ++step) {
        reader.NextIsQuoted();
        std::string group;
        if (reader.NextGroup(&group)) {
            if (depth < 4)
                ReadFields(group, depth + 1);
            continue;
        }
        switch (step % 4) {
            case 0:
                reader.Next(&field);
                break;
            case 1:
                reader.NextInt(&value);
                break;
            case 2:
                reader.NextHex(&hex);
                break;
            default:
                reader.Skip();
                break;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace dedevev::at;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // Fed in two pieces, split where the first byte says, as reads would cut it.
    LineAssembler assembler;
    std::vector<LineAssembler::Item> items;
    const std::size_t cut = size ? data[0] % (size + 1) : 0;
    assembler.Feed(bytes.substr(0, cut), &items);
    assembler.Feed(bytes.substr(cut), &items);

    Response response;
    for (const LineAssembler::Item& item : items) {
        Final final;
        int code;
        ClassifyLine(item.text, &final, &code);
        IsKnownUnsolicited(item.text);
        IsTwoLineUnsolicited(item.text);
        IsDialCommand(item.text);
        AnswerPrefixes(item.text);
        const std::size_t colon = item.text.find(':');
        ReadFields(colon == std::string::npos ? std::string_view(item.text)
                                              : std::string_view(item.text).substr(colon + 1),
                   0);
        response.lines.push_back(item.text);
    }
    // The raw bytes as one line too (the assembler never hands over control bytes).
    ClassifyLine(bytes, nullptr, nullptr);
    ReadFields(bytes, 0);
    if (!items.empty()) {
        const std::string& first = items.front().text;
        response.Value(first.substr(0, first.find(':') + 1));
        response.Values(first.substr(0, 1));
    }
    return 0;
}
