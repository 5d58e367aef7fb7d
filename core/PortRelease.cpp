#include "core/PortRelease.h"

#include <fcntl.h>
#include <poll.h>
#include <semaphore.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

#include "device/at/transport/PortOwner.h"
#include "device/base/Clock.h"

namespace dedevev {
namespace {

using std::chrono::milliseconds;

// A handle on one process that stays valid when the pid is reused (a pidfd where the kernel
// has them).
class ProcessHandle {
public:
    explicit ProcessHandle(int pid) : pid_(pid) {
#ifdef SYS_pidfd_open
        fd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#endif
    }
    ~ProcessHandle() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    ProcessHandle(const ProcessHandle&) = delete;
    ProcessHandle& operator=(const ProcessHandle&) = delete;

    bool Signal(int signal) const {
#ifdef SYS_pidfd_send_signal
        if (fd_ >= 0)
            return ::syscall(SYS_pidfd_send_signal, fd_, signal, nullptr, 0) == 0;
#endif
        return ::kill(pid_, signal) == 0;
    }
    // Waits up to `timeout` for the process to end; true when it has.
    bool WaitEnded(milliseconds timeout, IClock& clock) const {
        if (fd_ >= 0) {
            pollfd entry{fd_, POLLIN, 0};
            return clock.PollUntil(&entry, 1, clock.Deadline(timeout)) > 0;
        }
        clock.SleepFor(timeout, nullptr);
        return false;
    }

private:
    int pid_;
    int fd_ = -1;
};

// True when `holder` still runs under that name (and is not this process).
bool IsCompetitor(const at::PortHolder& holder, const std::string& program) {
    if (holder.pid == ::getpid() || holder.pty_far_end)
        return false;
    return holder.name == program || holder.comm == program;
}

// Takes the semaphore within `wait`; true when taken.
bool TakeSemaphore(sem_t* semaphore, milliseconds wait, IClock& clock) {
    const IClock::TimePoint deadline = clock.Now() + wait;
    constexpr milliseconds kStep{20};
    for (;;) {
        if (::sem_trywait(semaphore) == 0)
            return true;
        if (errno != EAGAIN && errno != EINTR)
            return false;
        if (clock.Now() >= deadline)
            return false;
        clock.SleepFor(kStep, nullptr);
    }
}

}  // namespace

PortRelease FreePortFromCompetitor(const PortReleaseOptions& options) {
    IClock& clock = options.clock != nullptr ? *options.clock : ProcessClock();
    if (options.at_port.empty() || options.program_name.empty())
        return PortRelease::kNoCompetitor;

    const at::PortHolder* competitor = nullptr;
    const std::vector<at::PortHolder> holders =
        at::FindPortHolders(options.at_port, options.program_name);
    for (const at::PortHolder& holder : holders) {
        if (IsCompetitor(holder, options.program_name)) {
            competitor = &holder;
            break;
        }
    }
    if (competitor == nullptr)
        return PortRelease::kNoCompetitor;

    // Pin the process first, then make sure it is still the one we found: the pid could
    // have been reused in between.
    ProcessHandle process(competitor->pid);
    if (at::ProcessName(competitor->pid) != competitor->name)
        return PortRelease::kGone;
    if (!process.Signal(SIGTERM))
        return PortRelease::kGone;
    clock.SleepFor(options.close_grace, nullptr);

    sem_t* semaphore = ::sem_open(options.semaphore_name.c_str(), O_CREAT, 0600, 1);
    if (semaphore == SEM_FAILED) {
        // Without the semaphore there is no hand-over to wait for: only the close request.
        return PortRelease::kHandedOver;
    }
    PortRelease result = PortRelease::kHandedOver;
    if (TakeSemaphore(semaphore, options.semaphore_wait, clock)) {
        ::sem_post(semaphore);
    } else {
        result = process.Signal(SIGKILL) ? PortRelease::kTerminated : PortRelease::kGone;
        process.WaitEnded(options.kill_grace, clock);
        // The killed program can no longer release the semaphore it held; give its count
        // back so that the next hand-over does not wait for a dead owner.
        int value = 1;
        if (::sem_getvalue(semaphore, &value) == 0 && value == 0)
            ::sem_post(semaphore);
    }
    ::sem_close(semaphore);
    return result;
}

}  // namespace dedevev
