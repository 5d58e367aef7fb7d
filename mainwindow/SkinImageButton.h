#pragma once
// A button drawn from a skin's four-state image set (normal, hover, down, disabled).

#include <QAbstractButton>
#include <QString>

namespace dedevev {

class SkinImageButton : public QAbstractButton {
    Q_OBJECT
public:
    // The four skin entry names, in the order normal, hover, down, disabled.
    SkinImageButton(QString normal, QString hover, QString down, QString disabled,
                    QWidget* parent = nullptr);
    // Re-reads the images (after a skin switch) and sizes the button by the normal image.
    void ReloadImages();
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QString names_[4];
    bool hover_ = false;
};

}  // namespace dedevev
