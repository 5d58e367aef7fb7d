#pragma once
// Building the label-and-field rows of the connection pages and dialogs: captions that are read
// again when the language is switched, edit fields, and the IPv4 address field.

#include <QRect>
#include <QString>

#include <string>
#include <vector>

class QAbstractButton;
class QCheckBox;
class QDialog;
class QLabel;
class QWidget;

namespace dedevev {

class CGenEdit;
class CSkinButtonEx;

class CCaptionList {
public:
    // A label showing `key` of `section`.
    QLabel* AddLabel(QWidget* parent, const char* key, const char* section, const QRect& at);
    // A tick box captioned `key` of `section`.
    QCheckBox* AddCheck(QWidget* parent, const char* name, const char* key, const char* section,
                        const QRect& at);
    // Reads every caption again in the current language.
    void Refresh();

private:
    struct Caption {
        QWidget* widget;
        std::string key;
        std::string section;
    };
    std::vector<Caption> captions_;
};

// A single-line field called `name`.
CGenEdit* AddEdit(QWidget* parent, const char* name, const QRect& at);
// A button of the "Btn" image set called `name`, captioned `key` of `section`.
CSkinButtonEx* AddButton(QWidget* parent, const char* name, const char* key, const char* section);
// OK and Cancel ("BtnOK", "BtnCancel" of `section`, called `prefix` + "OK" / "Cancel") side
// by side at the foot of `dialog` (sized already), accepting and rejecting it.
void AddOkCancel(QDialog* dialog, const char* section, const QString& prefix);
// A field that takes an IPv4 address ("a.b.c.d", each part 0..255; parts may stay empty).
CGenEdit* AddIpEdit(QWidget* parent, const char* name, const QRect& at);

}  // namespace dedevev
