#pragma once
// Stands in for the message box: records each text shown and answers with `answer`.

#include <string>
#include <vector>

#include "core/MessageBox.h"

namespace dedevev::test {

class MessageRecorder : public IMessageBoxUi {
public:
    MessageRecorder() : previous_(SetMessageBoxUi(this)) {}
    ~MessageRecorder() { SetMessageBoxUi(previous_); }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    int ShowMessage(const std::u16string& text, const std::u16string&, unsigned) override {
        shown.push_back(text);
        return answer;
    }

    std::vector<std::u16string> shown;
    int answer = kMsgFirst;

private:
    IMessageBoxUi* previous_;
};

}  // namespace dedevev::test
