#pragma once
// Small skinned controls: edit fields, a transparent label, a slider, and the selection
// dialog. Each shows its content in the skin's colours and the language's fonts and tells
// its owner of the user's input through Qt signals.

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QStringList>

#include "core/GlobalService.h"

class QListWidget;

namespace dedevev {

class CSkinButtonEx;

// A single-line edit in the "Normal" font on a white field (grey text on the dialog's colour
// while disabled); input is reported by the usual textChanged / textEdited / returnPressed
// signals.
class CGenEdit : public QLineEdit, public CGSEventHandler {
    Q_OBJECT
public:
    explicit CGenEdit(QWidget* parent = nullptr,
                      CGlobalService* service = &CGlobalService::Instance());
    void OnLanguageChanged() override;
    void OnSkinChanged() override;
};

// A CGenEdit framed by a one-pixel line in the skin's "DlgTitleBKColor".
class CBorderEdit : public CGenEdit {
    Q_OBJECT
public:
    explicit CBorderEdit(QWidget* parent = nullptr,
                         CGlobalService* service = &CGlobalService::Instance());

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A label drawn straight onto its parent's background; always plain text.
class CTransparentStatic : public QLabel {
    Q_OBJECT
public:
    explicit CTransparentStatic(const QString& text = QString(), QWidget* parent = nullptr);
    void SetTextColor(const QColor& color);
};

// A horizontal slider drawn in the skin's colours; valueChanged reports the position.
class CSpSilderCtrl : public QSlider {
    Q_OBJECT
public:
    explicit CSpSilderCtrl(QWidget* parent = nullptr);
    // The handle's rectangle at the current position (for drawing and tests).
    QRect HandleRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void SetFromX(int x);
};

// A skinned dialog that lets the user pick one of a list of texts; exec() returns
// Accepted with Selected() set, or Rejected.
class CDlgSel : public QDialog {
    Q_OBJECT
public:
    CDlgSel(const QString& title, const QStringList& items, int current, QWidget* parent = nullptr);
    int Selected() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString title_;
    QListWidget* list_ = nullptr;
};

}  // namespace dedevev
