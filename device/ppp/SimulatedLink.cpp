#include "device/ppp/SimulatedLink.h"

namespace dedevev::ppp {

std::unique_ptr<IPppClient> MakeSimulatedLink(ICDMATime* time) {
    (void)time;
    return nullptr;  // not written yet
}

}  // namespace dedevev::ppp
