#include "sim/ControlProtocol.h"

namespace dedevev::sim {

bool SplitControlLine(std::string_view line, std::vector<std::string>* words, std::string* error) {
    words->clear();
    std::size_t pos = 0;
    while (true) {
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
            ++pos;
        if (pos >= line.size())
            return true;
        std::string word;
        if (line[pos] == '"') {
            ++pos;
            bool closed = false;
            while (pos < line.size()) {
                const char c = line[pos++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c == '\\' && pos < line.size()) {
                    const char e = line[pos++];
                    word += e == 'n' ? '\n' : (e == 'r' ? '\r' : e);
                    continue;
                }
                word += c;
            }
            if (!closed) {
                *error = "unterminated quote";
                return false;
            }
        } else {
            while (pos < line.size() && line[pos] != ' ' && line[pos] != '\t')
                word += line[pos++];
        }
        words->push_back(std::move(word));
    }
}

std::string QuoteWord(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string JoinWords(const std::vector<std::string>& words) {
    std::string line;
    for (const std::string& word : words) {
        if (!line.empty())
            line += ' ';
        const bool plain = !word.empty() && word.find_first_of(" \t\"\\\r\n") == std::string::npos;
        line += plain ? word : QuoteWord(word);
    }
    return line;
}

}  // namespace dedevev::sim
