// The contacts page: the PC page's add, edit and delete through the real dialogs, card pages
// on a scripted phonebook, the lists following changes made on other threads, the picker,
// and the vCard import.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "phonebook/views/DlgNewPB.h"
#include "phonebook/views/DlgPB.h"
#include "phonebook/views/DlgSelPB.h"
#include "phonebook/views/PBList.h"
#include "resources/views/QtSkin.h"
#include "tests/support/Eventually.h"
#include "tests/ui/MessageRecorder.h"
#include "tests/ui/SkinTestSupport.h"

namespace dedevev {
namespace {

namespace fs = std::filesystem;

// A card phonebook that loads, stores and refuses as a test tells it to.
class ScriptedPhonebook final : public IPhonebook {
public:
    std::vector<CardContact> contacts;
    bool loaded = false;
    bool loads = true;   // Load leaves it loaded
    int refuse_at = -1;  // RemoveAt refuses this position

    void AddObserver(ObserverType* o) override { observers_.push_back(o); }
    void RemoveObserver(ObserverType* o) override { std::erase(observers_, o); }
    int GetCapacity() override { return 250; }
    int GetCount() override { return loaded ? static_cast<int>(contacts.size()) : 0; }
    const CardContact& GetAt(int position) override {
        static const CardContact kNone;
        return position >= 0 && position < GetCount() ? contacts[position] : kNone;
    }
    bool RemoveAt(int position) override {
        if (position == refuse_at || position >= GetCount())
            return false;
        contacts.erase(contacts.begin() + position);
        for (ObserverType* o : observers_)
            o->OnRemoved(this, position);
        return true;
    }
    bool Update(int position, const CardContact& contact) override {
        contacts.at(static_cast<std::size_t>(position)) = contact;
        for (ObserverType* o : observers_)
            o->OnChanged(this, position);
        return true;
    }
    bool Add(const CardContact& contact, int*) override {
        contacts.push_back(contact);
        for (ObserverType* o : observers_)
            o->OnAdded(this, static_cast<int>(contacts.size()) - 1);
        return true;
    }
    void Load(ILoadingReport* report, int*) override {
        for (std::size_t i = 0; i < contacts.size() && report != nullptr; ++i)
            report->OnLoading(contacts[i], static_cast<int>(contacts.size()),
                              static_cast<int>(i) + 1);
        loaded = loads;
    }
    bool IsLoaded() override { return loaded; }

private:
    std::vector<ObserverType*> observers_;
};

// Acts on the first modal dialog of type D that comes up, from within its event loop.
template <typename D>
void WhenModal(std::function<void(D*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(dialog);
        }
    });
    timer->start();
}

void Type(QWidget* dialog, const char* field, const QString& text) {
    dialog->findChild<QLineEdit*>(field)->setText(text);
}
void Click(QWidget* parent, const char* name) {
    parent->findChild<QAbstractButton*>(name)->click();
}

class PhonebookViewTest : public ::testing::Test {
protected:
    void SetUp() override { test::UseDefaultSkinAndLanguage(); }

    CDlgPB& Open() {
        PhonebookViewEnvironment env;
        env.pc = &pc_;
        env.card = [this](PhonebookKind kind) -> IPhonebook* {
            return kind == PhonebookKind::kModem ? &modem_
                   : kind == PhonebookKind::kUim ? &uim_
                                                 : nullptr;
        };
        env.card_status = [this] { return card_status_; };
        env.choose_file = [this](QWidget*, bool) { return file_; };
        env.bind_export = false;
        env.write_message = [this](QWidget*, const std::u16string& number) {
            written_.push_back(number);
        };
        dlg_ = std::make_unique<CDlgPB>(std::move(env));
        return *dlg_;
    }
    static bool RowsBecome(QTableView* list, int rows) {
        return test::Eventually([&] {
            QCoreApplication::processEvents();
            return list->model()->rowCount() == rows;
        });
    }
    static QString Cell(QTableView* list, int row, int column) {
        return list->model()->index(row, column).data().toString();
    }

