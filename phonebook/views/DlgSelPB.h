#pragma once
// The contact picker of the message writer: the contacts on the left, the chosen recipients
// on the right; OK hands back the recipients as (name, number) pairs.

#include <string>
#include <utility>
#include <vector>

#include "connection/views/FormRows.h"
#include "device/IPhonebook.h"
#include "mainwindow/views/ModuleWindow.h"
#include "phonebook/PhonebookPC.h"

class QTableView;
class QTreeWidget;

namespace dedevev {

class CPBTableModel;

struct PBPick {
    std::u16string name;
    std::u16string number;
    friend bool operator==(const PBPick&, const PBPick&) = default;
};

// Who can be picked: each PC contact with its mobile number (its home or office number when
// it has no mobile), then the contacts of the given card phonebooks (null ones skipped).
std::vector<PBPick> PickCandidates(const CPhonebookPC* pc, const std::vector<IPhonebook*>& cards);

class CDlgSelPB : public CSkinnedDialog {
    Q_OBJECT
public:
    explicit CDlgSelPB(std::vector<PBPick> candidates, QWidget* parent = nullptr);

    QString Caption() const override;
    // The recipients, in the order they were added (a number at most once).
    const std::vector<PBPick>& Chosen() const { return chosen_; }

    void Add();
    void AddAll();
    void Remove();
    void Clear();
    void OnLanguageChanged() override;

private:
    void AddPick(const PBPick& pick);
    void FillChosen();

    CCaptionList captions_;
    std::vector<PBPick> candidates_;
    std::vector<PBPick> chosen_;
    CPBTableModel* model_ = nullptr;
    QTableView* source_ = nullptr;
    QTreeWidget* recipients_ = nullptr;
};

// Runs the picker modally; the chosen pairs, empty when cancelled. Unattended: logged, empty.
std::vector<PBPick> RunPicker(QWidget* parent, std::vector<PBPick> candidates);

}  // namespace dedevev
