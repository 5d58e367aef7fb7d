#pragma once
// The long jobs on the card's message boxes, each run behind the modal progress window:
// loading a box and deleting messages from it. Texts come from the localizer's "DlgSMS"
// section.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/Thread.h"
#include "device/IMessageBox.h"

namespace dedevev {

class ILocalizer;

// Reads a card box; the progress shows each message read.
class CThreadLoadSMBox : public CThreadProgress, public IMessageBox::ILoadingReport {
public:
    CThreadLoadSMBox(IMessageBox* box, ILocalizer* localizer);
    ~CThreadLoadSMBox() override;

    void OnLoading(const SMSMessage& message, int total, int current) override;
    // After the job: whether Load reported success (status 1).
    bool Succeeded() const { return succeeded_; }

protected:
    void DoJob() override;

private:
    IMessageBox* box_;
    ILocalizer* localizer_;
    bool succeeded_ = false;
};

// Deletes card messages from the highest position down; stops at the first one the card
// refuses (those deleted before stay deleted).
class CThreadRemoveMsg : public CThreadProgress {
public:
    // `positions`: the rows to delete, in any order.
    CThreadRemoveMsg(IMessageBox* box, std::vector<int> positions, ILocalizer* localizer);
    // Deletes the messages `expected` (each paired with the position it had when it was read):
    // under the box lock each is looked for at its position, else anywhere in the box, since a
    // message arriving meanwhile moves the others; one no longer there is passed over. So a
    // move never deletes a message that was not copied.
    CThreadRemoveMsg(IMessageBox* box, std::vector<std::pair<int, SMSMessage>> expected,
                     ILocalizer* localizer);
    ~CThreadRemoveMsg() override;

    int Deleted() const { return deleted_; }
    // The positions deleted, highest first.
    const std::vector<int>& DeletedPositions() const { return deleted_positions_; }
    // Whether the card refused one (or went away): the caller shows "DelFail".
    bool Refused() const { return refused_; }

protected:
    void DoJob() override;

private:
    // Where the message meant for `slot` of the walk stands now; -1 when it is gone.
    int CurrentPosition(std::size_t slot);

    IMessageBox* box_;
    std::vector<int> positions_;
    ILocalizer* localizer_;
    std::vector<SMSMessage> expected_;  // empty, or the message meant at each position
    int deleted_ = 0;
    std::vector<int> deleted_positions_;
    bool refused_ = false;
};

// The text of `key` in section "DlgSMS" (the key itself without a localizer).
std::u16string SmsText(ILocalizer* localizer, const std::u16string& key);
// The loading text: "Loading", then "[number]" and the first 8 characters of the text when
// the number is not empty.
std::u16string SmsLoadingText(ILocalizer* localizer, const SMSMessage& message);
// The first `count` characters of `text` (a character outside the basic plane counts one and
// is never cut in half); `more` (may be null) tells whether characters followed.
std::u16string SmsTextHead(std::u16string_view text, std::size_t count, bool* more = nullptr);

}  // namespace dedevev