    test::MessageRecorder answers_;
    CPhonebookPC pc_;
    ScriptedPhonebook modem_;
    ScriptedPhonebook uim_;
    std::string card_status_ = "READY";
    QString file_;
    std::vector<std::u16string> written_;  // numbers handed to the write dialog
    std::unique_ptr<CDlgPB> dlg_;
};

TEST_F(PhonebookViewTest, PCContactIsAddedEditedAndDeletedThroughTheDialogs) {
    CDlgPB& dlg = Open();
    // A name with only an e-mail address keeps the dialog open; a mobile number lets it close.
    bool stayed_open = false;
    WhenModal<CDlgNewPBPC>([&](CDlgNewPBPC* entry) {
        Type(entry, "PBName", "Ann");
        Type(entry, "PBEmail", "ann@example.org");
        Click(entry, "PBOK");
        stayed_open = entry->isVisible();
        Type(entry, "PBMobile", "12345");
        Click(entry, "PBOK");
    });
    dlg.NewContact();
    EXPECT_TRUE(stayed_open);
    ASSERT_EQ(answers_.shown,
              std::vector<std::u16string>{u"Please enter at least one phone number."});
    ASSERT_TRUE(RowsBecome(dlg.PCList(), 1));
    EXPECT_EQ(Cell(dlg.PCList(), 0, 1), "12345");
    EXPECT_EQ(dlg.findChild<QAbstractButton*>("PBTab0")->text(), "PC(1)");

    dlg.PCList()->selectRow(0);
    WhenModal<CDlgNewPBPC>([](CDlgNewPBPC* entry) {
        Type(entry, "PBHome", "777");
        Click(entry, "PBOK");
    });
    dlg.EditContact();
    ASSERT_TRUE(test::Eventually([&] {
        QCoreApplication::processEvents();
        return Cell(dlg.PCList(), 0, 2) == "777";
    }));
    EXPECT_EQ(answers_.shown.size(), 1u);  // the unchanged name did not conflict with itself

    dlg.PCList()->selectRow(0);
    Click(&dlg, "PBSMS");
    EXPECT_EQ(written_, std::vector<std::u16string>{u"12345"});
    answers_.answer = kMsgFirst;
    dlg.DeleteSelected();
    EXPECT_EQ(pc_.GetCount(), 0);
    EXPECT_TRUE(RowsBecome(dlg.PCList(), 0));
}

