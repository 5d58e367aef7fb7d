#pragma once
// The simulated link: dials on a simulated card's data port and counts the bytes it really
// moves there.

#include <memory>

#include "device/ppp/IPppClient.h"

namespace dedevev::ppp {

std::unique_ptr<IPppClient> MakeSimulatedLink(ICDMATime* time);

}  // namespace dedevev::ppp
