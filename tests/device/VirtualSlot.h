#pragma once
// The virtual-table slot of a virtual member function, for checking interface slot order.
// Reads the Itanium C++ ABI member-pointer layout (GCC and Clang on x86 and x86-64): a
// pointer to a virtual function holds 1 + the byte offset of its slot.

#include <cstddef>
#include <cstring>

namespace dedevev::testing {

#if defined(__x86_64__) || defined(__i386__)
constexpr bool kVirtualSlotsReadable = true;
#else
constexpr bool kVirtualSlotsReadable = false;
#endif

// The slot index, or -1 when `method` is not virtual (or the layout cannot be read).
template <typename Method>
std::ptrdiff_t VirtualSlot(Method method) {
    struct Representation {
        std::ptrdiff_t pointer;
        std::ptrdiff_t adjustment;
    };
    static_assert(sizeof(Method) == sizeof(Representation));
    if (!kVirtualSlotsReadable) {
        return -1;
    }
    Representation rep;
    std::memcpy(&rep, &method, sizeof rep);
    if ((rep.pointer & 1) == 0) {
        return -1;
    }
    return (rep.pointer - 1) / static_cast<std::ptrdiff_t>(sizeof(void*));
}

struct SlotCase {
    const char* name;
    std::ptrdiff_t actual;
    std::ptrdiff_t expected;
};

}  // namespace dedevev::testing

// Skips the current test where slots cannot be read.
#define DEDEVEV_REQUIRE_VIRTUAL_SLOTS()                                          \
    do {                                                                         \
        if (!::dedevev::testing::kVirtualSlotsReadable) {                        \
            GTEST_SKIP() << "virtual slot layout not readable on this platform"; \
        }                                                                        \
    } while (false)
