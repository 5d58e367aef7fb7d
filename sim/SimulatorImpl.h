#pragma once
// The inside of CardSimulator, shared by its transport (CardSimulator.cpp) and its control
// commands (ControlCommands.cpp). Everything but the request queue and the published paths
// belongs to the card's thread.

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/AtSession.h"
#include "sim/CardSimulator.h"
#include "sim/CommandTable.h"
#include "sim/DataLine.h"
#include "sim/PppPeer.h"
#include "sim/PtyPort.h"
#include "sim/VoicePort.h"

namespace dedevev::sim {

using Clock = std::chrono::steady_clock;

// Control commands of a feature; `handled` false when the command belongs to another.
std::string PhonebookControl(CardModel& card, const std::vector<std::string>& words, bool* handled);
std::string CallControl(CardModel& card, bool inserted, const std::vector<std::string>& words,
                        bool* handled);

class CardSimulator::Impl {
public:
    explicit Impl(SimOptions options);
    ~Impl();

    bool Start(std::string* error);
    void Stop();
    bool Running() const;
    std::string Control(const std::string& line);

    enum PortIndex { kAtPort = 0, kDataPort = 1, kVoicePort = 2, kPortCount = 3 };
    std::string PathOf(int port) const;
    std::string ControlPath() const { return control_path_; }
    std::string AnnouncementPath() const;
    std::string Name() const { return name_; }

private:
    struct Port {
        PtyPort pty;
        std::unique_ptr<AtSession> session;  // none on the voice port
        bool busy = false;                   // an answer is waiting for its time
        Clock::time_point due;
        std::string body;
        std::vector<Later> later;
        std::vector<std::string> held;  // unsolicited lines waiting behind the answer
    };
    struct Timer {
        Clock::time_point due;
        int port = kAtPort;
        std::string line;
        std::function<void(CardModel&)> action;
    };
    struct Client {
        int fd = -1;
        std::string in;
        std::string out;
    };
    struct Request {
        std::string line;
        std::promise<std::string> answer;
    };

    // Transport (CardSimulator.cpp).
    void Loop();
    int PollTimeout() const;
    bool Insert(std::string* error);
    void Pull();
    void ServePort(int index);
    void SendAnswer(int index);
    void RunDueTimers();
    void DispatchEvents();
    void SendUnsolicited(int index, const std::string& line);
    void ServeClient(Client& client, short revents);
    void RunRequests();
    void Publish();
    void Log(int port, const std::string& received);
    std::string Noise();
    // The calls' clock and the voice port's 20 ms blocks (CardSimulator.cpp).
    std::int64_t NowMs() const;
    void ServeCalls();
    // The data port's line (DataLine.cpp): bytes to the link or the interpreter, the escape,
    // NO CARRIER, and the data call's end when the last host closed the port.
    bool DataOnline() const;
    std::chrono::milliseconds DataGuard() const;
    void ReceiveData(const std::string& bytes);
    void ServeDataLine();
    void DataHostsLeft();
    // Link bytes from the host: counted, watched for the escape, answered by the network's end.
    void LinkReceive(const std::string& bytes, Clock::time_point now);
    // `data-rate` and `data-auth` (DataLine.cpp); `handled` false for any other command.
    std::string DataControl(const std::vector<std::string>& words, bool* handled);

    // Control commands (ControlCommands.cpp); run on the card's thread.
    std::string ExecuteControl(const std::string& line);
    // `quirks` and `sim-start` (QuirkControl.cpp); `handled` false for any other command.
    std::string QuirkControl(const std::vector<std::string>& words, bool* handled);
    // Timers for the steps of a SIM start that began (quirk sim-busy).
    void ScheduleSimStart();
    std::string StateLine() const;
    std::string LogLine() const;
    std::string NetworksLine() const;

    SimOptions options_;
    CardModel card_;
    CommandTable table_;
    CommandTable data_table_;  // the data port's: the data call's dialler
    Port ports_[kPortCount];
    DataLine data_line_;
    PppPeer peer_;
    std::uint64_t peer_call_ = 0;  // the serial of the data call the peer serves
    std::vector<Timer> timers_;
    int latency_ms_ = 0;
    bool mute_ = false;
    bool garbage_ = false;
    unsigned noise_seq_ = 0;
    std::vector<std::string> inside_;  // unsolicited lines to put inside the next answer
    bool inserted_ = false;
    std::deque<std::string> log_;
    VoicePort voice_;
    Clock::time_point next_voice_block_{};
    bool voice_running_ = false;

    std::string name_;
    std::string folder_;
    std::string base_;  // "cardsim-<pid>[-<n>]"
    std::string control_path_;
    int listen_fd_ = -1;
    std::vector<Client> clients_;
    int wake_fd_ = -1;
    std::thread thread_;
    std::atomic<bool> stop_{false};

    std::mutex direct_mutex_;   // control commands run by callers while the thread is not
    mutable std::mutex mutex_;  // guards what follows
    bool running_ = false;
    std::deque<std::shared_ptr<Request>> requests_;
    std::string paths_[kPortCount];
    std::string announcement_path_;
};

}  // namespace dedevev::sim
