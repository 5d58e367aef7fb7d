#include "device/ppp/PppdClient.h"

namespace dedevev::ppp {

std::unique_ptr<IPppClient> MakePppdClient(ICDMATime* time) {
    (void)time;
    return nullptr;  // not written yet
}

}  // namespace dedevev::ppp
