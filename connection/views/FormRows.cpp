#include "connection/views/FormRows.h"

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

#include "resources/views/QtSkin.h"
#include "resources/views/SkinButton.h"
#include "resources/views/SkinControls.h"

namespace dedevev {

QLabel* CCaptionList::AddLabel(QWidget* parent, const char* key, const char* section,
                               const QRect& at) {
    auto* label = new CTransparentStatic(LocalQText(key, section), parent);
    label->setObjectName(QString("Label") + key);
    label->setFont(LocalFont("Normal"));
    label->setGeometry(at);
    captions_.push_back({label, key, section});
    return label;
}

QCheckBox* CCaptionList::AddCheck(QWidget* parent, const char* name, const char* key,
                                  const char* section, const QRect& at) {
    auto* box = new QCheckBox(LocalQText(key, section), parent);
    box->setObjectName(name);
    box->setFont(LocalFont("Normal"));
    box->setGeometry(at);
    captions_.push_back({box, key, section});
    return box;
}

void CCaptionList::Refresh() {
    const QFont font = LocalFont("Normal");
    for (const Caption& caption : captions_) {
        const QString text = LocalQText(caption.key.c_str(), caption.section.c_str());
        if (auto* label = qobject_cast<QLabel*>(caption.widget))
            label->setText(text);
        else if (auto* button = qobject_cast<QAbstractButton*>(caption.widget))
            button->setText(text);
        caption.widget->setFont(font);
    }
}

CGenEdit* AddEdit(QWidget* parent, const char* name, const QRect& at) {
    auto* edit = new CGenEdit(parent);
    edit->setObjectName(name);
    edit->setGeometry(at);
    return edit;
}

CSkinButtonEx* AddButton(QWidget* parent, const char* name, const char* key, const char* section) {
    auto* button = new CSkinButtonEx(parent);
    button->setObjectName(name);
    button->SetImageSet("Btn");
    button->SetCaption(key, section);
    return button;
}

void AddOkCancel(QDialog* dialog, const char* section, const QString& prefix) {
    CSkinButtonEx* ok = AddButton(dialog, (prefix + "OK").toUtf8().constData(), "BtnOK", section);
    CSkinButtonEx* cancel =
        AddButton(dialog, (prefix + "Cancel").toUtf8().constData(), "BtnCancel", section);
    const int top = dialog->height() - ok->height() - 14;
    ok->move(dialog->width() / 2 - ok->width() - 8, top);
    cancel->move(dialog->width() / 2 + 8, top);
    QObject::connect(ok, &QAbstractButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QAbstractButton::clicked, dialog, &QDialog::reject);
}

CGenEdit* AddIpEdit(QWidget* parent, const char* name, const QRect& at) {
    CGenEdit* edit = AddEdit(parent, name, at);
    static const QRegularExpression kAddress(
        R"(^((25[0-5]|2[0-4]\d|1?\d?\d)?\.){0,3}(25[0-5]|2[0-4]\d|1?\d?\d)?$)");
    edit->setValidator(new QRegularExpressionValidator(kAddress, edit));
    edit->setMaxLength(15);
    return edit;
}

}  // namespace dedevev
