#include "phonebook/PhonebookTransfer.h"

#include <algorithm>
#include <chrono>
#include <functional>

#include "core/MessageBox.h"
#include "phonebook/PhonebookWorkers.h"
#include "resources/Localizer.h"

namespace dedevev {

namespace {

// Deletes PC contacts from the highest position down.
class CThreadDeletePCPB : public CThreadProgress {
public:
    CThreadDeletePCPB(CPhonebookPC& pc, std::vector<int> positions, ILocalizer* localizer)
        : pc_(pc), positions_(std::move(positions)), localizer_(localizer) {
        std::sort(positions_.begin(), positions_.end(), std::greater<int>());
        positions_.erase(std::unique(positions_.begin(), positions_.end()), positions_.end());
    }
    ~CThreadDeletePCPB() override { Join(); }
    int Deleted() const { return deleted_; }

protected:
    void DoJob() override {
        ReportText(PhonebookText(localizer_, u"RemovingPB"));
        const int total = static_cast<int>(positions_.size());
        int done = 0;
        for (int position : positions_) {
            if (pc_.RemoveAt(position))
                ++deleted_;
            ReportStep(++done, total);
        }
    }

private:
    CPhonebookPC& pc_;
    std::vector<int> positions_;
    ILocalizer* localizer_;
    int deleted_ = 0;
};

}  // namespace

bool LoadCardPhonebook(IPhonebook& book, const std::u16string& not_ready_key, ILocalizer* localizer,
                       const ProgressRunner& run) {
    if (book.IsLoaded())
        return true;
    CThreadLoadPB job(&book, localizer);
    run(job);
    if (book.IsLoaded())
        return true;
    if (!not_ready_key.empty())
        ShowMessage(PhonebookText(localizer, not_ready_key));
    return false;
}

int DeleteCardContacts(IPhonebook& book, std::vector<int> positions, ILocalizer* localizer,
                       const ProgressRunner& run) {
    if (positions.empty())
        return 0;
    CThreadDeletePB job(&book, std::move(positions), localizer);
    run(job);
    if (job.Refused()) {
        const std::u16string caption =
            localizer == nullptr ? u"DEDEVev" : localizer->GetText(u"DEDEVev", u"");
        ShowMessage(PhonebookText(localizer, u"RemovePBFail"), caption, kMbOk | kMbIconError);
    }
    return job.Deleted();
}

int DeletePCContacts(CPhonebookPC& pc, std::vector<int> positions, ILocalizer* localizer,
                     const ProgressRunner& run) {
    if (positions.empty())
        return 0;
    CThreadDeletePCPB job(pc, std::move(positions), localizer);
    run(job);
    return job.Deleted();
}

TransferOutcome TransferCardContacts(CPhonebookPC& pc, IPhonebook& book, std::vector<int> positions,
                                     bool move, ILocalizer* localizer, const ProgressRunner& run) {
    TransferOutcome outcome;
    if (positions.empty())
        return outcome;
    CThreadCopyPCPB copy(&pc, &book, true, std::move(positions), localizer);
    run(copy);
    outcome.added = copy.Added();
    outcome.placed = static_cast<int>(copy.Placed().size());
    outcome.interrupted = copy.Interrupted();
    // A move deletes only what the PC phonebook now holds: a contact the copy never reached
    // stays on the card.
    if (move)
        outcome.deleted = DeleteCardContacts(book, copy.Placed(), localizer, run);
    return outcome;
}

}  // namespace dedevev
