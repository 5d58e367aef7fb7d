#pragma once
// The PUK dialog: the PUK, a new PIN and its confirmation; shows the PUK attempts left.

#include "settings/views/PinDialogs.h"

namespace dedevev {

class CDlgUnlockPUK : public CPinDialogBase {
    Q_OBJECT
public:
    explicit CDlgUnlockPUK(int puk_attempts, QWidget* parent = nullptr);

    PukEntry Result() const;
    // OK: stays open with "CodeEmpty", "PinNotSame" or "ShortPin".
    void accept() override;

private:
    CGenEdit* puk_ = nullptr;
    CGenEdit* new_ = nullptr;
    CGenEdit* confirm_ = nullptr;
};

}  // namespace dedevev
