#pragma once
// What the main window shows for each status report, and the order in which it closes. Kept
// apart from the window so that every rule can be checked without a screen.

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace dedevev {

// Signal level as the card reports it (0..31, 99 unknown) -> bars 0..5.
int SignalBars(int level);

// The recent bar counts behind the signal indicator. Each new count replaces the oldest one
// (a list that starts empty therefore holds exactly the latest count); the level shown is the
// mean, rounded up when it leaves a remainder and more than one count is held.
class SignalAverage {
public:
    // `history` counts to start with (all zero); 0 starts empty.
    explicit SignalAverage(int history = 0) : recent_(static_cast<std::size_t>(history), 0) {}
    int Push(int bars);
    const std::deque<int>& Recent() const { return recent_; }

private:
    std::deque<int> recent_;
};

// Traffic in KB as shown in the panel: "%.3f KB ", "%.3f MB " or "%.3f GB ".
std::string FormatTrafficKb(double kb);
// 0 -> empty; else a dotted quad, highest byte first.
std::string FormatAddress(std::uint32_t address);

// A language text (section, key) or a fixed text.
struct DisplayText {
    std::string_view section;  // string literals: data() stays NUL-terminated
    std::string_view key;
    std::u16string literal;  // used when key is empty

    friend bool operator==(const DisplayText&, const DisplayText&) = default;
};

// The card line of the panel.
enum class CardText { kUnchanged, kUsim, kUim, kPinLocked, kNoCard, kInitializing };
const char* CardTextKey(CardText text);  // key in "MainWnd"; null for kUnchanged

// The counter of status reports that found neither a ready card nor one asking for its PIN;
// shared by every main window of the process.
int& NoCardReports();

struct CardStateDisplay {
    CardText text = CardText::kUnchanged;
    bool ready = false;       // card_ready is set
    bool pin_locked = false;  // pin_locked is set
    bool red = false;         // status colour red (else white when ready, else unchanged)
};
// A card-state report (message 1138): wparam above 0xFFFF is a ready card whose low word is the
// card type (1 USIM); lparam set asks for PIN or PUK. From the 20th report without a card the
// line turns red and says so; the counter then stays parked at 32.
CardStateDisplay CardStateFor(std::uint64_t wparam, std::int64_t lparam, int& no_card_reports);

// The card line when the window completes after initialisation.
CardText InitialCardText(const std::string& card_status, bool service_ok, int card_type);

// The Network field for a service report (system mode, service state).
DisplayText NetworkFieldText(bool card_ready, int system_mode, int service_state);
// The Service field: the generation of the system mode, or nothing (field left as it is).
std::optional<std::u16string> ServiceGeneration(int system_mode);
// An operator name too short to be real ("", "," or one character) is read again.
bool OperatorNameNeedsReread(const std::u16string& name);

// The steps of closing the main window, in the order RunCloseSequence takes them.
class IMainCloseSteps {
public:
    virtual bool NetworkWorkerRunning() = 0;
    virtual bool CallInProgress() = 0;  // false while no voice view is there
    // Asks an OK/Cancel question (a "text"-section key); true for OK.
    virtual bool Confirm(const char* key) = 0;
    virtual void SetClosing() = 0;
    virtual void RequestStatusStop() = 0;
    virtual void HideWindow() = 0;
    virtual void ShowClosingOnTray() = 0;
    virtual void EndVoiceCall() = 0;
    virtual void StopNetworkWorker() = 0;
    virtual void WaitForStatusThread() = 0;
    virtual void RemoveTrayIcon() = 0;
    virtual void EndDialog() = 0;
    virtual void PostQuit() = 0;

protected:
    ~IMainCloseSteps() = default;
};

// Asks only while the device is there (a lost card or a suspend closes without questions):
// about a running connection, then about a call. False when the person cancelled.
bool RunCloseSequence(bool device_ready, IMainCloseSteps& steps);

}  // namespace dedevev
