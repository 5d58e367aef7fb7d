// Any bytes as Phonebook.dat: reading never crashes, every contact read has a name and a
// number, and what is read survives a write and a second read unchanged (remarks over several
// lines included).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "phonebook/PhonebookPC.h"

namespace {

std::vector<dedevev::PCContact> All(const dedevev::CPhonebookPC& book) {
    std::vector<dedevev::PCContact> all;
    for (int i = 0; i < book.GetCount(); ++i) {
        if (!book.GetAt(i).IsValid())
            std::abort();
        all.push_back(book.GetAt(i));
    }
    return all;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    dedevev::CPhonebookPC read;
    read.Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    dedevev::CPhonebookPC again;
    again.Parse(read.Serialise());
    if (All(again) != All(read))
        std::abort();
    return 0;
}
