#pragma once
// The pppd driver: runs /usr/sbin/pppd on a real card's data port and follows its log and the
// link's interface.

#include <memory>

#include "device/ppp/IPppClient.h"

namespace dedevev::ppp {

std::unique_ptr<IPppClient> MakePppdClient(ICDMATime* time);

}  // namespace dedevev::ppp
