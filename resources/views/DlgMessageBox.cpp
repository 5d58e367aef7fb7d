#include "resources/views/DlgMessageBox.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QScreen>
#include <QThread>

#include <algorithm>

#include "core/AppSettings.h"
#include "resources/views/QtSkin.h"
#include "resources/views/SkinButton.h"

namespace dedevev {

namespace {

constexpr int kWidth = 300;
constexpr int kHeight = 160;
constexpr int kDragStrip = 22;
constexpr char kSection[] = "DlgMessageBox";
// The text's place in a box of the usual size; the buttons stand below it.
constexpr int kTextLeft = 70;
constexpr int kTextTop = 28;
constexpr int kTextWidth = kWidth - kTextLeft - 15;
constexpr int kTextHeight = 92;
constexpr int kButtonTop = 125;

QStyle::StandardPixmap StandardIcon(MessageBoxIcon icon) {
    switch (icon) {
        case MessageBoxIcon::kInformation:
            return QStyle::SP_MessageBoxInformation;
        case MessageBoxIcon::kQuestion:
            return QStyle::SP_MessageBoxQuestion;
        case MessageBoxIcon::kExclamation:
            return QStyle::SP_MessageBoxWarning;
        case MessageBoxIcon::kError:
            return QStyle::SP_MessageBoxCritical;
    }
    return QStyle::SP_MessageBoxInformation;
}

// The room `text` needs beside the icon: at least the usual area, wider for a word (a path)
// that does not fit, longer for more lines, never wider than the screen allows.
QSize TextAreaSize(const QString& text, const QFont& font) {
    const QFontMetrics metrics(font);
    int widest_word = 0;
    for (const QString& word : text.split(QRegularExpression("\\s+"), Qt::SkipEmptyParts))
        widest_word = std::max(widest_word, metrics.horizontalAdvance(word) + 2);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int limit = (screen != nullptr ? screen->availableGeometry().width() : 1024) * 3 / 4 -
                      (kWidth - kTextWidth);
    const int width = std::clamp(widest_word, kTextWidth, std::max(limit, kTextWidth));
    const QRect needed = metrics.boundingRect(QRect(0, 0, width, 100000), Qt::TextWordWrap, text);
    return QSize(width, std::max(needed.height() + 4, kTextHeight));
}

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
        // A worker thread (the initialisation) asks through the window thread and waits.
        if (QThread::currentThread() != qApp->thread()) {
            int result = DefaultResultOf(flags);
            QMetaObject::invokeMethod(
                qApp, [&] { result = ShowMessage(text, caption, flags); },
                Qt::BlockingQueuedConnection);
            return result;
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
    setWindowTitle(Title());

    icon_ = new QLabel(this);
    icon_->setObjectName("MsgIcon");
    icon_->setProperty("iconName", QString(MessageIconName(Icon())));
    icon_->setPixmap(
        SkinIconPixmap(FromQString(QString(MessageIconName(Icon()))), StandardIcon(Icon())));
    icon_->setGeometry(QRect(QPoint(20, 50), icon_->pixmap().deviceIndependentSize().toSize()));

    // The text is whatever the caller passes (card replies, names): never markup.
    text_ = new QLabel(this);
    text_->setObjectName("MsgText");
    text_->setTextFormat(Qt::PlainText);
    text_->setText(text);
    text_->setWordWrap(true);
    text_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    text_->setFont(LocalFont("Normal"));

    // 300 x 160; a text that does not fit (a long path, many lines) widens and lengthens it.
    const QSize text_size = TextAreaSize(text, text_->font());
    setFixedSize(kWidth + text_size.width() - kTextWidth,
                 kHeight + text_size.height() - kTextHeight);
    text_->setGeometry(kTextLeft, kTextTop, text_size.width(), text_size.height());

    // The buttons keep their places relative to the middle of the box and below the text.
    const QPoint shift((width() - kWidth) / 2, height() - kHeight);
    switch (Buttons()) {
        case MessageButtons::kYesNo:
            AddButtonPair("BtnYes", u"Yes", "BtnNo", u"No", shift);
            break;
        case MessageButtons::kOkCancel:
            AddButtonPair("BtnOK", u"OK", "BtnCancel", u"Cancel", shift);
            break;
        case MessageButtons::kOk:
            AddButton("BtnOK", u"OK", kMsgFirst)->move(QPoint(115, kButtonTop) + shift);
            break;
    }
}

QString CDlgMessageBox::Title() {
    return ToQString(LocalTextOr("Title", kSection, u"DEDEVev"));
}

CSkinButtonEx* CDlgMessageBox::AddButton(const char* key, const char16_t* fallback, int result) {
    auto* button = new CSkinButtonEx(this);
    button->setObjectName(key);
    button->SetImages("Btn_Normal", "Btn_Hover", "Btn_Down", "Btn_Disable");
    // Before any language file is read the buttons still need words.
    if (LocalTextOr(key, kSection, u"").empty())
        button->SetCaption(ToQString(fallback));
    else
        button->SetCaption(key, kSection);
    connect(button, &QAbstractButton::clicked, this, [this, result] { done(result); });
    return button;
}

void CDlgMessageBox::AddButtonPair(const char* first_key, const char16_t* first_fallback,
                                   const char* second_key, const char16_t* second_fallback,
                                   QPoint shift) {
    CSkinButtonEx* first = AddButton(first_key, first_fallback, kMsgFirst);
    CSkinButtonEx* second = AddButton(second_key, second_fallback, kMsgSecond);
    first->move(QPoint(60, kButtonTop) + shift);
    // Plain buttons sized to long captions keep a gap between them.
    second->move(std::max(first->x() + 110, first->geometry().right() + 11), first->y());
}

void CDlgMessageBox::reject() {
    done(kMsgSecond);
}

void CDlgMessageBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintSkinnedDialog(painter, rect(), Title());
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

bool ConfirmDeleteSelected(const char* section) {
    return !CurrentSettings().options.confirm_delete ||
           ShowMessage(LocalText("MsgDelConfirm"), LocalText("Delete", section),
                       kMbYesNo | kMbIconQuestion | kMbDefButton2) == kMsgFirst;
}

bool ConfirmClearAll(const char* section) {
    return ShowMessage(LocalText("MsgClearConfirm"), LocalText("Clear", section),
                       kMbYesNo | kMbIconQuestion | kMbDefButton2) == kMsgFirst;
}

}  // namespace dedevev