TEST_F(PhonebookViewTest, CardPageLoadsWhenShownAndTellsWhatFailed) {
    modem_.contacts = {{"Bob", "111"}, {"Cy", "222"}, {"Di", "333"}};
    uim_.contacts = {{"Eve", "444"}};
    card_status_ = "SIM PIN";
    CDlgPB& dlg = Open();
    EXPECT_FALSE(modem_.loaded);  // nothing is read from the card before its page is shown

    dlg.ShowPage(CDlgPB::kModemPage);
    ASSERT_TRUE(RowsBecome(dlg.CardList(CDlgPB::kModemPage), 3));

    dlg.ShowPage(CDlgPB::kUimPage);  // the card asks for its PIN: the UIM book stays unread
    EXPECT_FALSE(uim_.loaded);
    ASSERT_EQ(answers_.shown.back(),
              u"The UIM card phonebook is not ready. Please try again later.");

    // Deleting rows 0 and 2 of the modem book goes from the highest; the card refuses row 0.
    dlg.ShowPage(CDlgPB::kModemPage);
    modem_.refuse_at = 0;
    CEmbedPBList* list = dlg.CardList(CDlgPB::kModemPage);
    list->selectionModel()->select(list->model()->index(0, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    list->selectionModel()->select(list->model()->index(2, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    dlg.DeleteSelected();
    EXPECT_EQ(modem_.contacts, (std::vector<CardContact>{{"Bob", "111"}, {"Cy", "222"}}));
    EXPECT_EQ(answers_.shown.back(), u"The contact could not be deleted from the card.");
    EXPECT_TRUE(RowsBecome(list, 2));
}

TEST_F(PhonebookViewTest, ListFollowsChangesFromAnotherThreadAndShowsMarkupAsText) {
    CDlgPB& dlg = Open();
    std::thread copier([this] {
        bool existed = false;
        for (int i = 0; i < 200; ++i)
            pc_.Add(PCContact{u"Name" + FromQString(QString::number(i)),
                              u"5550" + FromQString(QString::number(i)),
                              {},
                              {},
                              {},
                              {},
                              0},
                    &existed);
        pc_.Add(PCContact{u"<b>Bold</b>", u"999", {}, {}, {}, u"line 1\r\nline 2", 0}, &existed);
    });
    copier.join();
    ASSERT_TRUE(RowsBecome(dlg.PCList(), 201));
    EXPECT_EQ(Cell(dlg.PCList(), 200, 0), "<b>Bold</b>");
    EXPECT_EQ(Cell(dlg.PCList(), 200, 5), "line 1 line 2");
    EXPECT_EQ(dlg.findChild<QLabel*>("PBNum")->text(), "Contacts: 201");
}

TEST_F(PhonebookViewTest, SearchShowsHitsOfEveryLoadedBook) {
    bool existed = false;
    pc_.Add(PCContact{u"Anna", u"0811", {}, {}, {}, {}, 0}, &existed);
    pc_.Add(PCContact{u"Bert", u"0822", {}, {}, {}, {}, 0}, &existed);
    modem_.contacts = {{"ANDY", "0833"}};
    CDlgPB& dlg = Open();
    dlg.ShowPage(CDlgPB::kModemPage);
    dlg.ToggleSearch();
    dlg.findChild<QLineEdit*>("PBSearchText")->setText("an");
    dlg.BeginSearch();
    EXPECT_EQ(dlg.CurrentPage(), CDlgPB::kResultPage);
    ASSERT_EQ(dlg.ResultList()->model()->rowCount(), 2);
    EXPECT_EQ(Cell(dlg.ResultList(), 1, 0), "ANDY");
}

TEST_F(PhonebookViewTest, PickerHandsBackTheChosenPairsOnce) {
    bool existed = false;
    pc_.Add(PCContact{u"Ann", u"", u"", u"0700", {}, {}, 0}, &existed);  // home number only
    pc_.Add(PCContact{u"Ben", u"0811", {}, {}, {}, {}, 0}, &existed);
    modem_.contacts = {{"Cat", "0822"}};
    modem_.loaded = true;
    CDlgSelPB picker(PickCandidates(&pc_, {&modem_}));
    auto* source = picker.findChild<QTableView*>("SelPBSource");
    source->selectRow(2);
    Click(&picker, "SelPBAdd");
    Click(&picker, "SelPBAddAll");  // Cat is there already
    picker.findChild<QTreeWidget*>("SelPBChosen")->topLevelItem(1)->setSelected(true);
    Click(&picker, "SelPBRemove");
    EXPECT_EQ(picker.Chosen(), (std::vector<PBPick>{{u"Cat", u"0822"}, {u"Ben", u"0811"}}));
}

TEST_F(PhonebookViewTest, ImportAddsTheFileAndSaysWhatWasRefused) {
    const fs::path file =
        fs::temp_directory_path() / ("dedevev-pbview-" + std::to_string(::getpid()) + ".vcf");
    std::ofstream(file) << "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ann\r\nTEL;TYPE=CELL:0811\r\n"
                           "END:VCARD\r\nBEGIN:VCARD\r\nVERSION:3.0\r\nFN:No Number\r\n"
                           "END:VCARD\r\n";
    file_ = QString::fromStdString(file.string());
    CDlgPB& dlg = Open();
    dlg.ImportFile();
    fs::remove(file);
    ASSERT_TRUE(RowsBecome(dlg.PCList(), 1));
    EXPECT_EQ(answers_.shown.back(),
              u"1 added, 0 duplicates skipped, 1 refused.\r\nLine 6: no phone number");

    file_ = QString::fromStdString((fs::temp_directory_path() / "dedevev-none.vcf").string());
    dlg.ImportFile();
    EXPECT_EQ(answers_.shown.back(), u"The file could not be read.");
}

}  // namespace
}  // namespace dedevev
