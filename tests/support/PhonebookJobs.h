#pragma once
// What the phonebook tests share: a progress window that writes down what a job shows, a
// message box that answers from a script, and a language file with the phonebook's texts.

#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/MessageBox.h"
#include "core/Thread.h"
#include "device/base/Utf.h"
#include "resources/Localizer.h"
#include "support/Eventually.h"

namespace dedevev::test {

// The texts (UTF-8) and steps ("1/3") a job showed, in order, and "ended" at its end.
class JobLog : public IProgressSink {
public:
    void OnProgressStep(int step, int total) override {
        Add(std::to_string(step) + "/" + std::to_string(total));
        if (on_step)
            on_step(step);
    }
    void OnProgressText(const std::u16string& text) override { Add(Utf16ToUtf8(text)); }
    void OnJobEnded() override { Add("ended"); }
    std::vector<std::string> Take() {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<std::string> taken;
        taken.swap(events_);
        return taken;
    }
    // Called on the job's thread after each step is written down.
    std::function<void(int step)> on_step;

private:
    void Add(std::string event) {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(std::move(event));
    }
    std::mutex mutex_;
    std::vector<std::string> events_;
};

// Runs a job behind `log` as the progress window would, and waits for its end.
inline std::function<void(CThreadProgress&)> RunInto(JobLog& log) {
    return [&log](CThreadProgress& job) {
        job.SetProgressWindow(&log);
        ASSERT_TRUE(job.Start());
        EXPECT_TRUE(job.Wait(kHangNet)) << "the job did not end";
    };
}

// Writes down each message as "caption|text|flags" (flags in hex) and answers with the next
// scripted answer (kMsgFirst when the script has run out).
class ScriptedBox : public IMessageBoxUi {
public:
    ScriptedBox() : previous_(SetMessageBoxUi(this)) {}
    ~ScriptedBox() { SetMessageBoxUi(previous_); }
    ScriptedBox(const ScriptedBox&) = delete;
    ScriptedBox& operator=(const ScriptedBox&) = delete;

    int ShowMessage(const std::u16string& text, const std::u16string& caption,
                    unsigned flags) override {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%x", flags);
        shown.push_back(Utf16ToUtf8(caption) + "|" + Utf16ToUtf8(text) + "|" + hex);
        if (answers.empty())
            return kMsgFirst;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::vector<std::string> shown;
    std::deque<int> answers;

private:
    IMessageBoxUi* previous_;
};

// The phonebook's texts, each its key in lower case, so that a text from another section
// (which would be the key itself) shows.
inline void LoadPhonebookTexts(CLocalizer* localizer) {
    localizer->LoadBytes(
        "[DlgPB]\nLoadingPB=loading\nRemovingPB=removing\nRemovePBFail=removepbfail\n"
        "CopyingPB=copying\nHint=hint\nRecordExist=recordexist\nNameExist=nameexist\n"
        "NumberExist=numberexist\nAddFail=addfail\nAddPBDlgTitle=addpbdlgtitle\n"
        "EditFail=editfail\nEditPBDlgTitle=editpbdlgtitle\n"
        "USIMPhonebookNotReady=usimphonebooknotready\n[text]\nDEDEVev=dedevev\n");
}

}  // namespace dedevev::test
