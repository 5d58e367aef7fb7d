#include "phonebook/PhonebookPCJobs.h"

#include <algorithm>
#include <functional>
#include <utility>

#include "resources/Localizer.h"

namespace dedevev {

namespace {

// `positions` without repeats or negative ones, highest first.
std::vector<int> HighestFirst(std::vector<int> positions) {
    std::erase_if(positions, [](int p) { return p < 0; });
    std::sort(positions.begin(), positions.end(), std::greater<>());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    return positions;
}

}  // namespace

CThreadDeletePCPB::CThreadDeletePCPB(CPhonebookPC* phonebook, std::vector<int> positions,
                                     ILocalizer* localizer)
    : phonebook_(phonebook),
      positions_(HighestFirst(std::move(positions))),
      localizer_(localizer) {}

CThreadDeletePCPB::~CThreadDeletePCPB() {
    Join();
}

void CThreadDeletePCPB::DoJob() {
    const std::u16string text =
        localizer_ != nullptr ? localizer_->GetText(u"RemovingPB", u"DlgPB") : u"RemovingPB";
    ReportText(text);
    const int total = static_cast<int>(positions_.size());
    for (int position : positions_) {
        if (!phonebook_->RemoveAt(position))
            continue;  // gone already: nothing left to delete there
        ++deleted_;
        ReportStep(deleted_, total);
    }
}

}  // namespace dedevev
