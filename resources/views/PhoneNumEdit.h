#pragma once
// The number field of the phonebook and dial dialogs: takes only digits, "*", "#" and "+",
// by typing, pasting or the keypad. A field for other dial characters widens Allows().

#include <QLineEdit>

namespace dedevev {

class CPhoneNumEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CPhoneNumEdit(QWidget* parent = nullptr);

    static bool IsAllowed(QChar c);
    // What this field takes by typing and pasting (IsAllowed here).
    virtual bool Allows(QChar c) const { return IsAllowed(c); }
    // Takes the clipboard text when every character of it is allowed; otherwise nothing.
    void Paste();
    // The keypad: "C" deletes the character before the caret, "H" empties the field, any
    // other character is inserted at the caret (a selection is left alone). Takes the focus.
    void InsertKey(QChar key);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace dedevev
