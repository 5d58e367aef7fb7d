// The PC phonebook of 10,000 contacts: loading and saving Phonebook.dat next to what
// /usr/bin/iconv takes to turn the same file into UTF-8 and back. The aim: load plus save at
// most 3 times the iconv round trip.
//
//   ./build/default/bin/dedevev_bench_phonebook_file

#include <string>

#include "bench/IconvRatio.h"
#include "phonebook/PhonebookPC.h"

namespace {

using dedevev::bench::Folder;

constexpr int kContacts = 10'000;

// Phonebook.dat with kContacts contacts: local and international numbers, some e-mails, some
// remarks of one to three lines, names outside ASCII now and then.
const std::string& PhonebookFile() {
    static const std::string path = [] {
        dedevev::CPhonebookPC book;
        bool existed = false;
        for (int i = 0; i < kContacts; ++i) {
            const std::u16string n = dedevev::bench::U16(std::to_string(100000 + i));
            dedevev::PCContact c;
            c.name = (i % 7 == 0 ? u"Ānanda " : u"Contact ") + n;
            c.mobile = u"+62812" + n;
            c.office = i % 3 == 0 ? u"021" + n : u"";
            c.home = i % 5 == 0 ? u"0274" + n : u"";
            c.email = i % 2 == 0 ? u"person" + n + u"@example.org" : u"";
            c.remark = i % 4 == 0   ? u"met at the fair\r\ncall after six\r\nprefers SMS"
                       : i % 4 == 1 ? u"colleague"
                                    : u"";
            book.Add(c, &existed);
        }
        const std::string file = Folder() + "Phonebook.dat";
        book.Save(file);
        return file;
    }();
    return path;
}

void BM_PhonebookLoadSave(benchmark::State& state) {
    const std::string out = Folder() + "saved.dat";
    for (auto _ : state) {
        dedevev::CPhonebookPC book;
        book.Load(PhonebookFile());
        if (book.GetCount() != kContacts || !book.Save(out))
            state.SkipWithError("load or save failed");
    }
}
BENCHMARK(BM_PhonebookLoadSave)->Unit(benchmark::kMillisecond);

void BM_IconvRoundTrip(benchmark::State& state) {
    dedevev::bench::IconvRoundTrip(state, PhonebookFile());
}
BENCHMARK(BM_IconvRoundTrip)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    const std::string what = std::to_string(kContacts) + " contacts";
    return dedevev::bench::RunAgainstIconv(argc, argv, what.c_str(), "BM_PhonebookLoadSave",
                                           "BM_IconvRoundTrip", 3.0);
}
