#include "settings/views/DlgChangePin.h"

#include "resources/views/SkinControls.h"

namespace dedevev {

CDlgChangePin::CDlgChangePin(int attempts, QWidget* parent) : CPinDialogBase("ChangePin", parent) {
    setObjectName("DlgChangePin");
    setFixedSize(300, 210);
    old_ = AddCodeRow(0, "OldPin");
    new_ = AddCodeRow(1, "NewPin");
    confirm_ = AddCodeRow(2, "ConfirmPin");
    AddCountLabel("LabelTimeRemain", "TimeRemain", attempts, PinLabelAt(3).adjusted(0, 0, 160, 0));
    AddOkCancel(this, "Security", "Pin");
    old_->setFocus();
}

PinChange CDlgChangePin::Result() const {
    return PinChange{Code(old_), Code(new_)};
}

void CDlgChangePin::accept() {
    const std::string problem = ChangePinProblem(Code(new_), Code(confirm_));
    if (!problem.empty()) {
        Refuse(problem, new_);
        return;
    }
    CPinDialogBase::accept();
}

}  // namespace dedevev
