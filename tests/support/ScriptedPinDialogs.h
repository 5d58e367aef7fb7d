#pragma once
// PIN dialogs answering from scripts, logging what they were asked and told.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "device/base/Utf.h"
#include "settings/PinFlows.h"

namespace dedevev::test {

using Events = std::vector<std::string>;

class ScriptedPinDialogs : public IPinDialogs {
public:
    std::deque<std::optional<std::string>> pins, changes, puks;  // nullopt: Cancel
    Events events;

    std::optional<std::string> AskPin(int attempts) override {
        events.push_back("pin? " + std::to_string(attempts));
        return Take(pins);
    }
    std::optional<PinChange> AskChangePin(int attempts) override {
        events.push_back("change? " + std::to_string(attempts));
        auto answer = Take(changes);  // "old new"
        if (!answer)
            return std::nullopt;
        const auto blank = answer->find(' ');
        return PinChange{answer->substr(0, blank), answer->substr(blank + 1)};
    }
    std::optional<PukEntry> AskPuk(int puk_attempts) override {
        events.push_back("puk? " + std::to_string(puk_attempts));
        auto answer = Take(puks);  // "puk new"
        if (!answer)
            return std::nullopt;
        const auto blank = answer->find(' ');
        return PukEntry{answer->substr(0, blank), answer->substr(blank + 1)};
    }
    void Message(const std::u16string& text, unsigned) override {
        events.push_back("msg " + Utf16ToUtf8(text));
    }
    void RequestClose() override { events.push_back("close"); }

private:
    static std::optional<std::string> Take(std::deque<std::optional<std::string>>& queue) {
        if (queue.empty())
            return std::nullopt;
        auto answer = queue.front();
        queue.pop_front();
        return answer;
    }
};

}  // namespace dedevev::test
