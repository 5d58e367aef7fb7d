#pragma once
// One AT port of the card: assembles command lines from the bytes a host writes, echoes them,
// runs them through the command table and frames the answer; after a "> " prompt it collects
// the data up to Ctrl-Z. It also turns changes of the card into unsolicited result lines.

#include <string>
#include <string_view>
#include <vector>

#include "sim/CardModel.h"
#include "sim/CommandTable.h"

namespace dedevev::sim {

class AtSession {
public:
    // `unsolicited`: this port carries unsolicited results (the AT port does, the data port not).
    AtSession(CardModel& card, const CommandTable& table, bool unsolicited);

    struct Answer {
        std::string received;  // the command line (or "<data>" after a prompt), for the log
        std::string echo;      // bytes echoed at once
        std::string body;      // the framed answer: lines and final result, or the prompt
        Millis delay{0};       // the card takes this long before the body goes out
        std::vector<Later> later;
    };

    void Receive(std::string_view bytes);
    // Takes the next complete command line (or data block) from what was received and runs it;
    // false when nothing complete is waiting. With `execute` false the line is only taken (a
    // mute card): `received` is set, nothing else.
    bool Next(Answer* answer, bool execute = true);
    // Unsolicited lines for the changes in `events` (bits of Event), unframed.
    std::vector<std::string> Unsolicited(unsigned events);
    // Back to power-on settings, discarding anything half received.
    void Reset();
    // What was received and not yet taken as a command (it belongs to the link once a data
    // call connected); the session forgets it.
    std::string TakeInput();

    SessionSettings& Settings() { return settings_; }
    bool WaitingForData() const { return static_cast<bool>(data_handler_); }

    static std::string Frame(std::string_view line) { return "\r\n" + std::string(line) + "\r\n"; }

private:
    std::string RunLine(const std::string& line, Answer* answer);
    std::string FinalText(const Result& result) const;
    void Collect(const Result& result, Answer* answer, std::string* body);

    CardModel& card_;
    const CommandTable& table_;
    SessionSettings settings_;
    std::string input_;
    DataHandler data_handler_;
};

}  // namespace dedevev::sim
