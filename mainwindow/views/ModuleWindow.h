#pragma once
// The module pages the main window's navigation opens (link, traffic, history, messages,
// contacts, USSD, ...), the modal wrapper each page is shown in, and the skinned dialog frame
// that wrapper shares with the main window's small dialogs.

#include <QDialog>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <string>

#include "core/GlobalService.h"

namespace dedevev {

class CSkinButtonEx;

// A frameless dialog painted like every skinned dialog (title strip, body, frame) with
// Caption() in its strip; a left press in the strip drags it. It follows language and skin
// switches: the caption and window title are read again and the dialog repainted.
class CSkinnedDialog : public QDialog, public CGSEventHandler {
    Q_OBJECT
public:
    explicit CSkinnedDialog(QWidget* parent = nullptr);

    // The text shown in the title strip, read from the current language.
    virtual QString Caption() const = 0;
    // The height of the title strip: the skin's "Dlg_Title" picture, at least 22 pixels.
    int CaptionHeight() const;

    void OnLanguageChanged() override;
    void OnSkinChanged() override;

protected:
    // Return and Enter accept the dialog (it has no Qt push button to be the default).
    void SetEnterAccepts(bool accepts) { enter_accepts_ = accepts; }
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool enter_accepts_ = false;
    bool dragging_ = false;
    QPoint drag_offset_;
};

// A module's page, 719 x 368, on the skin's page background. Modules derive from it and put
// their controls on it; a page without controls shows its title centred with an accent line
// under it, so that an unfinished module does not look broken.
class CModulePage : public QWidget, public CGSEventHandler {
    Q_OBJECT
public:
    static constexpr int kWidth = 719;
    static constexpr int kHeight = 368;

    CModulePage(const char* title_section, const char* title_key, QWidget* parent = nullptr);

    // The localized title, read now.
    QString Title() const;
    std::string TitleSection() const { return section_; }
    std::string TitleKey() const { return key_; }
    // True while the title placeholder is drawn: enabled and no child widget on the page.
    bool ShowsPlaceholder() const;

    void OnLanguageChanged() override;
    void OnSkinChanged() override;

signals:
    void titleChanged();

protected:
    // A module that paints its own content without child widgets turns the placeholder off.
    void SetPlaceholderEnabled(bool enabled);
    void paintEvent(QPaintEvent* event) override;

private:
    std::string section_;
    std::string key_;
    bool placeholder_enabled_ = true;
};

// The modal wrapper a page is opened in: the page's title in the strip, the page below it,
// a close button ("ModuleClose") in the top right corner; Escape closes it too. The page is
// lent: when the wrapper closes (or is destroyed) the page goes back to its previous parent,
// hidden, at its previous position, so that it can be opened again. If that parent no longer
// exists the page is deleted, as it would have been with its parent.
class CModuleHost : public CSkinnedDialog {
    Q_OBJECT
public:
    CModuleHost(CModulePage* page, QWidget* parent);
    ~CModuleHost() override;

    // The page while it is held, null once it has been given back.
    CModulePage* Page() const;
    QString Caption() const override;

    void done(int result) override;
    void OnSkinChanged() override;

private:
    void Layout();
    void RefreshCaption();
    void GiveBack();

    QPointer<CModulePage> page_;
    bool holding_ = false;
    bool had_parent_ = false;
    QPointer<QWidget> previous_parent_;
    QPoint previous_pos_;
    Qt::WindowFlags previous_flags_;
    CSkinButtonEx* close_ = nullptr;
};

// Opens `page` in a fresh wrapper modally and returns the QDialog result when it closes.
// Unattended (DEDEVEV_MESSAGE_LOG set): logs "module\t<title>" and returns QDialog::Rejected
// at once, leaving the page where it was. A null page is Rejected.
int RunModulePage(CModulePage* page, QWidget* parent);

}  // namespace dedevev
