#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "device/base/Utf.h"
#include "phonebook/NameMappingPB.h"
#include "phonebook/NameRedrawBatcher.h"
#include "support/FakeCardPhonebook.h"

namespace dedevev {
namespace {

using FakeCard = test::FakeCardPhonebook;

struct Counter : INMEventHandler {
    std::atomic<int> calls{0};
    void OnNameMappingChanged() override { ++calls; }
};

std::vector<NumberIndex::Entry> EntriesOf(const CPhonebookPC& book) {
    std::vector<NumberIndex::Entry> entries;
    for (int i = 0; i < book.GetCount(); ++i) {
        const PCContact& c = book.GetAt(i);
        entries.push_back({c.name, {c.mobile, c.office, c.home}});
    }
    return entries;
}

// The mapping answers as a plain walk over the phonebook as it stands.
void ExpectWalkAnswers(INameMapping& mapping, const std::vector<NumberIndex::Entry>& entries,
                       bool exact, const std::vector<std::u16string>& queries) {
    NumberIndex walk(exact);
    for (const NumberIndex::Entry& entry : entries)
        walk.Insert(walk.Count(), entry);
    for (const std::u16string& query : queries) {
        std::u16string name, matched, want_name, want_matched;
        mapping.Lookup(name, query, matched);
        walk.Scan(query, &want_name, &want_matched);
        ASSERT_EQ(name, want_name) << Utf16ToUtf8(query);
        ASSERT_EQ(matched, want_matched) << Utf16ToUtf8(query);
    }
}

struct Numbers {
    std::mt19937 random{7};
    int Below(int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); }
    std::u16string Number() {
        std::u16string s = Below(4) == 0 ? u"+6" : u"";
        for (int i = 3 + Below(8); i > 0; --i)
            s += static_cast<char16_t>(u'1' + Below(2));
        return s;
    }
    std::vector<std::u16string> Queries() {
        std::vector<std::u16string> queries;
        for (int i = 0; i < 12; ++i) {
            const std::u16string n = Number();
            queries.push_back(i % 3 == 0 ? n.substr(n.size() / 2) : n);
        }
        return queries;
    }
};

TEST(PhonebookNameMapping, PCMappingFollowsEveryChange) {
    for (const bool exact : {false, true}) {
        Numbers gen;
        CPhonebookPC book;
        const auto contact = [&] {
            PCContact c;
            c.name = gen.Below(5) == 0 ? u"" : u"c" + gen.Number();
            c.mobile = gen.Number();
            c.office = gen.Below(2) ? gen.Number() : u"";
            c.home = gen.Below(2) ? gen.Number() : u"";
            return c;
        };
        bool existed = false;
        for (int i = 0; i < 20; ++i)
            book.Add(contact(), &existed);
        CNameMappingPCPB mapping(book, exact);
        ExpectWalkAnswers(mapping, EntriesOf(book), exact, gen.Queries());
        Counter counter;
        mapping.AddListener(&counter);
        int changes = 0;
        for (int step = 0; step < 200; ++step) {
            const int position = gen.Below(std::max(book.GetCount(), 1));
            switch (gen.Below(3)) {
                case 0:
                    book.Add(contact(), &existed);
                    changes += existed ? 0 : 1;
                    break;
                case 1:
                    changes += book.RemoveAt(position) ? 1 : 0;
                    break;
                default:
                    changes += book.Update(position, contact()) ? 1 : 0;
                    break;
            }
            ExpectWalkAnswers(mapping, EntriesOf(book), exact, gen.Queries());
        }
        EXPECT_EQ(counter.calls, changes);
        mapping.RemoveListener(&counter);
    }
}

TEST(PhonebookNameMapping, CardMappingFollowsNoticesAndAnotherCard) {
    Numbers gen;
    const auto contact = [&] {
        return CardContact{gen.Below(5) == 0 ? "" : "c" + Utf16ToUtf8(gen.Number()),
                           Utf16ToUtf8(gen.Number())};
    };
    FakeCard card;
    for (int i = 0; i < 10; ++i)
        card.Add(contact(), nullptr);
    CNameMappingEmbedPB mapping(&card, false);
    ExpectWalkAnswers(mapping, card.Entries(), false, gen.Queries());
    Counter counter;
    mapping.AddListener(&counter);
    int changes = 0;
    for (int step = 0; step < 150; ++step) {
        const int count = card.GetCount();
        if (count == 0 || gen.Below(3) == 0)
            card.Add(contact(), nullptr);
        else if (gen.Below(2))
            card.RemoveAt(gen.Below(count));
        else
            card.Update(gen.Below(count), contact());
        ++changes;
        ExpectWalkAnswers(mapping, card.Entries(), false, gen.Queries());
    }
    EXPECT_EQ(counter.calls, changes);

    // Reading the card again: a clear is not passed on, each contact that comes back is.
    card.Load(nullptr, nullptr);
    EXPECT_EQ(counter.calls, changes + card.GetCount());
    ExpectWalkAnswers(mapping, card.Entries(), false, gen.Queries());

    // Another card: the old one is let go and heard no more.
    FakeCard other;
    other.Add({"Other", "5550001"}, nullptr);
    const int before = counter.calls;
    mapping.Rebind(&other);
    EXPECT_EQ(counter.calls, before + 1);
    EXPECT_EQ(card.ObserverCount(), 0u);
    card.Add({"Old", "5550001"}, nullptr);
    ExpectWalkAnswers(mapping, other.Entries(), false, {u"5550001", u"+625550001"});
    mapping.Rebind(nullptr);
    EXPECT_EQ(other.ObserverCount(), 0u);
    ExpectWalkAnswers(mapping, {}, false, {u"5550001"});
    mapping.RemoveListener(&counter);
}

TEST(PhonebookNameMapping, CompositeSkipsACardContactWithoutName) {
    FakeCard card;
    card.Add({"", "+625551234"}, nullptr);
    CPhonebookPC book;
    bool existed = false;
    book.Add({u"Pat", u"5551234", u"", u"", u"", u"", 0}, &existed);
    CNameMappingEmbedPB card_mapping(&card, false);
    CNameMappingPCPB pc_mapping(book, false);
    CNameMapping composite;
    composite.AddChild(&card_mapping);
    composite.AddChild(&pc_mapping);
    EXPECT_EQ(NameOrNumber(&composite, u"+625551234"), u"Pat");
    EXPECT_EQ(NameOrNumber(&composite, u"999"), u"999");
}

// A worker changes the card while lookups run: the copy ends as the card stands.
TEST(PhonebookNameMapping, LookupsWhileAWorkerChangesTheCard) {
    FakeCard card;
    CNameMappingEmbedPB mapping(&card, false);
    std::atomic<bool> done{false};
    std::thread worker([&] {
        Numbers gen;
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
    Numbers gen;
    while (!done) {
        std::u16string name, matched;
        mapping.Lookup(name, gen.Number(), matched);
    }
    worker.join();
    ExpectWalkAnswers(mapping, card.Entries(), false, gen.Queries());
}

TEST(NameRedrawBatcher, OneRedrawAfterABurst) {
    // c: a change, t: a tick. r: the redraws expected after each event.
    const struct {
        const char* events;
        const char* redraws;
    } cases[] = {
        {"ctt", "001"},        // one change: redrawn on the second tick
        {"ctctt", "00001"},    // a change between ticks starts over
        {"cccttt", "000010"},  // a burst gives one redraw; the timer is stopped after it
        {"t", "0"},            // nothing changed
        {"cttctt", "001001"},  // a later change is drawn again
    };
    for (const auto& c : cases) {
        CNameMapping mapping;
        int restarts = 0;
        int stops = 0;
        int redraws = 0;
        NameRedrawBatcher batcher(&mapping,
                                  {[&] { ++restarts; }, [&] { ++stops; }, [&] { ++redraws; }});
        std::string seen;
        for (const char* e = c.events; *e; ++e) {
            const int before = redraws;
            if (*e == 'c')
                batcher.OnNameMappingChanged();
            else
                batcher.OnTick();
            seen += redraws > before ? '1' : '0';
        }
        EXPECT_EQ(seen, c.redraws) << c.events;
        EXPECT_EQ(stops, redraws) << c.events;
        const std::string_view events(c.events);
        EXPECT_EQ(restarts, std::count(events.begin(), events.end(), 'c')) << c.events;
    }
}

}  // namespace
}  // namespace dedevev
