#pragma once
// The contacts page: the PC phonebook and the card's modem, UIM and emergency phonebooks as
// pages with a list each, and a page of search results. New, edit, delete and clear work on
// the page on display; a card page's context menu copies or moves its contacts to the PC;
// the PC page imports and exports vCard files. While it lives the page is the program's
// phonebook export (add a number, load the card phonebooks).

#include <QString>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "core/ExportInterfaces.h"
#include "core/Thread.h"
#include "device/IPhonebook.h"
#include "mainwindow/views/ModuleWindow.h"
#include "phonebook/PhonebookPC.h"
#include "phonebook/PhonebookRules.h"
#include "phonebook/PhonebookTransfer.h"

class QLabel;
class QTableView;

namespace dedevev {

class CEmbedPBList;
class CGenEdit;
class CPBTableModel;
class CPCPBList;
class CSkinButtonEx;
struct VCardImportResult;

// What the contacts page reaches outside itself.
struct PhonebookViewEnvironment {
    CPhonebookPC* pc = nullptr;
    // The card phonebook of that kind now (null without a card or without such a book).
    std::function<IPhonebook*(PhonebookKind)> card;
    // The card's PIN state ("READY", "SIM PIN", ...); empty when it could not be read.
    std::function<std::string()> card_status;
    // The entry dialogs; unset: the real dialogs over the page.
    PCEntryDialog pc_dialog;
    CardEntryDialog card_dialog;
    // The vCard file to read (`save` false) or write; empty when none was chosen.
    std::function<QString(QWidget* parent, bool save)> choose_file;
    // Whether the page binds itself as the program's phonebook export.
    bool bind_export = true;
    // Opens the write dialog to `number` (unset: the real write dialog over the page).
    std::function<void(QWidget* parent, const std::u16string& number)> write_message;
};

// The registry's phonebooks, the current card's status, the file dialogs.
PhonebookViewEnvironment DefaultPhonebookViewEnvironment();

// The file dialog for a vCard file to read or write (unattended: logged, none chosen).
QString ChooseVCardFile(QWidget* parent, bool save);

// The text import ends with: the counts, and the first few refusals with their lines.
std::u16string ImportReport(const VCardImportResult& result);

class CDlgPB : public CModulePage, public IPhonebookExport {
    Q_OBJECT
public:
    enum Page { kPCPage, kModemPage, kUimPage, kEmergencyPage, kResultPage, kPageCount };

    explicit CDlgPB(PhonebookViewEnvironment environment, QWidget* parent = nullptr);
    ~CDlgPB() override;

    Page CurrentPage() const { return page_; }
    // Shows `page`; a card page whose phonebook is not loaded is loaded first.
    void ShowPage(Page page);

    // The commands of the buttons, on the page on display.
    void NewContact();
    void EditContact();
    void DeleteSelected();
    void ClearAll();
    void ToggleSearch();
    void BeginSearch();
    void CallSelected();
    // Writes a message to the selected contact's number (to nobody yet without a selection).
    void MessageSelected();
    // Context menu of a card page: copy (all / the selected) contacts to the PC phonebook,
    // and a move deletes the copied ones from the card afterwards.
    void CopyToPC(bool all, bool move);
    // PC page: read a vCard file into the PC phonebook / write the PC phonebook to one.
    void ImportFile();
    void ExportFile();

    // IPhonebookExport
    void AddNumber(const std::u16string& number) override;
    void LoadCardPhonebooks() override;

    CPCPBList* PCList() const { return pc_list_; }
    CEmbedPBList* CardList(Page page) const;
    QTableView* ResultList() const { return results_view_; }
    // The phonebook and position behind each search result row.
    const std::vector<PhonebookHit>& Results() const { return hits_; }

    void OnLanguageChanged() override;
    void OnSkinChanged() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    IPhonebook* Card(Page page) const;
    // The card book of the page on display when it may be changed (modem, UIM).
    IPhonebook* EditableCard() const;
    bool Editable() const;
    // Loads the card phonebook of `page` when needed; `tell` shows the not-ready text when it
    // is still not loaded afterwards.
    void LoadCard(Page page, bool tell);
    ProgressRunner Runner();
    void DeleteRows(std::vector<int> rows);
    QTableView* ListOf(Page page) const;
    std::vector<int> SelectedRows() const;
    // The name and number of the first selected row; false when none.
    bool SelectedNumber(std::u16string* name, std::u16string* number) const;
    void ShowCardMenu(const QPoint& at);
    void Layout();
    void LayoutSoon();
    void UpdateTexts();
    void UpdateButtons();
    PCEntryDialog PCDialog();
    CardEntryDialog CardDialog();

    PhonebookViewEnvironment env_;
    Page page_ = kPCPage;
    std::vector<PhonebookHit> hits_;
    std::vector<std::pair<std::u16string, std::u16string>> hit_rows_;  // name, number
    std::array<CSkinButtonEx*, kPageCount> tabs_{};
    CPCPBList* pc_list_ = nullptr;
    std::array<CEmbedPBList*, 3> card_lists_{};  // modem, UIM, emergency
    CPBTableModel* results_ = nullptr;
    QTableView* results_view_ = nullptr;
    CGenEdit* search_text_ = nullptr;
    QLabel* count_ = nullptr;
    CSkinButtonEx* new_ = nullptr;
    CSkinButtonEx* edit_ = nullptr;
    CSkinButtonEx* delete_ = nullptr;
    CSkinButtonEx* clear_ = nullptr;
    CSkinButtonEx* call_ = nullptr;
    CSkinButtonEx* sms_ = nullptr;
    CSkinButtonEx* search_ = nullptr;
    CSkinButtonEx* begin_search_ = nullptr;
    CSkinButtonEx* import_ = nullptr;
    CSkinButtonEx* export_ = nullptr;
};

}  // namespace dedevev
