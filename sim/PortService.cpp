// How the card serves its ports: the AT interpreters' answers after the card's latency, with
// noise and unsolicited lines held behind them, the timers of what follows an answer, the
// calls' clock and the voice port's blocks.

#include "sim/SimulatorImpl.h"

namespace dedevev::sim {

namespace {
constexpr std::size_t kMaxLog = 10000;
}  // namespace

void CardSimulator::Impl::Log(int port, const std::string& received) {
    static const char* const kTags[] = {"", "data: ", "voice: "};
    log_.push_back(kTags[port] + received);
    if (log_.size() > kMaxLog)
        log_.pop_front();
}

std::string CardSimulator::Impl::Noise() {
    static const char* const kNoise[] = {
        "\r\n^BOOT:20312131,0,0,0,72\r\n",
        "\r\n\x7f\x01 line noise \xfe\xff\r\n",
        "\r\n+XNOISE: 1,\"crackle\"\r\n",
        "\r\n~~~~~~~~\r\n",
    };
    std::string out;
    for (int i = 0; i < 2; ++i)
        out += kNoise[noise_seq_++ % (sizeof kNoise / sizeof kNoise[0])];
    return out;
}

void CardSimulator::Impl::ServePort(int index) {
    Port& port = ports_[index];
    if (!port.pty.IsOpen() || !port.session)
        return;
    while (!port.busy) {
        if (index == kDataPort && DataOnline())
            return;  // the link has the port
        AtSession::Answer answer;
        if (!port.session->Next(&answer, !mute_))
            return;
        Log(index, answer.received);
        if (mute_)
            continue;  // a mute card takes the line and does nothing
        if (!answer.echo.empty())
            port.pty.Write(answer.echo);
        if (answer.body.empty())
            continue;
        port.body = std::move(answer.body);
        port.later = std::move(answer.later);
        const Millis wait = Millis(latency_ms_) + answer.delay;
        if (wait.count() <= 0) {
            SendAnswer(index);
        } else {
            port.busy = true;
            port.due = Clock::now() + wait;
        }
        DispatchEvents();
    }
}

void CardSimulator::Impl::SendAnswer(int index) {
    Port& port = ports_[index];
    std::string body = std::move(port.body);
    if (index == kAtPort && !inside_.empty()) {
        // Inside the answer: after its first line when it has more than the final result.
        std::size_t at = 0;
        const std::size_t first_end = body.find("\r\n", 2);
        if (first_end != std::string::npos && first_end + 2 < body.size())
            at = first_end + 2;
        std::string lines;
        for (const std::string& line : inside_)
            lines += AtSession::Frame(line);
        inside_.clear();
        body.insert(at, lines);
    }
    port.pty.Write((garbage_ ? Noise() : std::string()) + body);
    port.busy = false;
    for (const std::string& line : port.held)
        port.pty.Write(AtSession::Frame(line));
    port.held.clear();
    // What follows the answer at once goes out before the next command is taken.
    const Clock::time_point now = Clock::now();
    std::vector<Later> later = std::move(port.later);
    port.later.clear();
    for (Later& item : later) {
        if (item.delay.count() > 0) {
            timers_.push_back(
                Timer{now + item.delay, index, std::move(item.line), std::move(item.action)});
            continue;
        }
        if (item.action)
            item.action(card_);
        if (!item.line.empty())
            SendUnsolicited(index, item.line);
    }
}

void CardSimulator::Impl::RunDueTimers() {
    const Clock::time_point now = Clock::now();
    for (int i = 0; i < kPortCount; ++i) {
        if (ports_[i].busy && ports_[i].due <= now)
            SendAnswer(i);
    }
    std::vector<Timer> due;
    for (auto it = timers_.begin(); it != timers_.end();) {
        if (it->due <= now) {
            due.push_back(std::move(*it));
            it = timers_.erase(it);
        } else {
            ++it;
        }
    }
    std::stable_sort(due.begin(), due.end(),
                     [](const Timer& a, const Timer& b) { return a.due < b.due; });
    for (Timer& timer : due) {
        if (timer.action)
            timer.action(card_);
        if (!timer.line.empty())
            SendUnsolicited(timer.port, timer.line);
        DispatchEvents();
    }
}

std::int64_t CardSimulator::Impl::NowMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
        .count();
}

void CardSimulator::Impl::ServeCalls() {
    card_.Calls().Advance(NowMs());
    DispatchEvents();
    // The voice path runs while a call talks and the host switched it on.
    const bool talking = inserted_ && card_.Calls().Talking() && card_.Calls().VoicePath();
    const Clock::time_point now = Clock::now();
    if (!talking) {
        voice_running_ = false;
        return;
    }
    if (!voice_running_) {
        voice_running_ = true;
        next_voice_block_ = now;
    }
    while (next_voice_block_ <= now) {
        ports_[kVoicePort].pty.Write(voice_.NextBlock(NowMs()));
        next_voice_block_ += std::chrono::milliseconds(VoicePort::kBlockMs);
        if (now - next_voice_block_ > std::chrono::milliseconds(200))
            next_voice_block_ = now;  // the loop was held up: do not burst to catch up
    }
}

void CardSimulator::Impl::SendUnsolicited(int index, const std::string& line) {
    Port& port = ports_[index];
    if (!port.pty.IsOpen())
        return;
    if (port.busy)
        port.held.push_back(line);
    else
        port.pty.Write(AtSession::Frame(line));
}

void CardSimulator::Impl::DispatchEvents() {
    const unsigned events = card_.TakeEvents();
    if (events == 0)
        return;
    for (const std::string& line : ports_[kAtPort].session->Unsolicited(events))
        SendUnsolicited(kAtPort, line);
}

}  // namespace dedevev::sim
