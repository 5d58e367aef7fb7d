#include "resources/views/PhoneNumEdit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>

#include "SkinTestSupport.h"

namespace dedevev {
namespace {

void Type(QWidget& widget, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(&widget, &press);
    }
}

void Key(QWidget& widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
         const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(&widget, &press);
}

TEST(PhoneNumEdit, TypingKeepsOnlyDialCharacters) {
    struct Case {
        const char* typed;
        const char* kept;
    } const cases[] = {{"0123456789", "0123456789"},
                       {"+49 (170) 12-34", "+491701234"},
                       {"*#06#", "*#06#"},
                       {"abc<b>", ""},
                       {"1\xC2\xB2"
                        "2",
                        "12"}};  // a superscript two is no digit here
    for (const Case& c : cases) {
        CPhoneNumEdit edit;
        Type(edit, QString::fromUtf8(c.typed));
        EXPECT_EQ(edit.text(), QString::fromUtf8(c.kept)) << c.typed;
    }
    CPhoneNumEdit edit;
    Type(edit, "123");
    Key(edit, Qt::Key_Backspace, Qt::NoModifier, "\b");
    EXPECT_EQ(edit.text(), "12");
    Key(edit, Qt::Key_Left);
    Type(edit, "9");
    EXPECT_EQ(edit.text(), "192");
    Key(edit, Qt::Key_A, Qt::ControlModifier, "\x01");  // Control keys go on: select all
    EXPECT_EQ(edit.selectedText(), "192");
}

TEST(PhoneNumEdit, PasteTakesOnlyAllowedTextWhole) {
    struct Case {
        const char* before;
        int caret;
        bool select_all;
        int max_length;
        const char* clipboard;
        const char* after;
    } const cases[] = {
        {"12", 1, false, 32767, "+49", "1+492"},   {"12", 2, false, 32767, "12-34", "12"},
        {"12", 2, false, 32767, "<b>1</b>", "12"}, {"12", 2, true, 32767, "*#", "*#"},
        {"12", 2, true, 32767, "a", "12"},         {"123", 3, false, 5, "4567", "12345"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.clipboard);
        CPhoneNumEdit edit;
        edit.setMaxLength(c.max_length);
        edit.setText(c.before);
        edit.setCursorPosition(c.caret);
        if (c.select_all)
            edit.selectAll();
        QApplication::clipboard()->setText(c.clipboard);
        Key(edit, Qt::Key_V, Qt::ControlModifier, "\x16");
        EXPECT_EQ(edit.text(), c.after);
    }
}

TEST(PhoneNumEdit, KeypadInsertsDeletesAndClears) {
    struct Case {
        const char* before;
        int caret;
        bool select_all;
        char key;
        const char* after;
        int caret_after;
    } const cases[] = {
        {"123", 3, false, 'C', "12", 2},   {"123", 1, false, 'C', "23", 0},
        {"123", 0, false, 'C', "123", 0},  {"123", 2, false, 'H', "", 0},
        {"123", 1, false, '5', "1523", 2}, {"", 0, false, '#', "#", 1},
        {"123", 3, true, '9', "1239", 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.before) + " " + c.key);
        CPhoneNumEdit edit;
        edit.setText(c.before);
        edit.setCursorPosition(c.caret);
        if (c.select_all) {
            edit.setSelection(0, 3);
            ASSERT_EQ(edit.cursorPosition(), c.caret);
        }
        edit.InsertKey(QChar(c.key));
        EXPECT_EQ(edit.text(), c.after);
        EXPECT_EQ(edit.cursorPosition(), c.caret_after);
    }
}

}  // namespace
}  // namespace dedevev
