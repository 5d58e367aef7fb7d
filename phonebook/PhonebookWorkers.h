#pragma once
// The long phonebook jobs, each run behind the modal progress window: loading a card
// phonebook, deleting card contacts, and copying card contacts into the PC phonebook.
// Texts come from the localizer's "DlgPB" section.

#include <string>
#include <vector>

#include "core/Thread.h"
#include "device/IPhonebook.h"
#include "phonebook/PhonebookPC.h"

namespace dedevev {

class ILocalizer;

// Reads a card phonebook; the progress shows each contact read.
class CThreadLoadPB : public CThreadProgress, public IPhonebook::ILoadingReport {
public:
    CThreadLoadPB(IPhonebook* phonebook, ILocalizer* localizer);
    ~CThreadLoadPB() override;

    void OnLoading(const CardContact& contact, int total, int current) override;
    // After the job: whether the phonebook counts as loaded.
    bool Loaded() const { return loaded_; }

protected:
    void DoJob() override;

private:
    IPhonebook* phonebook_;
    ILocalizer* localizer_;
    bool loaded_ = false;
};

// Deletes card contacts from the highest position down; stops at the first one the card
// refuses (those deleted before stay deleted).
class CThreadDeletePB : public CThreadProgress {
public:
    CThreadDeletePB(IPhonebook* phonebook, std::vector<int> positions, ILocalizer* localizer);
    ~CThreadDeletePB() override;

    int Deleted() const { return deleted_; }
    // Whether the card refused one (or went away): the caller shows "RemovePBFail".
    bool Refused() const { return refused_; }

protected:
    void DoJob() override;

private:
    IPhonebook* phonebook_;
    std::vector<int> positions_;
    ILocalizer* localizer_;
    int deleted_ = 0;
    bool refused_ = false;
};

// Copies card contacts (ascending positions) into the PC phonebook as name + mobile; a same
// contact already there is left alone.
class CThreadCopyPCPB : public CThreadProgress {
public:
    CThreadCopyPCPB(CPhonebookPC* pc_phonebook, IPhonebook* card_phonebook, bool from_card,
                    std::vector<int> positions, ILocalizer* localizer);
    ~CThreadCopyPCPB() override;

    // The card positions whose contact is now in the PC phonebook (added, or there already),
    // ascending: a move deletes only these.
    const std::vector<int>& Placed() const { return placed_; }
    int Added() const { return added_; }
    // Whether the card went away (a position no longer there) before every contact was read.
    bool Interrupted() const { return interrupted_; }

protected:
    void DoJob() override;

private:
    // Whether the card book is still loaded and holds `position`.
    bool StillHolds(int position) const;

    CPhonebookPC* pc_phonebook_;
    IPhonebook* card_phonebook_;
    bool from_card_;
    std::vector<int> positions_;
    ILocalizer* localizer_;
    std::vector<int> placed_;
    int added_ = 0;
    bool interrupted_ = false;
};

// The text of `key` in section "DlgPB" (the key itself without a localizer).
std::u16string PhonebookText(ILocalizer* localizer, const std::u16string& key);

// The texts the jobs show, for the progress window and for tests.
std::u16string LoadingText(ILocalizer* localizer, const CardContact& contact);
std::u16string RemovingText(ILocalizer* localizer, const CardContact& contact);
std::u16string CopyingText(ILocalizer* localizer, std::u16string_view name);

}  // namespace dedevev
