#include "sms/views/DlgWriteSMS.h"

namespace dedevev {

// Stands in until the write dialog is there: nothing is opened.
void OpenWriteSMS(QWidget*, const std::u16string&, const std::u16string&) {}

}  // namespace dedevev
