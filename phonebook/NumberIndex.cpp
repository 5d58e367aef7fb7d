#include <algorithm>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "phonebook/NameMappingPB.h"

// The index answers "which stored numbers match this query" without walking the phonebook.
//
// Two numbers match only when one ends with the other: the loose rule also wants the shorter
// more than half as long as the longer; the exact rule wants them equal, or a ten-character
// query at the end of a longer number. So a number of at least 2 * kTail characters only
// matches queries longer than kTail that end in the same kTail characters: such numbers are
// grouped by their last kTail characters, and a lookup tests the few numbers of the query's
// group. A shorter number is filed under itself and, for the loose rule, under each of its ends
// that a query it matches could be; a lookup asks for the query and for those of its own ends
// that such a number could be. A lookup is thus a handful of hash lookups however large the
// phonebook, and a rebuild one or a few insertions per number.
//
// Among the matches the walk returns the first (in phonebook order) of the numbers equal to the
// query, else the last match of all.

namespace dedevev {

namespace {

constexpr std::size_t kTail = 4;

// Walk order of a stored number: its entry's position, then its place among the entry's numbers.
using Order = std::uint64_t;
constexpr Order kNone = ~Order{0};

Order MakeOrder(std::size_t entry, std::size_t slot) {
    return (static_cast<Order>(entry) << 32) | static_cast<Order>(slot);
}

Order Later(Order a, Order b) {
    return a == kNone ? b : b == kNone ? a : std::max(a, b);
}

// The short numbers filed under one string.
struct Slot {
    Order first_equal = kNone;  // the first and the last number equal to it
    Order last_equal = kNone;
    Order last_longer = kNone;  // the last longer number that it ends and that matches it
};

}  // namespace

struct NumberIndex::State {
    bool exact = false;
    std::vector<Entry> entries;
    bool stale = true;
    // Built from `entries` (keys view its numbers) after every change, before being read again.
    std::unordered_map<std::u16string_view, Slot> slots;  // short numbers
    // Long numbers in one flat table, grouped by a hash of their last kTail characters and in
    // walk order within a group; group g is long_numbers[starts[g], starts[g + 1]).
    struct Long {
        std::uint64_t tail;
        Order order;
    };
    std::vector<Long> long_numbers;
    std::vector<std::uint32_t> starts;
    int group_bits = 0;

    static std::uint64_t Tail(std::u16string_view number) {
        std::uint64_t tail = 0;
        for (const char16_t c : number.substr(number.size() - kTail))
            tail = (tail << 16) | c;
        return tail;
    }
    std::size_t Group(std::uint64_t tail) const {
        return group_bits == 0
                   ? 0
                   : static_cast<std::size_t>((tail * 0x9E3779B97F4A7C15u) >> (64 - group_bits));
    }

    const std::u16string& Number(Order order) const {
        return entries[order >> 32].numbers[order & 0xffffffffu];
    }

    void File(std::u16string_view number, Order order) {
        const std::size_t n = number.size();
        if (n >= 2 * kTail) {
            long_numbers.push_back({Tail(number), order});
            return;
        }
        Slot& same = slots[number];
        if (same.first_equal == kNone)
            same.first_equal = order;
        same.last_equal = order;
        if (exact)
            return;
        // Queries of length k that this number ends with: more than half its length.
        for (std::size_t k = n / 2 + 1; k < n; ++k) {
            Slot& tail = slots[number.substr(n - k)];
            tail.last_longer = Later(tail.last_longer, order);
        }
    }

    void Rebuild() {
        slots.clear();
        long_numbers.clear();
        for (std::size_t e = 0; e < entries.size(); ++e) {
            const std::vector<std::u16string>& numbers = entries[e].numbers;
            for (std::size_t s = 0; s < numbers.size(); ++s) {
                if (!numbers[s].empty())
                    File(numbers[s], MakeOrder(e, s));
            }
        }
        // About two groups per long number; a stable counting sort keeps the walk order.
        group_bits = 0;
        while ((std::size_t{1} << group_bits) < 2 * long_numbers.size())
            ++group_bits;
        starts.assign((std::size_t{1} << group_bits) + 1, 0);
        for (const Long& number : long_numbers)
            ++starts[Group(number.tail) + 1];
        for (std::size_t g = 1; g < starts.size(); ++g)
            starts[g] += starts[g - 1];
        std::vector<Long> grouped(long_numbers.size());
        std::vector<std::uint32_t> next(starts.begin(), starts.end() - 1);
        for (const Long& number : long_numbers)
            grouped[next[Group(number.tail)]++] = number;
        long_numbers = std::move(grouped);
        stale = false;
    }

