#pragma once
// Searching the networks in reach and registering on one by hand: the rows the search list
// shows, and the two workers that run the card's search and selection behind a progress
// window.

#include <string>
#include <string_view>
#include <vector>

#include "core/Thread.h"

namespace dedevev {

class IDeviceControl;

// One network of a search as the list shows it. `state` is the state's key ("unknown",
// "available", "current", "forbidden"), shown through the language file.
struct NetworkRow {
    std::u16string state;
    std::u16string name;
    std::u16string number;
    std::u16string system;  // "2G", "3G", or empty when the card did not say

    friend bool operator==(const NetworkRow&, const NetworkRow&) = default;
};

// The row of one search answer `state,"long name","short name","number",system`: the state
// integer gives the state key, the short name and the number are the name and number
// columns, and the last integer gives "2G" for 0 and "3G" otherwise. False for a text that is
// not of that form.
bool ParseNetworkRow(std::string_view text, NetworkRow* row);
// The rows of a whole search answer, in order. The list stops at the first text shorter than
// 12 characters; a longer text that is not a network is left out.
std::vector<NetworkRow> ParseNetworkRows(const std::vector<std::string>& texts);

// How a card operation behind a progress window ended.
enum class CardJobOutcome {
    kNotRun,    // the worker has not run (yet)
    kDone,      // the card did it
    kRefused,   // the card answered, but with an error (or the time ran out and it still answers)
    kCardLost,  // no card, or the card stopped answering (pulled)
};

// The network search: progress text "Searching net..." of "DlgSMS", two steps. `control` may
// be null (no card). Read the result once the thread has ended.
class CThreadLoadNet : public CThreadProgress {
public:
    explicit CThreadLoadNet(IDeviceControl* control) : control_(control) {}
    ~CThreadLoadNet() override { Join(); }

    CardJobOutcome Outcome() const { return outcome_; }
    // The card's answer, one text per network.
    const std::vector<std::string>& Networks() const { return networks_; }

protected:
    void DoJob() override;

private:
    IDeviceControl* control_;
    CardJobOutcome outcome_ = CardJobOutcome::kNotRun;
    std::vector<std::string> networks_;
};

// Registration on the network called `name` (UTF-8): progress text "Set net..." of
// "DlgSMS", two steps; afterwards the operator name the card reports.
class CThreadSetNet : public CThreadProgress {
public:
    CThreadSetNet(IDeviceControl* control, std::string name)
        : control_(control), name_(std::move(name)) {}
    ~CThreadSetNet() override { Join(); }

    CardJobOutcome Outcome() const { return outcome_; }
    bool Succeeded() const { return outcome_ == CardJobOutcome::kDone; }
    // The operator's name (UTF-8) read after the attempt; empty when the card gave none.
    const std::string& OperatorName() const { return operator_name_; }

protected:
    void DoJob() override;

private:
    IDeviceControl* control_;
    std::string name_;
    CardJobOutcome outcome_ = CardJobOutcome::kNotRun;
    std::string operator_name_;
};

}  // namespace dedevev
