#include "resources/views/PhoneNumEdit.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>

namespace dedevev {

CPhoneNumEdit::CPhoneNumEdit(QWidget* parent) : QLineEdit(parent) {
    setAcceptDrops(false);  // dropped text would bypass the character check
}

bool CPhoneNumEdit::IsAllowed(QChar c) {
    return (c >= u'0' && c <= u'9') || c == u'*' || c == u'#' || c == u'+';
}

void CPhoneNumEdit::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Paste)) {
        Paste();
        return;
    }
    // With Control held every key goes on (copy, cut, select all, undo).
    if (event->modifiers() & Qt::ControlModifier) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    const QString text = event->text();
    const bool printable = !text.isEmpty() && text.at(0).isPrint();
    if (printable && !(text.size() == 1 && Allows(text.at(0)))) {
        event->accept();  // dropped
        return;
    }
    // Allowed characters, backspace, and keys that type nothing (caret movement, Enter,
    // Escape, Tab) behave as usual.
    QLineEdit::keyPressEvent(event);
}

void CPhoneNumEdit::Paste() {
    if (isReadOnly())
        return;
    const QString text = QApplication::clipboard()->text();
    if (text.isEmpty())
        return;
    for (QChar c : text) {
        if (!Allows(c))
            return;
    }
    if (hasSelectedText()) {
        insert(text);
        return;
    }
    for (QChar c : text)
        insert(QString(c));  // one by one, as if typed
}

void CPhoneNumEdit::InsertKey(QChar key) {
    QString current = text();
    const int caret = cursorPosition();
    if (key == u'C') {
        if (caret > 0) {
            current.remove(caret - 1, 1);
            setText(current);
            setCursorPosition(caret - 1);
        }
    } else if (key == u'H') {
        clear();
    } else {
        current.insert(caret, key);
        setText(current);
        setCursorPosition(std::min(caret + 1, static_cast<int>(text().size())));
    }
    setFocus();
}

void CPhoneNumEdit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu();
    for (QAction* action : menu->actions()) {
        if (action->objectName() == "edit-paste") {
            action->disconnect();
            connect(action, &QAction::triggered, this, &CPhoneNumEdit::Paste);
        }
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void CPhoneNumEdit::mouseReleaseEvent(QMouseEvent* event) {
    // The middle button would paste the X selection unchecked.
    if (event->button() == Qt::MiddleButton) {
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

}  // namespace dedevev
