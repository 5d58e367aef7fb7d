#pragma once
// The skinned, frameless start window shown until the full main window takes its place:
// the skin's "Background" with the product title, a close button, dragged by its body.

#include <QDialog>
#include <QPoint>

#include "core/GlobalService.h"

class QAbstractButton;

namespace dedevev {

class PlaceholderMainWindow : public QDialog, public CGSEventHandler {
    Q_OBJECT
public:
    explicit PlaceholderMainWindow(QWidget* parent = nullptr);

    void OnLanguageChanged() override;
    void OnSkinChanged() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void ApplySkin();

    QAbstractButton* close_button_ = nullptr;
    QAbstractButton* min_button_ = nullptr;
    bool dragging_ = false;
    QPoint drag_offset_;
};

}  // namespace dedevev
