// Entry points of the modem library for a build without card support: the modem object
// never opens. Linked only when device/at provides no entry points of its own.

#include "device/IModemAgent.h"
#include "device/null/NullObjects.h"

namespace dedevev {

IModemAgent* CreateModemAgent() { return new CNullModemAgent(); }

void ReleaseModemAgent(IModemAgent* agent) { delete agent; }

}  // namespace dedevev
