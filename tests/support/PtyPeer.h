#pragma once
// A scripted modem on the master side of a pseudo-terminal, for tests of code that speaks AT
// commands over a serial port. The code under test opens SlavePath() like a real port.
//
//   using dedevev::test::PtyPeer;
//   using dedevev::test::Script;
//   PtyPeer peer;
//   peer.On("AT+CSQ", Script().Line("+CSQ: 20,99").Ok());
//   peer.OnRegex(R"(AT\+CPIN=".*")", Script().Ok());
//   peer.OnCall(R"(AT\+ECHO=(\d+))", [](const std::smatch& m) {
//       return Script().Line("+ECHO: " + m[1].str()).Ok();
//   });
//   channel.Open(peer.SlavePath(), 115200, &error);
//
// The modem runs on its own thread. It reads commands ended by CR (a LF is ignored), records
// them, echoes them when echo is on (as a real card: the command's bytes and its CR), waits
// the set latency, and runs the script of the newest matching rule. Without a matching rule,
// "AT" answers OK, "ATE0"/"ATE1" switch echo and answer OK, anything else gets the default
// script (ERROR). A mute modem records commands and answers nothing.
//
// The modem never keeps the slave open itself, so a test can check who holds the port; while
// nobody has the slave open, the master sees a hang-up and the modem just waits.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace dedevev::test {

using Millis = std::chrono::milliseconds;

// What the modem does for one command: steps run in order on the modem's thread.
class Script {
public:
    // "\r\n<text>\r\n", the form of every information and result line (ATV1).
    Script& Line(std::string text);
    Script& Ok() { return Line("OK"); }
    Script& Error() { return Line("ERROR"); }
    Script& CmeError(int code) { return Line("+CME ERROR: " + std::to_string(code)); }
    Script& CmsError(int code) { return Line("+CMS ERROR: " + std::to_string(code)); }
    // Bytes written as they are (a line cut in two, a prompt without CR LF, noise).
    Script& Raw(std::string bytes);
    // `count` bytes of binary noise (control bytes and bytes >= 0x80, CR LF among them),
    // the same for the same seed.
    Script& Garbage(std::size_t count, std::uint32_t seed = 1);
    // Pauses (cut short when the peer hangs up or is destroyed).
    Script& Delay(Millis duration);
    // Writes "\r\n> " and reads data up to Ctrl-Z, echoing it when echo is on; the data is
    // recorded (DataEntries()). ESC instead of Ctrl-Z cancels: the rest of the script is
    // skipped. Gives up after 10 s without the end of the data.
    Script& Prompt();
    // Closes the master: the port's user reads EOF/EIO and sees POLLHUP. The script and the
    // modem thread end here.
    Script& HangUp();
    // Runs `action` on the modem's thread (to signal the test, or block until it says so).
    Script& Do(std::function<void()> action);

    struct Step {
        enum Kind { kWrite, kDelay, kPrompt, kHangUp, kAction } kind;
        std::string bytes;
        Millis delay{0};
        std::function<void()> action;
    };
    const std::vector<Step>& Steps() const { return steps_; }

private:
    std::vector<Step> steps_;
};

// Opens a pseudo-terminal pair: the master (O_RDWR | O_NOCTTY | O_CLOEXEC) and the slave's
// path, with the slave's line discipline set raw. False when the system has no ptys.
bool OpenPtyPair(int* master, std::string* slave_path);

class PtyPeer {
public:
    PtyPeer();   // opens the pair and starts the modem
    ~PtyPeer();  // stops the modem and closes the master
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    bool IsOpen() const { return !slave_path_.empty(); }
    const std::string& SlavePath() const { return slave_path_; }
    // A new descriptor of the slave (raw, O_NOCTTY), e.g. for AtChannel::Adopt; -1 on error.
    int OpenSlave() const;
    // The master, for ioctls and termios only: the modem thread does all reading.
    int MasterFd() const { return master_; }

    // Rules: the newest rule that matches a command wins. `times` < 0: for every match;
    // otherwise the rule is used that many times and then forgotten.
    void On(const std::string& command, Script script, int times = -1);
    // `pattern` must match the whole command (std::regex_match).
    void OnRegex(const std::string& pattern, Script script, int times = -1);
    // The script is made per command from the match (to answer with parts of the command).
    void OnCall(const std::string& pattern, std::function<Script(const std::smatch&)> make,
                int times = -1);
    void ClearRules();
    // The script for commands no rule takes (default: ERROR).
    void SetDefault(Script script);

    void SetEcho(bool on);
    bool Echo() const;
    // Waited before each answer (not before the echo).
    void SetLatency(Millis latency);
    void SetMute(bool mute);

    // Unsolicited output, written at once (between the writes of a running script).
    void SendLine(const std::string& line);  // "\r\n<line>\r\n"
    void SendRaw(const std::string& bytes);

    // Closes the master (see Script::HangUp) and waits for the modem thread to end.
    void HangUp();
    bool HungUp() const;

    // Every command received, in order (also while mute).
    std::vector<std::string> Commands() const;
    std::size_t CommandCount() const;
    // Waits until at least `count` commands have arrived; false on time-out.
    bool WaitForCommands(std::size_t count, Millis timeout) const;
    // Waits until `command` has arrived (at any point so far); false on time-out.
    bool WaitForCommand(const std::string& command, Millis timeout) const;
    // The data entered at prompts, without the Ctrl-Z.
    std::vector<std::string> DataEntries() const;

private:
    struct Rule {
        enum Kind { kExact, kRegex, kCall } kind;
        std::string text;
        std::regex pattern;
        Script script;
        std::function<Script(const std::smatch&)> make;
        int remaining = -1;
    };

    void Run();
    void HandleCommand(const std::string& command);
    Script ScriptFor(const std::string& command);
    // False when the script must stop (hang-up, cancelled prompt, shutting down).
    bool RunScript(const Script& script);
    bool ReadData(std::string* data, bool* cancelled);
    void Write(const std::string& bytes);
    void CloseMaster();
    bool Sleep(Millis duration);  // false when cut short
    bool Stopping() const;

    std::string slave_path_;
    int master_ = -1;
    int wake_[2] = {-1, -1};
    std::string input_;  // modem thread only

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<Rule> rules_;
    Script default_script_;
    bool echo_ = false;
    bool mute_ = false;
    Millis latency_{0};
    bool stop_ = false;
    bool hang_up_ = false;
    bool hung_up_ = false;
    std::vector<std::string> commands_;
    std::vector<std::string> data_entries_;

    std::mutex write_mutex_;  // one writer at a time; guards master_ against closing
    std::thread thread_;
};

}  // namespace dedevev::test
