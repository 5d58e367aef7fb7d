#include "mainwindow/views/DlgAbout.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPointer>

#include "core/Customization.h"
#include "mainwindow/views/Unattended.h"
#include "resources/views/QtSkin.h"
#include "resources/views/SkinButton.h"
#include "resources/views/SkinControls.h"

namespace dedevev {

namespace {

constexpr char kSection[] = "DlgAbout";
constexpr int kWidth = 360;
constexpr int kHeight = 236;
constexpr int kMargin = 12;
constexpr int kLogoTop = 40;
constexpr int kLineHeight = 20;

CTransparentStatic* AddLine(QWidget* parent, const char* name, const char* font) {
    auto* label = new CTransparentStatic(QString(), parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignCenter);
    label->setFont(LocalFont(font));
    return label;
}

}  // namespace

QString AboutVersionText() {
    const QString version = QCoreApplication::applicationVersion();
    const QString word = LocalQText("Version", kSection);
    return version.isEmpty() ? word : word + ' ' + version;
}

CDlgAbout::CDlgAbout(QWidget* parent) : CSkinnedDialog(parent) {
    setObjectName("DlgAbout");
    SetEnterAccepts(true);
    setFixedSize(kWidth, kHeight);

    logo_ = new QLabel(this);
    logo_->setObjectName("AboutLogo");
    logo_->setAttribute(Qt::WA_TranslucentBackground);

    const int text_width = kWidth - 2 * kMargin;
    description_ = AddLine(this, "AboutDescription", "Title");
    description_->setWordWrap(true);
    description_->setGeometry(kMargin, 112, text_width, 2 * kLineHeight);
    version_ = AddLine(this, "AboutVersion", "Normal");
    version_->setGeometry(kMargin, 152, text_width, kLineHeight);
    // The address is shown, not opened: plain text, though it can be selected and copied.
    web_ = AddLine(this, "AboutWeb", "Normal");
    web_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    web_->setGeometry(kMargin, 172, text_width, kLineHeight);
    web_->setText(ToQString(Customization().DefaultWebAddress()));

    ok_ = new CSkinButtonEx(this);
    ok_->setObjectName("AboutOK");
    ok_->SetImageSet("Btn");
    ok_->SetCaption("BtnOK", kSection);
    ok_->move((kWidth - ok_->width()) / 2, kHeight - ok_->height() - 14);
    connect(ok_, &QAbstractButton::clicked, this, &QDialog::accept);

    SetLogo();
    SetTexts();
}

QString CDlgAbout::Caption() const {
    return LocalQText("Title", kSection);
}

void CDlgAbout::OnLanguageChanged() {
    SetTexts();
    CSkinnedDialog::OnLanguageChanged();
}

void CDlgAbout::OnSkinChanged() {
    SetLogo();
    CSkinnedDialog::OnSkinChanged();
}

void CDlgAbout::SetTexts() {
    setWindowTitle(Caption());
    description_->setText(LocalQText("Description", kSection));
    version_->setText(AboutVersionText());
    const QFont normal = LocalFont("Normal");
    description_->setFont(LocalFont("Title"));
    version_->setFont(normal);
    web_->setFont(normal);
}

void CDlgAbout::SetLogo() {
    ISkin* skin = CGlobalService::Instance().Skin();
    const SkinBitmap* logo = skin->GetBitmapOrDefault(u"BtnBigLogo_Normal");
    if (const auto* qt_logo = dynamic_cast<const QtSkinBitmap*>(logo))
        logo_->setPixmap(qt_logo->TransparentPixmap(skin->GetTransparentColor()));
    else
        logo_->clear();
    const QSize size = BitmapSize(logo);
    logo_->setGeometry((kWidth - size.width()) / 2, kLogoTop, size.width(), size.height());
}

void ShowAboutBox(QWidget* parent) {
    if (UnattendedDialogs()) {
        LogUnattended({"dialog", "DlgAbout", LocalQText("Title", kSection),
                       LocalQText("Description", kSection)});
        return;
    }
    QPointer<CDlgAbout> box = new CDlgAbout(parent);
    box->exec();
    delete box.data();
}

}  // namespace dedevev
