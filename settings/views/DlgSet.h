#pragma once
// The settings dialog: one page per topic behind a row of tabs, OK applying the page shown and
// Cancel closing without applying. It is a module page of the main window; each time it is
// shown its pages read the settings again and OK is disabled until a page reports a change.

#include <QString>

#include <functional>
#include <thread>
#include <vector>

#include "mainwindow/views/ModuleWindow.h"

namespace dedevev {

class CSettingsPage;
class CSkinButtonEx;

class CDlgSet : public CModulePage {
    Q_OBJECT
public:
    // Page indices: which topic a page is; tabs stand in index order.
    static constexpr int kNetPage = 0;
    static constexpr int kPinPage = 3;
    static constexpr int kLanguagePage = 4;
    static constexpr int kWorkModePage = 5;
    static constexpr int kResetPage = 6;

    explicit CDlgSet(QWidget* parent = nullptr);
    ~CDlgSet() override;

    // The x of the page button of `index`.
    static int TabX(int index);

    // Adds `page` (the dialog takes it) with its tab captioned `button_key` of "DlgSet".
    void AddPage(int index, const char* button_key, CSettingsPage* page);
    // Asks `present` on a worker thread; when it says yes, runs `add` (which adds a page) on
    // the window thread. For pages whose presence depends on what the card answers.
    void ProbePage(std::function<bool()> present, std::function<void()> add);
    // Waits until every such question has been answered (pages added by then are queued).
    void WaitForProbes();
    // Shows the page of `index` (nothing when there is none).
    void ShowPage(int index);
    int CurrentIndex() const { return current_; }
    CSettingsPage* Page(int index) const;

    // Enables OK when a page has changed something.
    void SetChanged(bool changed);
    bool OkEnabled() const;

    // OK: applies the page shown; when it took the change, OK is disabled again and the
    // window holding the dialog closes with Accepted. Cancel closes it with Rejected.
    void OnOk();
    void OnCancel();

    void OnLanguageChanged() override;

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct Entry {
        int index;
        CSettingsPage* page;
        CSkinButtonEx* tab;
    };
    void Layout();
    void CloseHolder(int result);

    std::vector<Entry> pages_;
    std::vector<std::thread> probes_;
    int current_ = -1;
    CSkinButtonEx* ok_ = nullptr;
    CSkinButtonEx* cancel_ = nullptr;
};

}  // namespace dedevev
