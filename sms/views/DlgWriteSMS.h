#pragma once
// The write dialog: recipients typed or picked from the phonebook, the text with a counter of
// characters left and messages needed, send (behind the progress window) or save as a draft.

#include <string>

class QWidget;

namespace dedevev {

// Opens the write dialog modally over `parent` with the receivers field and the content
// field filled, and returns when it has closed.
void OpenWriteSMS(QWidget* parent, const std::u16string& receivers, const std::u16string& content);

}  // namespace dedevev
