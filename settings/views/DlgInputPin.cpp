#include "settings/views/DlgInputPin.h"

#include "resources/views/SkinControls.h"

namespace dedevev {

CDlgInputPin::CDlgInputPin(int attempts, QWidget* parent) : CPinDialogBase("Pin", parent) {
    setObjectName("DlgInputPin");
    setFixedSize(300, 150);
    AddCountLabel("LabelInputPin", "InputPin", attempts, QRect(16, 40, 268, 22));
    pin_ = AddCodeField("PinCode", QRect(16, 68, 268, 22));
    AddOkCancel(this, "Security", "Pin");
    pin_->setFocus();
}

std::string CDlgInputPin::Result() const {
    return Code(pin_);
}

void CDlgInputPin::accept() {
    const std::string problem = PinProblem(Result());
    if (!problem.empty()) {
        Refuse(problem, pin_);
        return;
    }
    CPinDialogBase::accept();
}

}  // namespace dedevev
