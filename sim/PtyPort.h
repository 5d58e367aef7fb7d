#pragma once
// One port of the card on a pseudo-terminal. The card keeps its own descriptor of the
// terminal side open so that hosts may come and go without the port hanging up, and sets
// that side raw. Closing the port hangs it up for every host that has it open.

#include <string>
#include <string_view>

namespace dedevev::sim {

class PtyPort {
public:
    PtyPort() = default;
    ~PtyPort() { Close(); }
    PtyPort(const PtyPort&) = delete;
    PtyPort& operator=(const PtyPort&) = delete;

    bool Open(std::string* error);
    void Close();
    bool IsOpen() const { return master_ >= 0; }
    int Fd() const { return master_; }
    const std::string& Path() const { return path_; }

    // Appends what hosts wrote to `into`; false when nothing could be read.
    bool Read(std::string* into);
    // Sends bytes; what the terminal does not take now waits for Flush (POLLOUT). A host that
    // never reads cannot make the card wait: beyond 64 KiB waiting, the oldest bytes go.
    void Write(std::string_view bytes);
    void Flush();
    bool HasPending() const { return !outbox_.empty(); }
    std::size_t Pending() const { return outbox_.size(); }

    // Follows the hosts that open and close the port (inotify on its path; the card's own
    // descriptor does not count). WatchFd() becomes readable when one did; -1 without a
    // watch. False when the system cannot watch the port.
    bool WatchHosts();
    int WatchFd() const { return watch_fd_; }
    // Takes the open and close events; true when the last host closed the port.
    bool TakeHostEvents();

private:
    int master_ = -1;
    int watch_fd_ = -1;
    int hosts_ = 0;
    int slave_ = -1;
    std::string path_;
    std::string outbox_;
};

}  // namespace dedevev::sim
