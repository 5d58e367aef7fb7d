#pragma once
// The main window's status panel: the connection and card line, traffic, operator, network,
// service, address and Wi-Fi fields, the connect button and the links to the web pages. It only
// shows what the main window tells it; every value is plain text.

#include <QColor>
#include <QString>
#include <QWidget>

namespace dedevev {

class CSkinButton;
class CSkinButtonEx;
class CTransparentStatic;

class CMainPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 719;
    static constexpr int kHeight = 368;

    explicit CMainPanel(QWidget* parent = nullptr);

    // Captions, fonts and link texts of the current language.
    void RefreshTexts();

    void SetStatusText(const QString& text);
    QString StatusText() const;
    void SetStatusColor(const QColor& color);
    QColor StatusColor() const { return status_color_; }
    void SetSent(const QString& text);
    void SetReceived(const QString& text);
    void SetOperator(const QString& text);
    void SetNetwork(const QString& text);
    void SetService(const QString& text);
    void SetAddress(const QString& text);
    // Shows the Wi-Fi caption and name, or hides both.
    void ShowWifi(bool visible, const QString& caption, const QString& name);

    CSkinButtonEx* ConnectButton() const { return connect_; }
    void SetConnectCaption(const QString& caption);

signals:
    // A web link was clicked: 232, 233 or 234.
    void command(int id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Row {
        CTransparentStatic* caption = nullptr;
        CTransparentStatic* value = nullptr;
        const char* key = "";
    };
    Row AddRow(const char* key, const char* value_name);
    void Layout();

    Row status_, sent_, received_, operator_, network_, service_, address_, ssid_;
    CSkinButtonEx* connect_ = nullptr;
    CSkinButton* links_[3] = {nullptr, nullptr, nullptr};
    QColor status_color_ = Qt::white;
};

}  // namespace dedevev
