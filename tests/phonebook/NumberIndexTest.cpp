#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/phonebook/RandomNumbers.h"

namespace dedevev {
namespace {

using test::Answer;
using Entry = NumberIndex::Entry;

Answer ByIndex(NumberIndex& index, const std::u16string& query) {
    Answer a;
    index.Lookup(query, &a.first, &a.second);
    return a;
}

Answer ByWalk(const NumberIndex& index, const std::u16string& query) {
    Answer a;
    index.Scan(query, &a.first, &a.second);
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

// Random phonebooks (duplicates, empty names and numbers), changed at random between lookups:
// the index always answers as the walk does, in both rules.
TEST(NumberIndex, AgreesWithTheWalk) {
    test::RandomNumbers gen;
    for (int round = 0; round < 60; ++round) {
        gen.alphabet = 2 + round % 3;
        NumberIndex loose(false);
        NumberIndex exact(true);
        std::vector<std::u16string> pool{u"1"};  // numbers stored so far
        const auto pick = [&] {
            return pool[static_cast<std::size_t>(gen.Below(static_cast<int>(pool.size())))];
        };
        const auto entry = [&] {
            Entry e{gen.Below(5) == 0 ? u"" : u"n" + gen.Digits(3), {}};
            for (int i = gen.Below(3); i >= 0; --i) {
                const int kind = gen.Below(6);
                e.numbers.push_back(kind == 0 ? u"" : kind == 1 ? pick() : gen.Number());
                pool.push_back(e.numbers.back());
            }
            return e;
        };
        for (int step = 0; step < 150; ++step) {
            const int count = loose.Count();
            const int position = gen.Below(count + 1);
            const int change = gen.Below(5);
            const Entry e = entry();
            for (NumberIndex* index : {&loose, &exact}) {
                if (change <= 1)
                    index->Insert(position, e);
                else if (change == 2 && position < count)
                    index->Erase(position);
                else if (change == 3 && position < count)
                    index->Replace(position, e);
            }
            for (int q = 0; q < 8; ++q) {
                const std::u16string text = gen.QueryNear(pick());
                ASSERT_EQ(ByIndex(loose, text), ByWalk(loose, text)) << round << " " << step;
                ASSERT_EQ(ByIndex(exact, text), ByWalk(exact, text)) << round << " " << step;
            }
        }
    }
}

}  // namespace
}  // namespace dedevev
