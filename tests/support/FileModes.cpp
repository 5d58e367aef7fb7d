#include "support/FileModes.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <thread>

namespace dedevev::test {

namespace {

// Drops the capabilities from the calling thread alone: the raw system call, unlike the C
// library's set-id functions, does not spread the change to the other threads.
bool DropFileCapabilitiesOfThisThread() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (::syscall(SYS_capget, &header, data) != 0) {
        return false;
    }
    for (const unsigned cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) {
        const unsigned bit = 1u << (cap % 32);
        data[cap / 32].effective &= ~bit;
        data[cap / 32].permitted &= ~bit;
        data[cap / 32].inheritable &= ~bit;
    }
    return ::syscall(SYS_capset, &header, data) == 0;
}

}  // namespace

bool RunWhereFileModesBind(const std::function<void()>& work) {
    bool dropped = false;
    std::thread worker([&] {
        dropped = DropFileCapabilitiesOfThisThread();
        if (dropped) {
            work();
        }
    });
    worker.join();
    return dropped;
}

}  // namespace dedevev::test
