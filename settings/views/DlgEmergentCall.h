#pragma once
// The emergency-call list of the application lock: the card's emergency numbers by name.
// "Call" (or a double click on a row) closes the dialog with the chosen number.

#include <QDialog>

#include <string>
#include <vector>

class QPushButton;
class QTreeWidget;

namespace dedevev {

struct EmergencyNumber {
    std::u16string name;
    std::u16string number;
};

// The entries of the card's emergency phonebook (loaded when it was not yet); empty without a
// card.
std::vector<EmergencyNumber> CardEmergencyNumbers();

class CDlgEmergentCall : public QDialog {
    Q_OBJECT
public:
    explicit CDlgEmergentCall(const std::vector<EmergencyNumber>& numbers,
                              QWidget* parent = nullptr);

    // The number of the row chosen by "Call"; empty until then.
    const std::u16string& Number() const { return number_; }
    // "Call": closes with the selected row's number (nothing unless exactly one is selected).
    void OnCall();

private:
    std::vector<EmergencyNumber> numbers_;
    std::u16string number_;
    QTreeWidget* list_ = nullptr;
    QPushButton* call_ = nullptr;
};

}  // namespace dedevev
