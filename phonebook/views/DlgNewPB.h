#pragma once
// The contact entry dialogs: a PC contact (name, three numbers, e-mail, remark) and a card
// contact (name and number). Both keep their fields within the limits the phonebooks take;
// the PC dialog refuses to close without a name or without a number.

#include "connection/views/FormRows.h"
#include "device/IPhonebook.h"
#include "mainwindow/views/ModuleWindow.h"
#include "phonebook/PhonebookPC.h"
#include "phonebook/PhonebookRules.h"

class QPlainTextEdit;

namespace dedevev {

class CGenEdit;
class CPhoneNumEdit;

class CDlgNewPBPC : public CSkinnedDialog {
    Q_OBJECT
public:
    CDlgNewPBPC(const PCContact& entry, bool editing, QWidget* parent = nullptr);

    QString Caption() const override;
    // What the fields hold now (the extra value of the contact shown is kept).
    PCContact Entry() const;

    // OK: stays open with "NameRequired" / "NumberRequired" while the entry lacks them.
    void accept() override;
    void OnLanguageChanged() override;

private:
    bool editing_;
    PCContact entry_;
    CCaptionList captions_;
    CGenEdit* name_ = nullptr;
    CPhoneNumEdit* mobile_ = nullptr;
    CPhoneNumEdit* home_ = nullptr;
    CPhoneNumEdit* office_ = nullptr;
    CGenEdit* email_ = nullptr;
    QPlainTextEdit* remark_ = nullptr;
};

class CDlgNewEmbedPB : public CSkinnedDialog {
    Q_OBJECT
public:
    CDlgNewEmbedPB(const CardContact& entry, bool editing, QWidget* parent = nullptr);

    QString Caption() const override;
    CardContact Entry() const;
    void OnLanguageChanged() override;

private:
    bool editing_;
    CCaptionList captions_;
    CGenEdit* name_ = nullptr;
    CPhoneNumEdit* number_ = nullptr;
};

// The entry dialogs as the add and edit flows take them, shown modally over `parent`.
// Unattended (DEDEVEV_MESSAGE_LOG set): logged and cancelled.
PCEntryDialog PCEntryDialogOver(QWidget* parent);
CardEntryDialog CardEntryDialogOver(QWidget* parent);

}  // namespace dedevev
