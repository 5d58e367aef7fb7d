#pragma once
// Waiting in a test for what another thread or process makes happen when nothing tells the
// test that it happened (a file appears, a process holds a port, a count goes up): the
// condition is looked at every few milliseconds. The limit is only a net against hangs: a
// slow machine makes the wait longer, never the test red.
//
//   ASSERT_TRUE(test::Eventually([&] { return !voice->Polling(); }));

#include <chrono>
#include <thread>

namespace dedevev::test {

inline constexpr std::chrono::milliseconds kHangNet{20000};

template <typename Condition>
bool Eventually(Condition condition, std::chrono::milliseconds limit = kHangNet) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return static_cast<bool>(condition());
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

}  // namespace dedevev::test
