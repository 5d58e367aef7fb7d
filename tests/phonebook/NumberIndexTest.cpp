#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "phonebook/NameMappingPB.h"

namespace dedevev {
namespace {

using Entry = NumberIndex::Entry;

struct Answer {
    std::u16string name;
    std::u16string matched;
    friend bool operator==(const Answer&, const Answer&) = default;
};

void PrintTo(const Answer& a, std::ostream* os) {
    *os << "{" << std::string(a.name.begin(), a.name.end()) << ", "
        << std::string(a.matched.begin(), a.matched.end()) << "}";
}

Answer ByIndex(NumberIndex& index, const std::u16string& query) {
    Answer a;
    index.Lookup(query, &a.name, &a.matched);
    return a;
}

Answer ByWalk(const NumberIndex& index, const std::u16string& query) {
    Answer a;
    index.Scan(query, &a.name, &a.matched);
    return a;
}

TEST(NumberIndex, MatchCases) {
    const struct {
        std::vector<Entry> book;
        std::u16string query;
        Answer loose;  // ExactNumberMatch off
        Answer exact;  // ExactNumberMatch on
    } cases[] = {
        // The stored number ends the query and is more than half as long.
        {{{u"Ann", {u"13800138000"}}}, u"+6213800138000", {u"Ann", u"13800138000"}, {}},
        {{{u"Ann", {u"8000"}}}, u"13800138000", {}, {}},
        // The query ends the stored number.
        {{{u"Ann", {u"0123456"}}}, u"123456", {u"Ann", u"0123456"}, {}},
        // A number of the query's length ends the walk; else the last match wins.
        {{{u"Long", {u"01234567"}}, {u"Short", {u"1234567"}}, {u"Later", {u"91234567"}}},
         u"1234567",
         {u"Short", u"1234567"},
         {u"Short", u"1234567"}},
        {{{u"First", {u"81234567"}}, {u"Second", {u"91234567"}}},
         u"1234567",
         {u"Second", u"91234567"},
         {}},
        // Ten characters also find longer numbers in the exact rule.
        {{{u"Ann", {u"+621234567890"}}},
         u"1234567890",
         {u"Ann", u"+621234567890"},
         {u"Ann", u"+621234567890"}},
        {{{u"Ann", {u"+62123456789"}}}, u"123456789", {u"Ann", u"+62123456789"}, {}},
        // The first equal number wins even without a name.
        {{{u"", {u"5551234"}}, {u"Bob", {u"5551234"}}},
         u"5551234",
         {u"", u"5551234"},
         {u"", u"5551234"}},
        // A contact's numbers in order: mobile, office, home.
        {{{u"Multi", {u"", u"77712345", u"12345"}}, {u"After", {u"912345"}}},
         u"12345",
         {u"Multi", u"12345"},
         {u"Multi", u"12345"}},
        {{{u"Multi", {u"512345", u"", u"712345"}}}, u"12345", {u"Multi", u"712345"}, {}},
        {{{u"Ann", {u"123"}}}, u"", {}, {}},
    };
    for (const auto& c : cases) {
        for (const bool exact : {false, true}) {
            NumberIndex index(exact);
            for (const Entry& entry : c.book)
                index.Insert(index.Count(), entry);
            const Answer& want = exact ? c.exact : c.loose;
            EXPECT_EQ(ByWalk(index, c.query), want) << "case " << (&c - cases) << " " << exact;
            EXPECT_EQ(ByIndex(index, c.query), want) << "case " << (&c - cases) << " " << exact;
        }
    }
}

// Random phonebooks over few digits, so that numbers often end one another, changed at random
// between lookups: the index always answers as the walk does.
TEST(NumberIndex, AgreesWithTheWalk) {
    std::mt19937 random(20261209);
    const auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const auto digits = [&](int length, int alphabet) {
        std::u16string s;
        for (int i = 0; i < length; ++i)
            s += static_cast<char16_t>(u'0' + below(alphabet));
        return s;
    };
    for (int round = 0; round < 60; ++round) {
        const int alphabet = 2 + round % 3;
        NumberIndex loose(false);
        NumberIndex exact(true);
        std::vector<std::u16string> pool;  // numbers stored so far, for duplicates and queries
        const auto entry = [&] {
            Entry e;
            e.name = below(5) == 0 ? u"" : u"n" + digits(2, 10);
            const int count = 1 + below(3);
            for (int i = 0; i < count; ++i) {
                std::u16string number;
                if (!pool.empty() && below(4) == 0)
                    number = pool[static_cast<std::size_t>(below(static_cast<int>(pool.size())))];
                else if (below(6) != 0)
                    number = (below(5) == 0 ? u"+" : u"") + digits(1 + below(16), alphabet);
                pool.push_back(number);
                e.numbers.push_back(number);
            }
            return e;
        };
        const auto query = [&] {
            const std::u16string base =
                pool.empty() ? digits(10, alphabet)
                             : pool[static_cast<std::size_t>(below(static_cast<int>(pool.size())))];
            switch (below(4)) {
                case 0:  // a suffix of every length
                    return base.substr(
                        static_cast<std::size_t>(below(static_cast<int>(base.size()) + 1)));
                case 1:  // a longer form
                    return (below(2) ? u"+" : u"") + digits(1 + below(8), alphabet) + base;
                case 2:
                    return base;
                default:
                    return digits(1 + below(16), alphabet);
            }
        };
        for (int step = 0; step < 150; ++step) {
            const int count = loose.Count();
            const int position = below(count + 1);
            switch (below(6)) {
                case 0:
                case 1: {
                    const Entry e = entry();
                    loose.Insert(position, e);
                    exact.Insert(position, e);
                    break;
                }
                case 2:
                    if (position < count) {
                        loose.Erase(position);
                        exact.Erase(position);
                    }
                    break;
                case 3:
                    if (position < count) {
                        const Entry e = entry();
                        loose.Replace(position, e);
                        exact.Replace(position, e);
                    }
                    break;
                default:
                    break;
            }
            for (int q = 0; q < 8; ++q) {
                std::u16string text = query();
                if (below(10) == 0) {  // ten characters, for the exact rule
                    text = text.size() >= 10
                               ? text.substr(text.size() - 10)
                               : digits(10 - static_cast<int>(text.size()), alphabet) + text;
                }
                ASSERT_EQ(ByIndex(loose, text), ByWalk(loose, text))
                    << "round " << round << " step " << step;
                ASSERT_EQ(ByIndex(exact, text), ByWalk(exact, text))
                    << "round " << round << " step " << step;
            }
        }
    }
}

}  // namespace
}  // namespace dedevev
