#include "sim/CommandTable.h"

#include <cctype>

#include "sim/TextCoding.h"

namespace dedevev::sim {

namespace {

char Upper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}
bool IsAlpha(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

// Reads up to the next ';' that is not inside quotes.
std::string ReadArgs(std::string_view body, std::size_t* pos) {
    std::string args;
    bool quoted = false;
    while (*pos < body.size()) {
        const char c = body[*pos];
        if (c == ';' && !quoted)
            break;
        if (c == '"')
            quoted = !quoted;
        args += c;
        ++*pos;
    }
    return args;
}

}  // namespace

Result Result::Lines(std::vector<std::string> lines) {
    Result r;
    r.lines = std::move(lines);
    return r;
}

Result Result::Line(std::string line) {
    Result r;
    r.lines.push_back(std::move(line));
    return r;
}

Result Result::Error() {
    Result r;
    r.final = Final::kError;
    return r;
}

Result Result::Cme(int code) {
    Result r;
    r.final = Final::kCmeError;
    r.cme = code;
    return r;
}

Result Result::Cms(int code) {
    Result r;
    r.final = Final::kCmsError;
    r.cme = code;
    return r;
}

void CommandTable::Add(const std::string& name, Handler handler) {
    handlers_[name] = std::move(handler);
}

const Handler* CommandTable::Find(const std::string& name) const {
    auto it = handlers_.find(name);
    return it == handlers_.end() ? nullptr : &it->second;
}

std::vector<std::string> CommandTable::Names() const {
    std::vector<std::string> names;
    for (const auto& [name, handler] : handlers_)
        names.push_back(name);
    return names;
}

bool SplitCommandLine(std::string_view body, std::vector<Call>* calls) {
    calls->clear();
    std::size_t pos = 0;
    while (pos < body.size()) {
        const char c = body[pos];
        if (c == ' ' || c == ';') {
            ++pos;
            continue;
        }
        Call call;
        if (c == '+' || c == '^' || c == '%' || c == '$' || c == '*' || c == '#') {
            const std::size_t start = pos++;
            while (pos < body.size() && IsNameChar(body[pos]))
                ++pos;
            if (pos - start < 2)
                return false;
            for (std::size_t i = start; i < pos; ++i)
                call.name += Upper(body[i]);
            if (pos < body.size() && body[pos] == '=') {
                if (pos + 1 < body.size() && body[pos + 1] == '?') {
                    call.form = Form::kTest;
                    pos += 2;
                } else {
                    call.form = Form::kSet;
                    ++pos;
                    call.args = ReadArgs(body, &pos);
                }
            } else if (pos < body.size() && body[pos] == '?') {
                call.form = Form::kQuery;
                ++pos;
            }
        } else if (c == '&') {
            if (pos + 1 >= body.size() || !IsAlpha(body[pos + 1]))
                return false;
            call.name = std::string("&") + Upper(body[pos + 1]);
            pos += 2;
            while (pos < body.size() && IsDigit(body[pos]))
                call.args += body[pos++];
            call.form = call.args.empty() ? Form::kExec : Form::kSet;
        } else if (IsAlpha(c)) {
            const char letter = Upper(c);
            ++pos;
            if (letter == 'D') {
                // A dial string runs to the end of the line (';' marks a voice call).
                call.name = "D";
                call.form = Form::kSet;
                call.args = std::string(body.substr(pos));
                pos = body.size();
            } else if (letter == 'S') {
                std::string reg;
                while (pos < body.size() && IsDigit(body[pos]))
                    reg += body[pos++];
                if (reg.empty())
                    return false;
                call.name = "S" + reg;
                if (pos < body.size() && body[pos] == '?') {
                    call.form = Form::kQuery;
                    ++pos;
                } else if (pos < body.size() && body[pos] == '=') {
                    call.form = Form::kSet;
                    ++pos;
                    while (pos < body.size() && IsDigit(body[pos]))
                        call.args += body[pos++];
                } else {
                    return false;
                }
            } else {
                call.name = std::string(1, letter);
                while (pos < body.size() && IsDigit(body[pos]))
                    call.args += body[pos++];
                call.form = call.args.empty() ? Form::kExec : Form::kSet;
            }
        } else {
            return false;
        }
        calls->push_back(std::move(call));
    }
    return true;
}

std::vector<Arg> SplitArgs(std::string_view args) {
    std::vector<Arg> out;
    std::size_t pos = 0;
    while (true) {
        Arg arg;
        while (pos < args.size() && args[pos] == ' ')
            ++pos;
        if (pos < args.size() && args[pos] == '"') {
            arg.quoted = true;
            arg.present = true;
            ++pos;
            while (pos < args.size() && args[pos] != '"') {
                if (args[pos] == '\\' && pos + 1 < args.size() &&
                    (args[pos + 1] == '"' || args[pos + 1] == '\\'))
                    ++pos;
                arg.text += args[pos++];
            }
            if (pos < args.size())
                ++pos;  // closing quote
            while (pos < args.size() && args[pos] != ',')
                ++pos;
        } else {
            int depth = 0;
            while (pos < args.size() && (args[pos] != ',' || depth > 0)) {
                if (args[pos] == '(')
                    ++depth;
                else if (args[pos] == ')')
                    --depth;
                arg.text += args[pos++];
            }
            while (!arg.text.empty() && arg.text.back() == ' ')
                arg.text.pop_back();
            arg.present = !arg.text.empty();
        }
        out.push_back(std::move(arg));
        if (pos >= args.size())
            break;
        ++pos;  // the comma
    }
    if (out.size() == 1 && !out[0].present)
        out.clear();
    return out;
}

bool ArgInt(const std::vector<Arg>& args, std::size_t index, int* value) {
    if (index >= args.size() || !args[index].present || args[index].quoted)
        return false;
    const std::string& text = args[index].text;
    if (text.empty() || text.size() > 9)
        return false;
    int v = 0;
    for (char c : text) {
        if (!IsDigit(c))
            return false;
        v = v * 10 + (c - '0');
    }
    *value = v;
    return true;
}

std::string OutText(const SessionSettings& session, std::string_view utf8) {
    const std::u16string text = Utf8ToUtf16(utf8);
    if (session.charset == "UCS2")
        return ToUcs2Hex(text);
    std::string out;
    for (char16_t c : text) {
        if (c >= 0xDC00 && c <= 0xDFFF)
            continue;  // second half of a pair: one '?' per character
        out += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
    }
    return out;
}

bool InText(const SessionSettings& session, std::string_view text, std::string* utf8) {
    if (session.charset != "UCS2") {
        *utf8 = text;
        return true;
    }
    std::u16string decoded;
    if (!FromUcs2Hex(text, &decoded))
        return false;
    *utf8 = Utf16ToUtf8(decoded);
    return true;
}

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

CommandTable DefaultCommandTable() {
    CommandTable table;
    RegisterBasicCommands(table);
    RegisterSecurityCommands(table);
    RegisterNetworkCommands(table);
    RegisterUssdCommands(table);
    RegisterSmsCommands(table);
    RegisterPhonebookCommands(table);
    RegisterCallCommands(table);
    RegisterVendorCommands(table);
    return table;
}

}  // namespace dedevev::sim
