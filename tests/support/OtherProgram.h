#pragma once
// Another program holding a port open: `sleep` with the port as its standard input, for tests
// of what the code does with a port in use. The program ends with the object.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "device/at/transport/PortOwner.h"
#include "support/Eventually.h"

extern char** environ;

namespace dedevev::test {

class OtherProgramHolding {
public:
    // Starts the program and waits until it has `path` open (a bound against hangs only).
    explicit OtherProgramHolding(const std::string& path) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, path.c_str(), O_RDWR | O_NOCTTY, 0);
        char name[] = "sleep";
        char seconds[] = "60";
        char* argv[] = {name, seconds, nullptr};
        if (::posix_spawnp(&pid_, "sleep", &actions, nullptr, argv, environ) != 0)
            pid_ = 0;
        posix_spawn_file_actions_destroy(&actions);
        if (pid_ > 0)
            Eventually([&] { return !at::FindPortHolders(path).empty(); });
    }
    ~OtherProgramHolding() { Stop(); }
    OtherProgramHolding(const OtherProgramHolding&) = delete;
    OtherProgramHolding& operator=(const OtherProgramHolding&) = delete;

    // 0 when it could not be started.
    pid_t Pid() const { return pid_; }
    // Ends the program; the port is free once this returns.
    void Stop() {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = 0;
    }

private:
    pid_t pid_ = 0;
};

}  // namespace dedevev::test
