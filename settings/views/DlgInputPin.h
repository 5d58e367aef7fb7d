#pragma once
// The PIN dialog: shows the PIN attempts left and yields the PIN.

#include "settings/views/PinDialogs.h"

namespace dedevev {

class CDlgInputPin : public CPinDialogBase {
    Q_OBJECT
public:
    explicit CDlgInputPin(int attempts, QWidget* parent = nullptr);

    std::string Result() const;
    // OK: stays open with "ShortPin" while the PIN has fewer than 4 digits.
    void accept() override;

private:
    CGenEdit* pin_ = nullptr;
};

}  // namespace dedevev
