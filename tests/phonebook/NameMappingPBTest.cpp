#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "device/base/Utf.h"
#include "phonebook/NameRedrawBatcher.h"
#include "support/FakeCardPhonebook.h"
#include "tests/phonebook/RandomNumbers.h"

namespace dedevev {
namespace {

using Entries = std::vector<NumberIndex::Entry>;

using FakeCard = test::FakeCardPhonebook;

struct Counter : INMEventHandler {
    std::atomic<int> calls{0};
    void OnNameMappingChanged() override { ++calls; }
};

Entries Contents(const CPhonebookPC& book) {
    Entries entries;
    for (int i = 0; i < book.GetCount(); ++i) {
        const PCContact& c = book.GetAt(i);
        entries.push_back({c.name, {c.mobile, c.office, c.home}});
    }
    return entries;
}

// The mapping answers as a plain walk over the phonebook as it stands.
void ExpectWalkAnswers(INameMapping& mapping, const Entries& entries, bool exact,
                       test::RandomNumbers& gen) {
    for (int i = 0; i < 12; ++i) {
        const std::u16string query = gen.QueryNear(gen.Number());
        ASSERT_EQ(test::Ask(mapping, query), test::Walk(entries, exact, query));
    }
}

std::u16string RandomName(test::RandomNumbers& gen) {
    return gen.Below(5) == 0 ? u"" : u"c" + gen.Digits(4);
}

TEST(PhonebookNameMapping, PCMappingFollowsEveryChange) {
    for (const bool exact : {false, true}) {
        test::RandomNumbers gen;
        const auto contact = [&] {
            PCContact c;
            c.name = RandomName(gen);
            c.mobile = gen.Number();
            c.office = gen.Below(2) ? gen.Number() : u"";
            c.home = gen.Below(2) ? gen.Number() : u"";
            return c;
        };
        CPhonebookPC book;
        bool existed = false;
        for (int i = 0; i < 20; ++i)
            book.Add(contact(), &existed);
        CNameMappingPCPB mapping(book, exact);
        Counter counter;
        mapping.AddListener(&counter);
        int changes = 0;
        for (int step = 0; step < 200; ++step) {
            ExpectWalkAnswers(mapping, Contents(book), exact, gen);
            const int position = gen.Below(std::max(book.GetCount(), 1));
            if (gen.Below(3) == 0) {
                book.Add(contact(), &existed);
                changes += existed ? 0 : 1;
            } else {
                changes +=
                    (gen.Below(2) ? book.RemoveAt(position) : book.Update(position, contact())) ? 1
                                                                                                : 0;
            }
        }
        EXPECT_EQ(counter.calls, changes);
        mapping.RemoveListener(&counter);
    }
}

TEST(PhonebookNameMapping, CardMappingFollowsNoticesAndAnotherCard) {
    test::RandomNumbers gen;
    const auto contact = [&] {
        return CardContact{Utf16ToUtf8(RandomName(gen)), Utf16ToUtf8(gen.Number())};
    };
    FakeCard card;
    for (int i = 0; i < 10; ++i)
        card.Add(contact(), nullptr);
    CNameMappingEmbedPB mapping(&card, false);
    Counter counter;
    mapping.AddListener(&counter);
    for (int step = 0; step < 150; ++step) {
        ExpectWalkAnswers(mapping, card.Entries(), false, gen);
        const int count = card.GetCount();
        if (count == 0 || gen.Below(3) == 0)
            card.Add(contact(), nullptr);
        else if (gen.Below(2))
            card.RemoveAt(gen.Below(count));
        else
            card.Update(gen.Below(count), contact());
    }
    EXPECT_EQ(counter.calls, 150);

    // Reading the card again: the clear is not passed on, each contact that comes back is.
    card.Load(nullptr, nullptr);
    EXPECT_EQ(counter.calls, 150 + card.GetCount());
    ExpectWalkAnswers(mapping, card.Entries(), false, gen);

    // Another card: the old one is let go and heard no more.
    FakeCard other;
    other.Add({"Other", "5550001"}, nullptr);
    const int before = counter.calls;
    mapping.Rebind(&other);
    EXPECT_EQ(counter.calls, before + 1);
    EXPECT_EQ(card.ObserverCount(), 0u);
    card.Add({"Old", "5550001"}, nullptr);
    {
        CNameMapping composite;
        composite.AddChild(&mapping);
        EXPECT_EQ(NameOrNumber(&composite, u"+625550001"), u"Other");
        composite.RemoveChild(&mapping);  // and stops listening: the next notice must not reach it
        EXPECT_EQ(NameOrNumber(&composite, u"+625550001"), u"+625550001");
    }
    mapping.Rebind(nullptr);
    EXPECT_EQ(other.ObserverCount(), 0u);
    EXPECT_EQ(test::Ask(mapping, u"5550001"), test::Answer());
    mapping.RemoveListener(&counter);
}

// A worker changes and reloads the card while lookups run: the copy ends as the card stands.
TEST(PhonebookNameMapping, LookupsWhileAWorkerChangesTheCard) {
    FakeCard card;
    CNameMappingEmbedPB mapping(&card, false);
    std::atomic<bool> done{false};
    std::thread worker([&] {
        test::RandomNumbers gen;
        for (int step = 0; step < 400; ++step) {
            const int count = card.GetCount();
            if (count < 5 || gen.Below(2))
                card.Add({"w", Utf16ToUtf8(gen.Number())}, nullptr);
            else
                card.RemoveAt(gen.Below(count));
            if (step % 100 == 99)
                card.Load(nullptr, nullptr);
        }
        done = true;
    });
    test::RandomNumbers gen;
    while (!done)
        test::Ask(mapping, gen.Number());
    worker.join();
    ExpectWalkAnswers(mapping, card.Entries(), false, gen);
}

TEST(NameRedrawBatcher, OneRedrawAfterABurst) {
    // c: a change, t: a tick; then whether each event redrew.
    const struct {
        std::string_view events;
        std::string_view redraws;
    } cases[] = {
        {"ctt", "001"},        // one change: redrawn on the second tick
        {"ctctt", "00001"},    // a change between ticks starts over
        {"cccttt", "000010"},  // a burst gives one redraw; the timer is stopped after it
        {"t", "0"},            // nothing changed
        {"cttctt", "001001"},  // a later change is drawn again
    };
    for (const auto& c : cases) {
        CNameMapping mapping;
        int restarts = 0, stops = 0, redraws = 0;
        NameRedrawBatcher batcher(&mapping,
                                  {[&] { ++restarts; }, [&] { ++stops; }, [&] { ++redraws; }});
        std::string seen;
        for (const char e : c.events) {
            const int before = redraws;
            e == 'c' ? batcher.OnNameMappingChanged() : batcher.OnTick();
            seen += redraws > before ? '1' : '0';
        }
        EXPECT_EQ(seen, c.redraws) << c.events;
        EXPECT_EQ(stops, redraws) << c.events;
        EXPECT_EQ(restarts, std::count(c.events.begin(), c.events.end(), 'c')) << c.events;
    }
}

}  // namespace
}  // namespace dedevev
