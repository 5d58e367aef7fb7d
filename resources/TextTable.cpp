#include "resources/TextTable.h"

#include <cstdio>
#include <memory>

#include "core/TextCodec.h"

namespace dedevev {

bool ReadWholeFile(const std::string& path, std::string* bytes) {
    bytes->clear();
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file)
        return false;
    char buffer[65536];
    while (true) {
        const std::size_t got = std::fread(buffer, 1, sizeof buffer, file.get());
        bytes->append(buffer, got);
        if (got < sizeof buffer)
            break;
    }
    return std::ferror(file.get()) == 0;
}

TextTable::TextTable(const std::string& path) {
    std::string bytes;
    if (ReadWholeFile(path, &bytes))
        Parse(bytes);
}

TextTable TextTable::FromBytes(std::string_view bytes) {
    TextTable table;
    table.Parse(bytes);
    return table;
}

namespace {

// Feeds the lines of the file, one at a time, to the parser state below.
class LineParser {
public:
    explicit LineParser(std::map<std::u16string, TextTable::Section>* sections)
        : sections_(sections) {}

    // Returns false when the line ends the reading of the file.
    bool Feed(std::u16string_view line) {
        if (!line.empty() && line.back() == u'\r')
            line.remove_suffix(1);
        std::size_t start = 0;
        while (start < line.size() && IsSpace(line[start]))
            ++start;
        line.remove_prefix(start);
        if (line.empty() || line == u"#")
            return true;

        const std::size_t open = line.find(u'[');
        if (open != std::u16string_view::npos) {
            const std::size_t close = line.find(u']');
            if (close != std::u16string_view::npos && close >= open + 2) {
                const std::u16string_view name = TrimView(line.substr(open + 1, close - open - 1));
                if (!name.empty()) {
                    LowerInto(name);
                    current_ = &(*sections_)[scratch_];
                    // A section seen again starts over: its earlier entries are dropped.
                    current_->clear();
                }
                return true;
            }
        }

        const std::size_t eq = line.find(u'=');
        if (eq == std::u16string_view::npos || eq == 0)
            return false;
        if (current_ == nullptr)
            return true;
        const std::u16string_view key = TrimView(line.substr(0, eq));
        const std::u16string_view value = TrimView(line.substr(eq + 1));
        if (key.empty() || value.empty())
            return true;
        LowerInto(key);
        auto it = current_->find(scratch_);
        if (it == current_->end()) {
            current_->emplace_hint(it, scratch_, value);
        } else {
            it->second.assign(value);
        }
        return true;
    }

private:
    void LowerInto(std::u16string_view text) {
        scratch_.assign(text);
        for (auto& c : scratch_)
            c = ToLowerChar(c);
    }

    std::map<std::u16string, TextTable::Section>* sections_;
    TextTable::Section* current_ = nullptr;
    std::u16string scratch_;
};

// Splits `text` at line feeds and feeds each line; false when a line ended the reading.
bool FeedLines(LineParser& parser, std::u16string_view text) {
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find(u'\n', pos);
        if (end == std::u16string_view::npos)
            end = text.size();
        if (!parser.Feed(text.substr(pos, end - pos)))
            return false;
        pos = end + 1;
    }
    return true;
}

}  // namespace

void TextTable::Parse(std::string_view bytes) {
    LineParser parser(&sections_);
    std::u16string text;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        text.resize((bytes.size() - 2) / 2);
        for (std::size_t i = 0; i < text.size(); ++i) {
            text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                            (static_cast<unsigned char>(bytes[3 + 2 * i]) << 8));
        }
    } else {
        // Narrow text: converted as a whole; a line feed never occurs inside a UTF-8
        // sequence, so the lines are the same as converting line by line.
        text = Utf8ToUtf16(bytes);
    }
    read_to_end_ = FeedLines(parser, text);
}

std::u16string TextTable::SectionNameAt(std::size_t index) const {
    if (index >= sections_.size())
        return {};
    auto it = sections_.begin();
    std::advance(it, static_cast<std::ptrdiff_t>(index));
    return it->first;
}

const TextTable::Section* TextTable::Find(std::u16string_view section) const {
    const auto it = sections_.find(ToLower(section));
    return it == sections_.end() ? nullptr : &it->second;
}

std::size_t TextTable::KeyCount(std::u16string_view section) const {
    const Section* s = Find(section);
    return s ? s->size() : 0;
}

bool TextTable::EntryAt(std::u16string_view section, std::size_t index,
                        std::pair<std::u16string, std::u16string>* entry) const {
    const Section* s = Find(section);
    if (s == nullptr || index >= s->size())
        return false;
    auto it = s->begin();
    std::advance(it, static_cast<std::ptrdiff_t>(index));
    if (entry)
        *entry = *it;
    return true;
}

std::u16string TextTable::Value(std::u16string_view section, std::u16string_view key) const {
    const Section* s = Find(section);
    if (s == nullptr)
        return {};
    const auto it = s->find(ToLower(key));
    return it == s->end() ? std::u16string() : it->second;
}

bool TextTable::Has(std::u16string_view section, std::u16string_view key) const {
    const Section* s = Find(section);
    return s != nullptr && s->count(ToLower(key)) != 0;
}

}  // namespace dedevev
