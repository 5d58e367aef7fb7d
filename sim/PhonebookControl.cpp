// The phonebook side of the control channel: entries put on the card, listed, cleared, the
// capacities and the UCS2-number switch.

#include "sim/ControlProtocol.h"
#include "sim/SimulatorImpl.h"

namespace dedevev::sim {

namespace {

bool Capacity(const std::string& word, int* value) {
    if (word.empty() || word.size() > 5 ||
        word.find_first_not_of("0123456789") != std::string::npos)
        return false;
    *value = std::stoi(word);
    return true;
}

const char* PhonebookErrorText(int code) {
    switch (code) {
        case pbe::kMemoryFull:
            return "phonebook full";
        case pbe::kTextTooLong:
            return "name too long";
        case pbe::kInvalidText:
            return "name is not valid UTF-8";
        case pbe::kNumberTooLong:
            return "number too long";
        case pbe::kInvalidNumber:
            return "number must be digits, * and # with an optional leading +";
        default:
            return "not allowed";
    }
}

}  // namespace

std::string PhonebookControl(CardModel& card, const std::vector<std::string>& w, bool* handled) {
    *handled = true;
    PhonebookModel& books = card.Phonebooks();
    const std::string& cmd = w[0];
    const std::size_t argc = w.size() - 1;
    if (cmd == "pb-add") {
        if (argc < 2 || !books.Find(w[1]))
            return "ERR usage: pb-add ME|SM|EN <number> [<name...>]";
        std::string name;
        for (std::size_t i = 3; i < w.size(); ++i)
            name += (i > 3 ? " " : "") + w[i];
        if (name.find_first_of("\r\n") != std::string::npos)
            return "ERR a name has no line breaks";
        int index = 0;
        if (int code = books.Add(w[1], w[2], name, &index))
            return "ERR " + std::string(PhonebookErrorText(code));
        return "OK " + std::to_string(index);
    }
    if (cmd == "pb-list" || cmd == "pb-clear") {
        const Phonebook* book = argc == 1 ? books.Find(w[1]) : nullptr;
        if (!book)
            return "ERR usage: " + cmd + " ME|SM|EN";
        if (cmd == "pb-clear") {
            books.Clear(w[1]);
            return "OK";
        }
        std::string out = "OK";
        for (const auto& [index, entry] : book->entries)
            out += " (" + std::to_string(index) + "," + QuoteWord(entry.number) + "," +
                   std::to_string(entry.Type()) + "," + QuoteWord(entry.text) + ")";
        return out;
    }
    if (cmd == "pb-capacity") {
        int capacity = 0;
        std::string error;
        if (argc != 2 || !Capacity(w[2], &capacity))
            return "ERR usage: pb-capacity ME|SM|EN <1-1000>";
        if (!books.SetCapacity(w[1], capacity, &error))
            return "ERR " + error;
        return "OK";
    }
    if (cmd == "pb-ucs2-numbers") {
        if (argc != 1 || (w[1] != "on" && w[1] != "off"))
            return "ERR usage: pb-ucs2-numbers on|off";
        books.SetUcs2Numbers(w[1] == "on");
        return "OK";
    }
    *handled = false;
    return {};
}

}  // namespace dedevev::sim
