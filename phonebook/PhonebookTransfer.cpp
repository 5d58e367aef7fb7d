#include "phonebook/PhonebookTransfer.h"

#include <chrono>

#include "core/MessageBox.h"
#include "phonebook/PhonebookWorkers.h"
#include "resources/Localizer.h"

namespace dedevev {

namespace {

std::u16string PBText(ILocalizer* localizer, const std::u16string& key) {
    return localizer == nullptr ? key : localizer->GetText(key, u"DlgPB");
}

}  // namespace

void RunWithoutWindow(CThreadProgress& job) {
    job.SetProgressWindow(nullptr);
    if (!job.Start())
        return;
    while (!job.Wait(std::chrono::hours(1))) {
    }
}

bool LoadCardPhonebook(IPhonebook& book, const std::u16string& not_ready_key, ILocalizer* localizer,
                       const ProgressRunner& run) {
    if (book.IsLoaded())
        return true;
    CThreadLoadPB job(&book, localizer);
    run(job);
    if (book.IsLoaded())
        return true;
    if (!not_ready_key.empty())
        ShowMessage(PBText(localizer, not_ready_key));
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
        ShowMessage(PBText(localizer, u"RemovePBFail"), caption, kMbOk | kMbIconError);
    }
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
