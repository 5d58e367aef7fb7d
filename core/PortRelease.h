#pragma once
// Freeing the modem's AT port from the competing program.
//
// Only a process that has the AT port open and whose name is the competing program's is ever
// asked to close (SIGTERM) or terminated (SIGKILL); no other process is touched. The hand-over
// works through a named semaphore (count 1) that the competing program holds while it owns the
// port and releases when it lets go.

#include <chrono>
#include <string>

namespace dedevev {

class IClock;

// The name of the port hand-over semaphore (sem_open adds nothing; the leading '/' is ours).
inline constexpr const char* kPortHandOverSemaphore = "/{A65BDF41-E982-436c-9949-F7CA54A7146A}";

struct PortReleaseOptions {
    std::string at_port;       // device path of the AT port
    std::string program_name;  // the competing program's process name
    std::string semaphore_name = kPortHandOverSemaphore;
    std::chrono::milliseconds close_grace{2000};      // after the close request
    std::chrono::milliseconds semaphore_wait{10000};  // for the hand-over
    std::chrono::milliseconds kill_grace{1000};       // after terminating
    IClock* clock = nullptr;                          // null: the process clock
};

enum class PortRelease {
    kNoCompetitor,  // no process of that name holds the port: nothing done
    kHandedOver,    // asked to close, the semaphore came free in time: left running
    kTerminated,    // asked to close, did not hand over in time: killed
    kGone,          // it ended before it could be signalled
};

PortRelease FreePortFromCompetitor(const PortReleaseOptions& options);

}  // namespace dedevev
