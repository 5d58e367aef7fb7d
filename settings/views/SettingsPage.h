#pragma once
// One page of the settings dialog: it reads its values from the settings when the dialog
// opens, tells the dialog when the person changes something, and applies itself on OK.

#include <QWidget>

namespace dedevev {

class CSettingsPage : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    // The dialog opens: show the values the settings hold now.
    virtual void Reload() = 0;
    // OK was pressed while this page is shown. False when the page refused (it has told the
    // person why): the dialog then stays open.
    virtual bool Apply() = 0;

signals:
    // The person changed something on the page.
    void changed();
};

}  // namespace dedevev
