#pragma once
// A barrier for what a card sent: the card is made to send a mark line, and once a listener
// of the AT channel hears it, every line the card sent before has been handed to the
// listeners (the channel delivers in arrival order, on one thread). Lets a test check that
// nothing unexpected followed, without waiting a fixed time.

#include <functional>
#include <string>

#include "device/at/transport/AtChannel.h"
#include "device/base/Clock.h"
#include "device/base/Event.h"
#include "support/Eventually.h"

namespace dedevev::test {

// `send_line` makes the card send one unsolicited line; true once the listeners had it.
inline bool AwaitListenersCaughtUp(at::AtChannel& channel,
                                   const std::function<void(const std::string&)>& send_line) {
    const std::string mark = "+TESTMARK";
    Event heard;
    const int id = channel.AddListener(mark, [&](const std::string&) { heard.Set(); });
    send_line(mark);
    SystemClock real;  // the hang net is real time, whatever clock the code under test has
    const bool caught_up = heard.WaitUntil(real, real.Deadline(kHangNet));
    channel.RemoveListener(id);
    return caught_up;
}

}  // namespace dedevev::test
