#include "sms/SMSTransfer.h"

#include <algorithm>
#include <functional>
#include <utility>

#include "core/MessageBox.h"
#include "resources/Localizer.h"
#include "sms/SMSWorkers.h"

namespace dedevev {

namespace {

std::u16string AppCaption(ILocalizer* localizer) {
    return localizer == nullptr ? u"DEDEVev" : localizer->GetText(u"DEDEVev", u"");
}

void ShowWarning(ILocalizer* localizer, const std::u16string& key) {
    ShowMessage(SmsText(localizer, key), AppCaption(localizer), kMbOk | kMbIconExclamation);
}

// Positions without repeats and without negative ones, in the order `before` gives.
template <typename Before>
std::vector<int> Ordered(std::vector<int> positions, Before before) {
    positions.erase(std::remove_if(positions.begin(), positions.end(), [](int p) { return p < 0; }),
                    positions.end());
    std::sort(positions.begin(), positions.end(), before);
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    return positions;
}

// Runs the delete job and shows "DelFail" when the card refused one. The number deleted.
int RunRemove(CThreadRemoveMsg& job, ILocalizer* localizer, const ProgressRunner& run) {
    run(job);
    if (job.Refused())
        ShowMessage(SmsText(localizer, u"DelFail"), SmsText(localizer, u"Delete"),
                    kMbOk | kMbIconError);
    return job.Deleted();
}

}  // namespace

bool LoadCardBox(IMessageBox& box, ILocalizer* localizer, const ProgressRunner& run,
                 const std::function<void()>& beep) {
    // The job's Load takes the box lock on the job's thread, so this thread must not hold it
    // while it waits for the job: the lock only guards the look at IsLoaded.
    {
        MessageBoxLock lock(&box);
        if (box.IsLoaded())
            return true;
    }
    CThreadLoadSMBox job(&box, localizer);
    run(job);
    if (!job.Succeeded() && beep)
        beep();
    return box.IsLoaded();
}

int DeleteCardMessages(IMessageBox& box, std::vector<int> positions, ILocalizer* localizer,
                       const ProgressRunner& run) {
    if (positions.empty())
        return 0;
    CThreadRemoveMsg job(&box, std::move(positions), localizer);
    return RunRemove(job, localizer, run);
}

int DeletePCMessages(IMessageBoxBase& box, std::vector<int> positions) {
    MessageBoxLock lock(&box);
    int deleted = 0;
    for (int position : Ordered(std::move(positions), std::greater<int>())) {
        if (position < box.GetCount() && box.RemoveAt(position))
            ++deleted;
    }
    return deleted;
}

SmsCopyOutcome CopyCardMessages(IMessageBoxBase& destination, IMessageBox& source,
                                std::vector<int> positions, bool move, ILocalizer* localizer,
                                const ProgressRunner& run) {
    SmsCopyOutcome outcome;
    bool duplicates = false;
    std::vector<std::pair<int, SMSMessage>> copied;
    {
        MessageBoxLock destination_lock(&destination);
        MessageBoxLock source_lock(&source);
        for (int position : Ordered(std::move(positions), std::less<int>())) {
            if (destination.GetCount() >= destination.GetCapacity()) {
                outcome.error_key = u"NoSpace";
                break;
            }
            // A card that went away has emptied its box: say so rather than "no space".
            if (!source.IsLoaded()) {
                outcome.error_key = u"LoadFail";
                break;
            }
            if (position >= source.GetCount()) {
                outcome.error_key = u"NoSpace";
                break;
            }
            const SMSMessage message = source.GetAt(position);
            bool existed = false;
            if (!destination.Add(message, &existed)) {
                outcome.error_key = u"CopyFail";
                break;
            }
            if (existed) {
                duplicates = true;
                ++outcome.duplicates;
            } else {
                ++outcome.added;
            }
            outcome.placed.push_back(position);
            copied.emplace_back(position, message);
        }
    }
    if (!outcome.error_key.empty())
        ShowWarning(localizer, outcome.error_key);
    else if (duplicates)
        ShowWarning(localizer, u"SMSRepeated");
    // A move deletes what the PC inbox now holds and nothing else; after the card went away
    // there is nothing left to delete, and every message is still on the card.
    if (move && !copied.empty() && source.IsLoaded()) {
        CThreadRemoveMsg job(&source, std::move(copied), localizer);
        outcome.deleted = RunRemove(job, localizer, run);
    }
    return outcome;
}

bool IsCardStorageFull(IMessageBox* box1) {
    if (box1 == nullptr)
        return false;
    const int capacity = box1->GetCapacity();
    return capacity != 0 && box1->GetCount() >= capacity;
}

}  // namespace dedevev
