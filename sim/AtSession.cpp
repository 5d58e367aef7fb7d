#include "sim/AtSession.h"

#include <cctype>
#include <utility>

namespace dedevev::sim {

namespace {

constexpr char kCtrlZ = 0x1A;
constexpr char kEscape = 0x1B;
constexpr char kBackspace = 0x08;

const char* CmeText(int code) {
    switch (code) {
        case cme::kNotAllowed:
            return "operation not allowed";
        case cme::kNotSupported:
            return "operation not supported";
        case cme::kSimNotInserted:
            return "SIM not inserted";
        case cme::kSimPinRequired:
            return "SIM PIN required";
        case cme::kSimPukRequired:
            return "SIM PUK required";
        case cme::kSimFailure:
            return "SIM failure";
        case cme::kIncorrectPassword:
            return "incorrect password";
        case cme::kInvalidCharacters:
            return "invalid characters in text string";
        case cme::kNoNetworkService:
            return "no network service";
        case cme::kEmergencyOnly:
            return "network not allowed - emergency calls only";
        case cme::kIncorrectParameters:
            return "incorrect parameters";
        default:
            return "unknown";
    }
}

}  // namespace

AtSession::AtSession(CardModel& card, const CommandTable& table, bool unsolicited)
    : card_(card), table_(table) {
    settings_.unsolicited = unsolicited;
}

void AtSession::Receive(std::string_view bytes) {
    input_.append(bytes.data(), bytes.size());
}

void AtSession::Reset() {
    const bool unsolicited = settings_.unsolicited;
    settings_ = SessionSettings{};
    settings_.unsolicited = unsolicited;
    input_.clear();
    data_handler_ = nullptr;
}

std::string AtSession::TakeInput() {
    return std::exchange(input_, std::string());
}

bool AtSession::Next(Answer* answer, bool execute) {
    *answer = Answer{};
    if (data_handler_) {
        const std::size_t end = input_.find_first_of(std::string{kCtrlZ, kEscape});
        if (end == std::string::npos)
            return false;
        const bool cancelled = input_[end] == kEscape;
        const std::string data = input_.substr(0, end);
        input_.erase(0, end + 1);
        DataHandler handler = std::move(data_handler_);
        data_handler_ = nullptr;
        answer->received = cancelled ? "<data cancelled>" : "<data> " + data;
        if (!execute)
            return true;
        if (settings_.echo)
            answer->echo = data;
        std::string body;
        Collect(handler(data, cancelled), answer, &body);
        answer->body = body;
        return true;
    }
    while (true) {
        const std::size_t end = input_.find_first_of("\r\n");
        if (end == std::string::npos)
            return false;
        std::string raw = input_.substr(0, end);
        input_.erase(0, end + 1);
        // What a terminal would have left on the line: ESC and Ctrl-Z abandon what came before
        // them (hosts send ESC to leave a forgotten prompt), backspace erases.
        std::string line;
        for (char c : raw) {
            if (c == kEscape || c == kCtrlZ)
                line.clear();
            else if (c == kBackspace && !line.empty())
                line.pop_back();
            else if (static_cast<unsigned char>(c) >= 0x20)
                line += c;
        }
        const std::size_t first = line.find_first_not_of(' ');
        if (first == std::string::npos)
            continue;  // an empty line gets no answer
        line.erase(0, first);
        answer->received = line;
        if (!execute)
            return true;
        if (settings_.echo)
            answer->echo = line + "\r";
        const bool at = line.size() >= 2 &&
                        std::toupper(static_cast<unsigned char>(line[0])) == 'A' &&
                        std::toupper(static_cast<unsigned char>(line[1])) == 'T';
        if (at)
            answer->body = RunLine(line, answer);
        return true;  // a line without "AT" is echoed and otherwise ignored
    }
}

std::string AtSession::RunLine(const std::string& line, Answer* answer) {
    std::vector<Call> calls;
    if (!SplitCommandLine(std::string_view(line).substr(2), &calls))
        return Frame("ERROR");
    std::string body;
    Context ctx{card_, settings_};
    if (calls.empty())  // plain "AT"
        return Frame(card_.Quirks().Has(Quirk::kAtError) ? "ERROR" : "OK");
    for (const Call& call : calls) {
        const Handler* handler = table_.Find(call.name);
        if (!handler)
            return body + Frame("ERROR");
        std::optional<Result> quirk = QuirkAnswer(ctx, call);
        Result result = quirk ? std::move(*quirk) : (*handler)(ctx, call);
        if (result.on_data) {
            for (const std::string& text : result.lines)
                body += Frame(text);
            answer->delay += result.delay;
            data_handler_ = std::move(result.on_data);
            return body + "\r\n> ";
        }
        const bool failed = result.Failed();
        if (failed || &call == &calls.back()) {
            Collect(result, answer, &body);
            return body;
        }
        for (const std::string& text : result.lines)
            body += Frame(text);
        answer->delay += result.delay;
        for (Later& later : result.later)
            answer->later.push_back(std::move(later));
    }
    return body;
}

void AtSession::Collect(const Result& result, Answer* answer, std::string* body) {
    for (const std::string& text : result.lines)
        *body += Frame(text);
    answer->delay += result.delay;
    for (const Later& later : result.later)
        answer->later.push_back(later);
    if (result.on_data) {
        data_handler_ = result.on_data;  // a data step that asks for more data
        *body += "\r\n> ";
        return;
    }
    *body += Frame(FinalText(result));
}

std::string AtSession::FinalText(const Result& result) const {
    switch (result.final) {
        case Result::Final::kOk:
            return "OK";
        case Result::Final::kError:
            return "ERROR";
        case Result::Final::kText:
            return result.final_text;
        case Result::Final::kCmsError:
            // 27.005 reports message-service failures with their number whatever +CMEE says.
            return "+CMS ERROR: " + std::to_string(result.cme);
        case Result::Final::kCmeError:
            break;
    }
    if (settings_.cmee == 0)
        return "ERROR";
    if (settings_.cmee == 2)
        return std::string("+CME ERROR: ") + CmeText(result.cme);
    return "+CME ERROR: " + std::to_string(result.cme);
}

std::vector<std::string> AtSession::Unsolicited(unsigned events) {
    std::vector<std::string> lines;
    if (!settings_.unsolicited)
        return lines;
    if (events & kEventService) {
        if (settings_.service_reports) {
            const std::string line = ServiceLine(card_.Service());
            if (line != settings_.last_service) {
                settings_.last_service = line;
                lines.push_back(line);
            }
        }
        for (bool packet : {false, true}) {
            const int n = packet ? settings_.cgreg : settings_.creg;
            std::string& last = packet ? settings_.last_cgreg : settings_.last_creg;
            const std::string line = RegistrationReport(card_, n, packet);
            if (n > 0 && line != last)
                lines.push_back(line);
            last = line;
        }
    }
    if (events & kEventWorkMode)
        lines.push_back("^DDMODE: " + std::to_string(card_.WorkMode()));
    if (events & kEventSms) {
        for (std::string& line : card_.Sms().TakeNotices())
            lines.push_back(std::move(line));
    }
    if (events & kEventCall) {
        for (const CallNotice& notice : card_.Calls().TakeNotices()) {
            for (std::string& line : CallNoticeLines(settings_, notice))
                lines.push_back(std::move(line));
        }
    }
    return lines;
}

}  // namespace dedevev::sim
