// The data port's line, and how the card serves it: the link after CONNECT, the escape back to
// the online command state, NO CARRIER when the call is lost, and the call's end when the last
// host closes the port (the hang-up a real card sees when DTR drops).

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

void CardSimulator::Impl::ReceiveData(const std::string& bytes) {
    ServeDataLine();  // an escape that came due before these bytes, a call that went online
    if (data_line_.Online())
        data_line_.Receive(bytes, Clock::now(), DataGuard());
    else
        ports_[kDataPort].session->Receive(bytes);
}

void CardSimulator::Impl::ServeDataLine() {
    Port& port = ports_[kDataPort];
    if (!port.pty.IsOpen())
        return;
    const Clock::time_point now = Clock::now();
    const bool online = DataOnline();
    if (online && !data_line_.Online()) {
        data_line_.Start(now);
        // What the host sent right behind the dial belongs to the link already.
        data_line_.Receive(port.session->TakeInput(), now, DataGuard());
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
}

void CardSimulator::Impl::DataHostsLeft() {
    card_.Calls().EndData(false);
    data_line_.Stop();
    ports_[kDataPort].session->TakeInput();  // a half-typed command goes with its host
}

}  // namespace dedevev::sim
