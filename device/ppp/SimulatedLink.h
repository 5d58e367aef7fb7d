#pragma once
// The simulated link: dials on a simulated card's data port (AT, ATD<number>, CONNECT), logs in
// with PAP in PPP framing and carries the card's traffic until the network drops the call, the
// card goes away or HangUp closes the port, counting the bytes it really moves there from
// CONNECT on. Its byte counters and statistics stay readable after the link ended, until the
// next Dial. Every wait goes through the process clock of the time the object was made.

#include <memory>

#include "device/ppp/IPppClient.h"

namespace dedevev::ppp {

std::unique_ptr<IPppClient> MakeSimulatedLink(ICDMATime* time);

}  // namespace dedevev::ppp
