#pragma once
// Deleting PC contacts behind the progress window, from the highest position down so that
// each position still names the contact it was chosen as.

#include <vector>

#include "core/Thread.h"
#include "phonebook/PhonebookPC.h"

namespace dedevev {

class ILocalizer;

class CThreadDeletePCPB : public CThreadProgress {
public:
    CThreadDeletePCPB(CPhonebookPC* phonebook, std::vector<int> positions, ILocalizer* localizer);
    ~CThreadDeletePCPB() override;

    int Deleted() const { return deleted_; }

protected:
    void DoJob() override;

private:
    CPhonebookPC* phonebook_;
    std::vector<int> positions_;
    ILocalizer* localizer_;
    int deleted_ = 0;
};

}  // namespace dedevev
