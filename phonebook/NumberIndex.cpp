#include <algorithm>
#include <cstdint>
#include <map>
#include <utility>

#include "phonebook/NameMappingPB.h"

// The index answers "which stored numbers match this query" without walking the phonebook.
// Every match is one of two kinds: the stored number ends the query, or the query ends the
// stored number. Kept reversed, a number's end becomes its beginning: the first kind are the
// reversed query's own prefixes, found by exact lookups, and the second kind are the reversed
// numbers that begin with the reversed query, one contiguous range in sorted order. Numbers are
// grouped by length, so that each length either matches as a whole range or not at all.
//
// Among the matches the walk returns the first (in phonebook order) of the numbers equal to the
// query, else the last match of all. Within a group equal numbers are sorted by walk order, so
// the first and the last of an equal run are at its ends; a range of different numbers asks a
// sparse table for its latest walk order.

namespace dedevev {

namespace {

// Walk order of a stored number: its entry's position, then its place among the entry's numbers.
using Order = std::uint64_t;

Order MakeOrder(std::size_t entry, std::size_t slot) {
    return (static_cast<Order>(entry) << 32) | static_cast<Order>(slot);
}

struct Item {
    std::u16string reversed;
    Order order;
};

// The stored numbers of one length, sorted by reversed number, then walk order; and a sparse
// table of the latest walk order over every run of 2^k items.
struct Group {
    std::vector<Item> items;
    std::vector<std::vector<Order>> latest;  // latest[k][i]: max order of items[i, i + 2^k)

    void Build() {
        std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
            return a.reversed != b.reversed ? a.reversed < b.reversed : a.order < b.order;
        });
        latest.assign(1, std::vector<Order>(items.size()));
        for (std::size_t i = 0; i < items.size(); ++i)
            latest[0][i] = items[i].order;
        for (std::size_t span = 2; span <= items.size(); span *= 2) {
            const std::vector<Order>& half = latest.back();
            std::vector<Order> next(items.size() - span + 1);
            for (std::size_t i = 0; i < next.size(); ++i)
                next[i] = std::max(half[i], half[i + span / 2]);
            latest.push_back(std::move(next));
        }
    }

    // The latest walk order in the non-empty range [begin, end).
    Order Latest(std::size_t begin, std::size_t end) const {
        std::size_t level = 0;
        while ((std::size_t{2} << level) <= end - begin)
            ++level;
        return std::max(latest[level][begin], latest[level][end - (std::size_t{1} << level)]);
    }

    // The items whose reversed number begins with `prefix` (all are at least that long).
    std::pair<std::size_t, std::size_t> PrefixRange(std::u16string_view prefix) const {
        const auto head = [&](const Item& item) {
            return std::u16string_view(item.reversed).substr(0, prefix.size());
        };
        const auto first = std::partition_point(
            items.begin(), items.end(), [&](const Item& item) { return head(item) < prefix; });
        const auto last = std::partition_point(
            first, items.end(), [&](const Item& item) { return head(item) == prefix; });
        return {static_cast<std::size_t>(first - items.begin()),
                static_cast<std::size_t>(last - items.begin())};
    }
};

}  // namespace

struct NumberIndex::State {
    bool exact = false;
    std::vector<Entry> entries;
    bool stale = true;
    std::map<std::size_t, Group> groups;  // by number length

    void Rebuild() {
        groups.clear();
        for (std::size_t e = 0; e < entries.size(); ++e) {
            const std::vector<std::u16string>& numbers = entries[e].numbers;
            for (std::size_t s = 0; s < numbers.size(); ++s) {
                if (numbers[s].empty())
                    continue;
                groups[numbers[s].size()].items.push_back(
                    {std::u16string(numbers[s].rbegin(), numbers[s].rend()), MakeOrder(e, s)});
            }
        }
        for (auto& [length, group] : groups)
            group.Build();
        stale = false;
    }

    void Answer(Order order, std::u16string* name, std::u16string* matched) const {
        const Entry& entry = entries[order >> 32];
        *name = entry.name;
        *matched = entry.numbers[order & 0xffffffffu];
    }
};

NumberIndex::NumberIndex(bool exact) : state_(std::make_unique<State>()) {
    state_->exact = exact;
}

NumberIndex::~NumberIndex() = default;

void NumberIndex::Insert(int position, Entry entry) {
    const auto at = std::clamp<std::size_t>(static_cast<std::size_t>(std::max(position, 0)), 0,
                                            state_->entries.size());
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
    const std::u16string reversed(query.rbegin(), query.rend());
    const std::size_t length = query.size();
    bool found = false;
    Order last = 0;
    const auto take = [&](Order order) {
        last = found ? std::max(last, order) : order;
        found = true;
    };

    // Numbers equal to the query: the first of them ends the walk.
    if (const auto group = state_->groups.find(length); group != state_->groups.end()) {
        const auto [begin, end] = group->second.PrefixRange(reversed);
        if (begin != end) {
            state_->Answer(group->second.items[begin].order, name, matched);
            return;
        }
    }
    if (state_->exact) {
        // Only a query of ten characters also finds the longer numbers that end with it.
        if (length == 10) {
            for (auto it = state_->groups.upper_bound(length); it != state_->groups.end(); ++it) {
                const auto [begin, end] = it->second.PrefixRange(reversed);
                if (begin != end)
                    take(it->second.Latest(begin, end));
            }
        }
    } else {
        // Shorter numbers that end the query, when more than half its length.
        for (auto it = state_->groups.upper_bound(length / 2);
             it != state_->groups.end() && it->first < length; ++it) {
            const std::u16string_view head = std::u16string_view(reversed).substr(0, it->first);
            const auto [begin, end] = it->second.PrefixRange(head);
            if (begin != end)
                take(it->second.items[end - 1].order);
        }
        // Longer numbers that the query ends, when shorter than twice its length.
        for (auto it = state_->groups.upper_bound(length);
             it != state_->groups.end() && it->first < 2 * length; ++it) {
            const auto [begin, end] = it->second.PrefixRange(reversed);
            if (begin != end)
                take(it->second.Latest(begin, end));
        }
    }
    if (found)
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
