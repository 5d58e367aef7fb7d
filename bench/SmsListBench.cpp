// Showing a PC box of 10,000 messages in its message list (the messages read from the box; for
// the rows on screen, the name looked up over a PC phonebook of 3,000 contacts and the time
// written out; those rows drawn) next to filling the same kind of Qt list with the same texts,
// made beforehand as the program's wide strings, without lookups, in the same run. The aim:
// less than 1.5 times the plain list. Also measured, outside the aim: every row of the box made
// (a name looked up for each), as scrolling through the whole list does.
//
//   QT_QPA_PLATFORM=offscreen ./build/default/bin/dedevev_bench_sms_list

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "bench/LeastTimes.h"
#include "core/GlobalService.h"
#include "phonebook/NameMappingPB.h"
#include "resources/views/QtSkin.h"
#include "sms/SMSBoxPC.h"
#include "sms/views/SMSList.h"

namespace {

using namespace dedevev;

constexpr int kMessages = 10'000;
constexpr int kContacts = 3'000;

std::string Digits(std::mt19937& random, int count) {
    std::string s;
    for (int i = 0; i < count; ++i)
        s += static_cast<char>('0' + random() % 10);
    return s;
}

struct Fixture {
    CPhonebookPC book;
    CNameMappingPCPB pc{book, false};
    CNameMapping names;
    CSMSBoxPC box;

    Fixture() {
        std::mt19937 random(42);
        std::vector<std::string> subscribers;
        for (int i = 0; i < kContacts; ++i) {
            subscribers.push_back("8" + Digits(random, 9 + static_cast<int>(random() % 2)));
            PCContact c;
            c.name = u"Contact " + QString::number(i).toStdU16String();
            c.mobile =
                QString::fromStdString((i % 2 ? "0" : "+62") + subscribers.back()).toStdU16String();
            bool existed = false;
            book.Add(c, &existed);
        }
        names.AddChild(&pc);
        // Senders in the international form, in the local one, bare, and a quarter strangers.
        for (int i = 0; i < kMessages; ++i) {
            SMSMessage m;
            const std::string& known = subscribers[random() % subscribers.size()];
            m.number = i % 4 == 0   ? "+62" + known
                       : i % 4 == 1 ? "0" + known
                       : i % 4 == 2 ? known
                                    : "+628" + Digits(random, 9);
            m.text = "Message " + std::to_string(i) +
                     ": the quick brown fox jumps over the lazy dog, twice over.";
            m.time = {2026, 1 + i % 12, 1 + i % 28, i % 24, i % 60, (i * 7) % 60};
            m.status = i % 3 == 0 ? kSmsUnread : kSmsRead;
            bool existed = false;
            box.Add(m, &existed);
        }
    }
    ~Fixture() { names.RemoveChild(&pc); }
};

Fixture& Shared() {
    static Fixture fixture;
    return fixture;
}

void Draw(QTableView& list) {
    QImage image(list.size(), QImage::Format_ARGB32);
    list.render(&image);
    benchmark::DoNotOptimize(image.constBits());
}

void BM_MessageList(benchmark::State& state) {
    Fixture& f = Shared();
    CInboxList list(nullptr, &f.names);
    list.resize(565, 196);
    list.show();
    for (auto _ : state) {
        list.SetBox(&f.box);
        Draw(list);
        list.SetBox(nullptr);
    }
}
BENCHMARK(BM_MessageList)->Repetitions(5)->Unit(benchmark::kMillisecond);

// Every row made, as scrolling through the whole box would (not part of the aim).
void BM_MessageListEveryRow(benchmark::State& state) {
    Fixture& f = Shared();
    CInboxList list(nullptr, &f.names);
    for (auto _ : state) {
        list.SetBox(&f.box);
        for (int row = 0; row < list.Count(); ++row)
            benchmark::DoNotOptimize(list.Model()->RowAt(row));
        list.SetBox(nullptr);
    }
}
BENCHMARK(BM_MessageListEveryRow)->Repetitions(5)->Unit(benchmark::kMillisecond);

// The same texts, made once (names, numbers, times and contents as the program holds them),
// filled into a list of the same columns.
void BM_PlainList(benchmark::State& state) {
    Fixture& f = Shared();
    std::vector<std::vector<std::u16string>> texts;
    CSmsNames names(&f.names);
    const std::u16string format = CGlobalService::Instance().Localizer()->GetTimeFormat(u"Full");
    for (const SMSMessage& message : f.box.Messages()) {
        texts.emplace_back();
        for (const QString& cell : SmsRow(message, names.NameOf(message.number), format))
            texts.back().push_back(cell.toStdU16String());
    }
    bool filled = false;
    CPBTableModel model(
        {{"Flag", 60}, {"Name", 60}, {"Number", 80}, {"Time", 150}, {"Content", 200}},
        [&] {
            std::vector<CPBTableModel::Row> rows;
            if (!filled)
                return rows;
            rows.reserve(texts.size());
            for (const std::vector<std::u16string>& cells : texts) {
                CPBTableModel::Row row;
                row.reserve(cells.size());
                for (const std::u16string& cell : cells)
                    row.push_back(ToQString(cell));
                rows.push_back(std::move(row));
            }
            return rows;
        },
        nullptr, "DlgSMS");
    QTableView list;
    list.setModel(&model);
    SetUpPBTable(&list);
    list.resize(565, 196);
    list.show();
    for (auto _ : state) {
        filled = true;
        model.Refresh();
        Draw(list);
        filled = false;
        model.Refresh();
    }
}
BENCHMARK(BM_PlainList)->Repetitions(5)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    // The shipped English texts and time formats, as the program shows them.
    CGlobalService::Instance().SwitchLanguage(QCoreApplication::applicationDirPath().toStdString() +
                                              "/Localize/English.txt");
    benchmark::Initialize(&argc, argv);
    dedevev::bench::LeastTimesReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto shown = reporter.times.find("BM_MessageList/");
    const auto plain = reporter.times.find("BM_PlainList/");
    int result = 0;
    if (shown != reporter.times.end() && plain != reporter.times.end() && plain->second > 0) {
        const double ratio = shown->second / plain->second;
        std::printf(
            "%d messages, %d contacts (least CPU time of 5): message list %.2f ms, plain list "
            "%.2f ms, ratio %.2f (aim < 1.5: %s)\n",
            kMessages, kContacts, shown->second, plain->second, ratio,
            ratio < 1.5 ? "met" : "missed");
        result = ratio < 1.5 ? 0 : 2;
    }
    benchmark::Shutdown();
    return result;
}
