#pragma once
// The USSD reply dialog: the network's text, read-only and shown literally, with a field for
// the answer. Send hands the answer on and closes; closing otherwise sends nothing.

#include <QString>

#include <functional>

#include "connection/views/FormRows.h"
#include "mainwindow/views/ModuleWindow.h"

class QPlainTextEdit;

namespace dedevev {

class CGenEdit;
class CSkinButtonEx;

class CDlgUssd : public CSkinnedDialog {
    Q_OBJECT
public:
    static constexpr int kWidth = 400;
    static constexpr int kHeight = 300;

    // `send` receives the answer when the user sends one.
    CDlgUssd(const QString& reply, std::function<void(const QString& answer)> send,
             QWidget* parent = nullptr);

    QString Caption() const override;
    void OnLanguageChanged() override;
    QString ReplyText() const;

private:
    void Send();

    std::function<void(const QString&)> send_;
    CCaptionList captions_;
    QPlainTextEdit* reply_ = nullptr;
    CGenEdit* answer_ = nullptr;
    CSkinButtonEx* send_button_ = nullptr;
    CSkinButtonEx* close_ = nullptr;
};

}  // namespace dedevev
