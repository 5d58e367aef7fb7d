#include "resources/views/DlgMessageBox.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include "resources/views/QtSkin.h"
#include "resources/views/SkinButton.h"

namespace dedevev {

namespace {

constexpr int kWidth = 300;
constexpr int kHeight = 160;
constexpr int kDragStrip = 22;
constexpr char kSection[] = "DlgMessageBox";

// The names the unattended log uses for the four icons.
const char* LogIconName(MessageBoxIcon icon) {
    switch (icon) {
        case MessageBoxIcon::kInformation:
            return "information";
        case MessageBoxIcon::kQuestion:
            return "question";
        case MessageBoxIcon::kExclamation:
            return "exclamation";
        case MessageBoxIcon::kError:
            return "stop";
    }
    return "information";
}

class CSkinnedMessageBoxUi : public IMessageBoxUi {
public:
    int ShowMessage(const std::u16string& text, const std::u16string& caption,
                    unsigned flags) override {
        const QString log_path = qEnvironmentVariable("DEDEVEV_MESSAGE_LOG");
        if (!log_path.isEmpty()) {
            QString flat = ToQString(text);
            flat.replace("\r\n", "\\n");
            flat.replace('\n', "\\n");
            QFile file(log_path);
            if (file.open(QIODevice::Append | QIODevice::Text)) {
                file.write(QString("message\t%1\t%2\t%3\n")
                               .arg(LogIconName(IconOf(flags)), ToQString(caption), flat)
                               .toUtf8());
            }
            return DefaultResultOf(flags);
        }
        QWidget* parent = QApplication::activeModalWidget();
        if (parent == nullptr)
            parent = QApplication::activeWindow();
        CDlgMessageBox box(ToQString(text), flags, parent);
        return box.exec();
    }
};

}  // namespace

const char* MessageIconName(MessageBoxIcon icon) {
    switch (icon) {
        case MessageBoxIcon::kInformation:
            return "MsgInfo";
        case MessageBoxIcon::kQuestion:
            return "MsgQuestion";
        case MessageBoxIcon::kExclamation:
            return "MsgWarning";
        case MessageBoxIcon::kError:
            return "MsgError";
    }
    return "MsgInfo";
}

CDlgMessageBox::CDlgMessageBox(const QString& text, unsigned flags, QWidget* parent)
    : QDialog(parent), flags_(flags) {
    setObjectName("DlgMessageBox");
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setWindowTitle(LocalQText("Title", kSection));
    setFixedSize(kWidth, kHeight);

    ISkin* skin = CGlobalService::Instance().Skin();
    const char* icon_name = MessageIconName(Icon());
    icon_ = new QLabel(this);
    icon_->setObjectName("MsgIcon");
    icon_->setProperty("iconName", QString(icon_name));
    const SkinBitmap* icon = skin->GetIcon(FromQString(QString(icon_name)));
    const auto* qt_icon = dynamic_cast<const QtSkinBitmap*>(icon);
    if (qt_icon != nullptr)
        icon_->setPixmap(qt_icon->TransparentPixmap(skin->GetTransparentColor()));
    const QSize icon_size = BitmapSize(icon);
    icon_->setGeometry(20, 50, icon_size.width(), icon_size.height());

    // The text is whatever the caller passes (card replies, names): never markup.
    text_ = new QLabel(this);
    text_->setObjectName("MsgText");
    text_->setTextFormat(Qt::PlainText);
    text_->setText(text);
    text_->setWordWrap(true);
    text_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    text_->setFont(LocalFont("Normal"));
    text_->setGeometry(70, 28, kWidth - 70 - 15, 92);

    switch (Buttons()) {
        case MessageButtons::kYesNo: {
            CSkinButtonEx* first = AddButton("BtnYes", kMsgFirst);
            AddButton("BtnNo", kMsgSecond)->move(first->x() + 110, first->y());
            break;
        }
        case MessageButtons::kOkCancel: {
            CSkinButtonEx* first = AddButton("BtnOK", kMsgFirst);
            AddButton("BtnCancel", kMsgSecond)->move(first->x() + 110, first->y());
            break;
        }
        case MessageButtons::kOk:
            AddButton("BtnOK", kMsgFirst)->move(115, 125);
            break;
    }
}

CSkinButtonEx* CDlgMessageBox::AddButton(const char* key, int result) {
    auto* button = new CSkinButtonEx(this);
    button->setObjectName(key);
    button->SetImages("Btn_Normal", "Btn_Hover", "Btn_Down", "Btn_Disable");
    button->SetCaption(key, kSection);
    button->move(60, 125);
    connect(button, &QAbstractButton::clicked, this, [this, result] { done(result); });
    return button;
}

void CDlgMessageBox::reject() {
    done(kMsgSecond);
}

void CDlgMessageBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintSkinnedDialog(painter, rect(), LocalQText("Title", kSection));
}

void CDlgMessageBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        done(DefaultResult());
        return;
    }
    QDialog::keyPressEvent(event);
}

void CDlgMessageBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && event->position().y() < kDragStrip) {
        dragging_ = true;
        drag_offset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
    }
    QDialog::mousePressEvent(event);
}

void CDlgMessageBox::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_)
        move(event->globalPosition().toPoint() - drag_offset_);
    QDialog::mouseMoveEvent(event);
}

void CDlgMessageBox::mouseReleaseEvent(QMouseEvent* event) {
    dragging_ = false;
    QDialog::mouseReleaseEvent(event);
}

void InstallSkinnedMessageBox() {
    static CSkinnedMessageBoxUi ui;
    SetMessageBoxUi(&ui);
}

}  // namespace dedevev
