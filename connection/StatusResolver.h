#pragma once
// Status texts of the dial-up session on their way to the screen: each is checked against the
// card's service state (StatusWithService) on a worker thread of its own, so that a card that
// answers slowly or not at all holds up only the texts, never the window. Texts come out in
// the order they went in.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>

namespace dedevev {

class CStatusResolver {
public:
    // The card's service state, or nothing when the card did not answer.
    using Query = std::function<std::optional<int>()>;
    // Where the text to show goes (called on the worker thread).
    using Sink = std::function<void(const std::u16string& text, bool ok)>;

    CStatusResolver(Query query, Sink sink);
    // Waits for the text being checked; the texts still waiting are dropped.
    ~CStatusResolver();
    CStatusResolver(const CStatusResolver&) = delete;
    CStatusResolver& operator=(const CStatusResolver&) = delete;

    // Queues `text` (`ok` false: an error) and returns at once.
    void Show(std::u16string text, bool ok);

private:
    void Run();

    Query query_;
    Sink sink_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::pair<std::u16string, bool>> waiting_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace dedevev
