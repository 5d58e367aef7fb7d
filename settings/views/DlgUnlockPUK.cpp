#include "settings/views/DlgUnlockPUK.h"

#include "resources/views/SkinButton.h"
#include "resources/views/SkinControls.h"

namespace dedevev {

CDlgUnlockPUK::CDlgUnlockPUK(int puk_attempts, QWidget* parent) : CPinDialogBase("Unlock", parent) {
    setObjectName("DlgUnlockPUK");
    setFixedSize(300, 210);
    puk_ = AddCodeRow(0, "InputPUK");
    new_ = AddCodeRow(1, "NewPin");
    confirm_ = AddCodeRow(2, "ConfirmPin");
    AddCountLabel("LabelTimeRemain", "TimeRemain", puk_attempts,
                  PinLabelAt(3).adjusted(0, 0, 160, 0));
    CSkinButtonEx* ok = AddButton(this, "PinOK", "Unlock", "Security");
    CSkinButtonEx* quit = AddButton(this, "PinCancel", "Quit", "Security");
    const int top = height() - ok->height() - 14;
    ok->move(width() / 2 - ok->width() - 8, top);
    quit->move(width() / 2 + 8, top);
    connect(ok, &QAbstractButton::clicked, this, &QDialog::accept);
    connect(quit, &QAbstractButton::clicked, this, &QDialog::reject);
    puk_->setFocus();
}

PukEntry CDlgUnlockPUK::Result() const {
    return PukEntry{Code(puk_), Code(new_)};
}

void CDlgUnlockPUK::accept() {
    const std::string problem = PukProblem(Code(puk_), Code(new_), Code(confirm_));
    if (!problem.empty()) {
        Refuse(problem, problem == "CodeEmpty" && puk_->text().isEmpty() ? puk_ : new_);
        return;
    }
    CPinDialogBase::accept();
}

}  // namespace dedevev
