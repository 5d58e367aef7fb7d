#pragma once
// The message lists: one box each (PC or card), followed as an observer. Notices come on any
// thread (the card library, the send and copy jobs), so a notice only asks for a refresh,
// which reads the rows again on the window thread. Names come from the name mapping and are
// redrawn once a burst of phonebook changes has settled. Rows live in a table model, so a box
// of 10,000 messages costs no widget per row, and a row's texts (its name looked up, its time
// written out) are made only once the row is shown. Every text is shown as it is (plain text).

#include <QPixmap>
#include <QTableView>
#include <QTimer>

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "device/SMSMessage.h"
#include "phonebook/NameRedrawBatcher.h"
#include "phonebook/views/PBList.h"

namespace dedevev {

class ILocalizer;
class INameMapping;

// The cells of a message row: five shown, two kept for the commands.
enum SmsCell { kSmsFlag, kSmsName, kSmsNumber, kSmsTime, kSmsContent, kSmsStatus, kSmsText };

// The row of `message`: no text under the flag, `name` (the contact's, or empty), the number,
// the time written with `time_format`, the text on one line; then the status and the whole
// text.
CPBTableModel::Row SmsRow(const SMSMessage& message, const QString& name,
                          const std::u16string& time_format);

// Names for the numbers of one reading of a box: each number is looked up once (a box holds
// many messages of the same people).
class CSmsNames {
public:
    explicit CSmsNames(INameMapping* mapping = nullptr) : mapping_(mapping) {}
    // The contact's name for `number` (UTF-8), empty when none.
    QString NameOf(const std::string& number);

private:
    INameMapping* mapping_;
    std::unordered_map<std::string, QString> names_;
    std::u16string name_;
    std::u16string matched_;
};

class CSMSList : public QTableView, public IMessageBoxObserver {
public:
    ~CSMSList() override;

    IMessageBoxBase* Box() const { return box_; }
    // Follows another box (or none) and shows its rows (once no job behind the progress window
    // runs).
    void SetBox(IMessageBoxBase* box);
    CPBTableModel* Model() const { return model_; }
    int Count() const { return model_->rowCount(); }
    // The selected rows, ascending.
    std::vector<int> SelectedRows() const;
    // Selects `row` alone (nothing for a bad row).
    void SelectOnly(int row);
    // The number, the whole text and the status of a row as last read.
    std::u16string NumberAt(int row) const;
    std::u16string TextAt(int row) const;
    int StatusAt(int row) const;
    // Pictures and headers again after a skin or language change.
    void Retranslate();

    void OnAdded(IMessageBoxBase*, int) override { model_->RequestRefresh(); }
    void OnRemoved(IMessageBoxBase*, int) override { model_->RequestRefresh(); }
    void OnChanged(IMessageBoxBase*, int) override { model_->RequestRefresh(); }

protected:
    // `read_icon` / `other_icon`: the skin icons of read and other messages.
    CSMSList(IMessageBoxBase* box, INameMapping* mapping, const char16_t* read_icon,
             const char16_t* other_icon, QWidget* parent);

private:
    void LoadIcons();

    IMessageBoxBase* box_ = nullptr;
    INameMapping* mapping_;
    const char16_t* read_icon_;
    const char16_t* other_icon_;
    QPixmap read_pixmap_;
    QPixmap other_pixmap_;
    CPBTableModel* model_ = nullptr;
    // The messages of the last reading, the names and time format the rows are made with.
    std::vector<SMSMessage> messages_;
    CSmsNames names_;
    std::u16string time_format_;
    QTimer name_timer_;
    std::unique_ptr<NameRedrawBatcher> redraw_;  // after the timer: it goes first
};

// Received messages: one icon for read messages, another for the rest.
class CInboxList : public CSMSList {
public:
    CInboxList(IMessageBoxBase* box, INameMapping* mapping, QWidget* parent = nullptr);
};

// Sent, unsent and draft messages: one icon for all.
class COutboxList : public CSMSList {
public:
    COutboxList(IMessageBoxBase* box, INameMapping* mapping, QWidget* parent = nullptr);
};

}  // namespace dedevev