    const Slot* FindSlot(std::u16string_view key) const {
        const auto it = slots.find(key);
        return it != slots.end() ? &it->second : nullptr;
    }

    void Answer(Order order, std::u16string* name, std::u16string* matched) const {
        *name = entries[order >> 32].name;
        *matched = Number(order);
    }
};

NumberIndex::NumberIndex(bool exact) : state_(std::make_unique<State>()) {
    state_->exact = exact;
}

NumberIndex::~NumberIndex() = default;

void NumberIndex::Insert(int position, Entry entry) {
    const std::size_t at =
        std::min(static_cast<std::size_t>(std::max(position, 0)), state_->entries.size());
    state_->entries.insert(state_->entries.begin() + static_cast<std::ptrdiff_t>(at),
                           std::move(entry));
    state_->stale = true;
}

void NumberIndex::Erase(int position) {
    if (position < 0 || static_cast<std::size_t>(position) >= state_->entries.size())
        return;
    state_->entries.erase(state_->entries.begin() + position);
    state_->stale = true;
}

void NumberIndex::Replace(int position, Entry entry) {
    if (position < 0 || static_cast<std::size_t>(position) >= state_->entries.size())
        return;
    state_->entries[static_cast<std::size_t>(position)] = std::move(entry);
    state_->stale = true;
}

void NumberIndex::Clear() {
    state_->entries.clear();
    state_->stale = true;
}

int NumberIndex::Count() const {
    return static_cast<int>(state_->entries.size());
}

void NumberIndex::Lookup(const std::u16string& query, std::u16string* name,
                         std::u16string* matched) {
    name->clear();
    matched->clear();
    if (query.empty())
        return;
    if (state_->stale)
        state_->Rebuild();
    const std::u16string_view q(query);
    const std::size_t m = q.size();
    Order first_equal = kNone;  // a number equal to the query ends the walk
    Order last = kNone;
    if (const Slot* same = state_->FindSlot(q)) {
        first_equal = same->first_equal;
        last = same->last_longer;
    }
    if (!state_->exact) {
        // Short numbers that end the query, when more than half its length.
        for (std::size_t n = m / 2 + 1; n < std::min(m, 2 * kTail); ++n) {
            if (const Slot* shorter = state_->FindSlot(q.substr(m - n)))
                last = Later(last, shorter->last_equal);
        }
    }
    if (m > kTail) {
        const std::uint64_t tail = State::Tail(q);
        const std::size_t group = state_->Group(tail);
        for (std::uint32_t i = state_->starts[group]; i < state_->starts[group + 1]; ++i) {
            const State::Long& candidate = state_->long_numbers[i];
            if (candidate.tail != tail)
                continue;
            const std::u16string& number = state_->Number(candidate.order);
            if (!NumbersMatch(number, q, state_->exact))
                continue;
            if (number.size() == m && first_equal == kNone)
                first_equal = candidate.order;
            last = Later(last, candidate.order);
        }
    }
    if (first_equal != kNone)
        state_->Answer(first_equal, name, matched);
    else if (last != kNone)
        state_->Answer(last, name, matched);
}

void NumberIndex::Scan(const std::u16string& query, std::u16string* name,
                       std::u16string* matched) const {
    name->clear();
    matched->clear();
    for (const Entry& entry : state_->entries) {
        for (const std::u16string& number : entry.numbers) {
            if (!NumbersMatch(number, query, state_->exact))
                continue;
            *name = entry.name;
            *matched = number;
            if (number.size() == query.size())
                return;
        }
    }
}

}  // namespace dedevev
