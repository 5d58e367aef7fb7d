#pragma once
// Messages from worker threads to a window. A message carries its numbers and, by value, any
// text that goes with it, so nothing a receiver reads can change or vanish after the post.

#include <cstdint>
#include <string>

namespace dedevev {

// Numbers shared with the main window.
constexpr unsigned kMsgInitDone = 1131;       // initialisation job has run (sent)
constexpr unsigned kMsgDeviceChanged = 1132;  // a device went away
constexpr unsigned kMsgSignal = 1133;         // wparam: signal level 0..31 (99 unknown)
constexpr unsigned kMsgIndicator = 1135;      // wparam: the card's indicator byte
constexpr unsigned kMsgMessageState = 1136;   // wparam: unread messages, lparam: card box full
constexpr unsigned kMsgCardState = 1138;      // wparam: ready<<16 | card type, lparam: PIN/PUK
constexpr unsigned kMsgService = 1142;        // wparam: system mode (255 unknown), lparam: state
constexpr unsigned kMsgAddress = 1143;        // wparam: IPv4 address of the dial-up link or 0
constexpr unsigned kMsgWifi = 1144;           // text: Wi-Fi name, lparam: 0 read, 1 not read
constexpr unsigned kMsgHomeNetwork = 1145;    // text: the IMSI's first six digits

struct WindowMessage {
    unsigned number = 0;
    std::uint64_t wparam = 0;
    std::int64_t lparam = 0;
    std::string text;          // narrow (UTF-8) text payload
    std::u16string wide_text;  // wide text payload

    friend bool operator==(const WindowMessage&, const WindowMessage&) = default;
};

// A window that receives messages from other threads.
class IMessageTarget {
public:
    // Queues the message for the window's own thread and returns at once. Any thread.
    virtual void Post(WindowMessage message) = 0;
    // Has the window's thread handle the message and returns when it has been handled.
    virtual void Send(WindowMessage message) = 0;

protected:
    ~IMessageTarget() = default;
};

}  // namespace dedevev
