#pragma once
// File modes that bind even when the tests run as root.

#include <functional>

namespace dedevev::test {

// Runs `work` on a thread of its own that lacks the capabilities which let root pass over file
// modes and ownership (CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER), so that a file or
// folder made unreadable or unwritable fails for that thread as it would for any user. Linux
// keeps capabilities per thread: the rest of the process keeps its own. For an ordinary user
// nothing changes. Returns false, having run nothing, when the capabilities could not be
// dropped.
bool RunWhereFileModesBind(const std::function<void()>& work);

}  // namespace dedevev::test
