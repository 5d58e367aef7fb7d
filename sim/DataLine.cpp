// The data port's line, and how the card serves it: the link after CONNECT (the network's end
// answers the host's frames and streams traffic once the link is up), the escape back to the
// online command state, NO CARRIER when the call is lost, and the call's end when the last host
// closes the port (the hang-up a real card sees when DTR drops).

#include "sim/DataLine.h"

#include "sim/SimulatorImpl.h"

namespace dedevev::sim {

void DataLine::Start(Clock::time_point now) {
    online_ = true;
    last_byte_ = now;
    pluses_ = 0;
    escape_due_ = Clock::time_point::max();
}

void DataLine::Stop() {
    online_ = false;
    pluses_ = 0;
    escape_due_ = Clock::time_point::max();
}

void DataLine::Receive(std::string_view bytes, Clock::time_point now,
                       std::chrono::milliseconds guard) {
    if (!online_)
        return;
    for (char c : bytes) {
        ++link_bytes_;
        const bool quiet_before = now - last_byte_ >= guard;
        if (escape_due_ != Clock::time_point::max()) {
            escape_due_ = Clock::time_point::max();  // more bytes: it was data after all
            pluses_ = 0;
        }
        if (c != '+')
            pluses_ = 0;
        else if (pluses_ > 0 && (!quiet_before || guard.count() == 0))
            ++pluses_;
        else
            pluses_ = quiet_before ? 1 : 0;
        if (pluses_ == 3)
            escape_due_ = now + guard;
        last_byte_ = now;
    }
}

bool DataLine::TakeEscape(Clock::time_point now) {
    if (!online_ || escape_due_ > now)
        return false;
    Stop();
    return true;
}

// ---- The card's side

bool CardSimulator::Impl::DataOnline() const {
    const std::optional<DataCall>& data = card_.Calls().Data();
    return data && data->online;
}

std::chrono::milliseconds CardSimulator::Impl::DataGuard() const {
    return std::chrono::milliseconds(20 * ports_[kDataPort].session->Settings().s12);
}

void CardSimulator::Impl::LinkReceive(const std::string& bytes, Clock::time_point now) {
    if (bytes.empty())
        return;
    data_line_.Receive(bytes, now, DataGuard());
    ports_[kDataPort].pty.Write(peer_.Receive(bytes, now));
    if (peer_.TakeRefused())
        card_.Calls().EndData(true);  // the network ends a link it did not authenticate
}

void CardSimulator::Impl::ReceiveData(const std::string& bytes) {
    ServeDataLine();  // an escape that came due before these bytes, a call that went online
    if (data_line_.Online())
        LinkReceive(bytes, Clock::now());
    else
        ports_[kDataPort].session->Receive(bytes);
}

void CardSimulator::Impl::ServeDataLine() {
    // What the network's end may hold up in the port's outbox: a host that does not read
    // holds the stream up instead of losing what was counted as sent.
    constexpr std::size_t kStreamRoom = 16 * 1024;
    Port& port = ports_[kDataPort];
    if (!port.pty.IsOpen())
        return;
    const Clock::time_point now = Clock::now();
    const std::optional<DataCall>& data = card_.Calls().Data();
    if (!data || data->serial != peer_call_) {
        peer_.Reset();  // a new call, or none: nothing is authenticated
        peer_call_ = data ? data->serial : 0;
    }
    const bool online = DataOnline();
    if (online && !data_line_.Online()) {
        data_line_.Start(now);
        // What the host sent right behind the dial belongs to the link already.
        LinkReceive(port.session->TakeInput(), now);
    } else if (!online && data_line_.Online()) {
        data_line_.Stop();
    }
    if (card_.Calls().TakeCarrierLost())
        SendUnsolicited(kDataPort, "NO CARRIER");
    if (data_line_.TakeEscape(now)) {
        if (mute_) {
            data_line_.Start(now);  // a mute card lets the escape pass by
        } else {
            card_.Calls().SetDataOnline(false);
            SendUnsolicited(kDataPort, "OK");
        }
    }
    if (data_line_.Online()) {
        const std::size_t pending = port.pty.Pending();
        port.pty.Write(peer_.Stream(now, pending < kStreamRoom ? kStreamRoom - pending : 0));
    }
}

void CardSimulator::Impl::DataHostsLeft() {
    card_.Calls().EndData(false);
    data_line_.Stop();
    ports_[kDataPort].session->TakeInput();  // a half-typed command goes with its host
}

std::string CardSimulator::Impl::DataControl(const std::vector<std::string>& w, bool* handled) {
    *handled = true;
    const std::size_t argc = w.size() - 1;
    auto rate = [](const std::string& word, std::uint32_t* value) {
        if (word.empty() || word.size() > 9 ||
            word.find_first_not_of("0123456789") != std::string::npos)
            return false;
        *value = static_cast<std::uint32_t>(std::stoul(word));
        return *value <= 100000000;
    };
    if (w[0] == "data-rate") {
        std::uint32_t down = 0;
        std::uint32_t up = 0;
        if (argc != 2 || !rate(w[1], &down) || !rate(w[2], &up))
            return "ERR usage: data-rate <down B/s> <up B/s> (0-100000000)";
        peer_.SetRates(down, up);
        return "OK";
    }
    if (w[0] == "data-auth") {
        if (argc != 1 || (w[1] != "accept" && w[1] != "refuse"))
            return "ERR usage: data-auth accept|refuse";
        peer_.SetAccept(w[1] == "accept");
        return "OK";
    }
    *handled = false;
    return {};
}

}  // namespace dedevev::sim
