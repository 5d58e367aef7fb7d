#pragma once
// The USSD page: a request field and its send button. From its creation to its destruction
// the page is the card's USSD listener, shown or not: every reply the network sends opens a
// reply dialog over whatever window is in front, also a request the network starts itself.

#include <QString>

#include <functional>
#include <memory>
#include <string>

#include "connection/views/FormRows.h"
#include "mainwindow/views/ModuleWindow.h"

class QTimer;

namespace dedevev {

class CGenEdit;
class CSkinButtonEx;
class CUssdExchange;
class CWindowMessageQueue;
class ICardService;
class IClock;
struct UssdAction;
struct WindowMessage;

// What the USSD page reaches outside itself.
struct UssdPageEnvironment {
    // The card whose USSD the page sends and hears (null: none, every request is refused).
    ICardService* card = nullptr;
    // Shows a reply over `over` and hands on the answer the user sends; empty: the modal
    // reply dialog.
    std::function<void(QWidget* over, const QString& reply,
                       std::function<void(const QString& answer)> send)>
        show_reply;
    // Null: the process clock.
    IClock* clock = nullptr;
};

// The current card's service and the reply dialog.
UssdPageEnvironment DefaultUssdPageEnvironment();

class CDlgSetUssd : public CModulePage {
    Q_OBJECT
public:
    explicit CDlgSetUssd(UssdPageEnvironment environment, QWidget* parent = nullptr);
    ~CDlgSetUssd() override;

    void OnLanguageChanged() override;
    // Sends the request field's text as it stands.
    void Send();
    // Looks whether the network has kept the user waiting too long (the page's timer).
    void CheckAnswerTime();
    CUssdExchange& Exchange() { return *exchange_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void HandleMessage(const WindowMessage& message);
    // Shows what the exchange asks for once the current event is done.
    void Show(const UssdAction& action);
    void Layout();

    UssdPageEnvironment env_;
    CCaptionList captions_;
    QWidget* text1_ = nullptr;
    QWidget* text2_ = nullptr;
    QWidget* request_label_ = nullptr;
    CGenEdit* request_ = nullptr;
    CSkinButtonEx* send_ = nullptr;
    QTimer* timer_ = nullptr;
    std::unique_ptr<CWindowMessageQueue> queue_;
    std::unique_ptr<CUssdExchange> exchange_;
};

}  // namespace dedevev
