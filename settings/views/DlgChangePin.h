#pragma once
// The change-PIN dialog: old PIN, new PIN and its confirmation; shows the PIN attempts left.

#include "settings/views/PinDialogs.h"

namespace dedevev {

class CDlgChangePin : public CPinDialogBase {
    Q_OBJECT
public:
    explicit CDlgChangePin(int attempts, QWidget* parent = nullptr);

    PinChange Result() const;
    // OK: stays open with "PassMismatch" or "ShortPin"; the old PIN is the card's to check.
    void accept() override;

private:
    CGenEdit* old_ = nullptr;
    CGenEdit* new_ = nullptr;
    CGenEdit* confirm_ = nullptr;
};

}  // namespace dedevev
