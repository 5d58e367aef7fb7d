#pragma once
// The PC's end of the card's PCM voice port: a serial port in raw mode whose input is cut into
// 320-byte blocks and whose output is a bounded queue of blocks. One I/O thread per open port
// reads and writes; it never spins and ends by itself when the card goes away (read returns
// 0 or EIO, the port hangs up), telling the sink once.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "device/audio/BlockQueue.h"
#include "device/base/Clock.h"

namespace dedevev::audio {

class VoicePort {
public:
    // Called on the port's thread; returns quickly and never calls back into the port.
    class Sink {
    public:
        virtual void OnPortBlock(const Block& block) = 0;
        // The port is gone (`error` says why); no blocks come after this.
        virtual void OnPortGone(const std::string& error) = 0;

    protected:
        ~Sink() = default;
    };

    VoicePort(IClock& clock, Sink* sink);
    ~VoicePort();
    VoicePort(const VoicePort&) = delete;
    VoicePort& operator=(const VoicePort&) = delete;

    // Opens `path` raw at `baud`, 8N1, no flow control, and starts the I/O thread. False with
    // "voice port <path>: <reason>" in `error`.
    bool Open(const std::string& path, int baud, std::string* error);
    // Ends the thread and closes the port; returns at once even when the device is stuck.
    void Close();
    bool IsOpen() const { return open_; }
    // Opened, and the card has not gone away since.
    bool Alive() const { return open_ && !gone_; }

    // Queues a block for the card (the oldest waiting block goes when the queue is full).
    void Write(const Block& block);
    // Forgets the blocks waiting to go out and the part of a block read so far.
    void Resync();
    std::uint64_t DroppedOut() const { return out_.Dropped(); }

private:
    void Run();
    // False when the card is gone.
    bool ReadSome();
    bool WriteSome();
    void Gone(const std::string& reason);
    // With wake_mutex_ held.
    void Wake();

    IClock& clock_;
    Sink* const sink_;
    std::string path_;
    int fd_ = -1;
    int wake_[2] = {-1, -1};
    std::thread thread_;
    // Held while waking the thread, so that Close never closes the pipe under a writer.
    std::mutex wake_mutex_;
    std::atomic<bool> open_{false};
    std::atomic<bool> stop_{false};
    std::atomic<bool> gone_{false};
    std::atomic<bool> resync_{false};
    BlockQueue out_;

    // The I/O thread's own.
    Block in_{};
    std::size_t in_fill_ = 0;
    Block pending_{};
    std::size_t pending_at_ = kBlockBytes;  // kBlockBytes: nothing pending
};

}  // namespace dedevev::audio
