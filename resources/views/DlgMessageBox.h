#pragma once
// The skinned message box every message of the program goes through, and the window
// layer's implementation of the model's ShowMessage.

#include <QDialog>
#include <QPoint>
#include <QString>

#include "core/MessageBox.h"

class QLabel;

namespace dedevev {

class CSkinButtonEx;

class CDlgMessageBox : public QDialog {
    Q_OBJECT
public:
    // Results are kMsgFirst / kMsgSecond; closing the box answers kMsgSecond.
    CDlgMessageBox(const QString& text, unsigned flags, QWidget* parent = nullptr);

    MessageButtons Buttons() const { return ButtonsOf(flags_); }
    MessageBoxIcon Icon() const { return IconOf(flags_); }
    int DefaultResult() const { return DefaultResultOf(flags_); }

    void reject() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The box's title: "Title" of the language, or the product name before there is one.
    static QString Title();
    // A button with the caption `key`, or `fallback` while no language has that text.
    CSkinButtonEx* AddButton(const char* key, const char16_t* fallback, int result);
    void AddButtonPair(const char* first_key, const char16_t* first_fallback,
                       const char* second_key, const char16_t* second_fallback, QPoint shift);

    unsigned flags_;
    QLabel* icon_ = nullptr;
    QLabel* text_ = nullptr;
    bool dragging_ = false;
    QPoint drag_offset_;
};

// The skin entry name of the icon shown for `icon` ("MsgInfo", "MsgQuestion", ...).
const char* MessageIconName(MessageBoxIcon icon);

// Installs the skinned box as the model's message box (once per process). With the
// environment variable DEDEVEV_MESSAGE_LOG set, messages are not shown: each is appended to
// that file as "message\t<icon>\t<caption>\t<text>" (line breaks written as "\n") and
// answered with its default button, for tests and unattended runs.
void InstallSkinnedMessageBox();

// Asks before the selected items of a list are deleted ("MsgDelConfirm", caption "Delete" of
// `section`) when the "ConfirmDelete" option is on; true to go on.
bool ConfirmDeleteSelected(const char* section);
// Asks, always, before every item of a list is deleted ("MsgClearConfirm", caption "Clear" of
// `section`); true to go on.
bool ConfirmClearAll(const char* section);

}  // namespace dedevev
