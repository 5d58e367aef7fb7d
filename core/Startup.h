#pragma once
// The application object: start-up checks, the single-instance lock, the main window run
// and the exit sequence. The screen side (message boxes, the main window) comes through
// IAppShell, so the sequence itself runs and is tested without a window.

#include <functional>
#include <memory>
#include <string>

#include "core/InstanceLock.h"

namespace dedevev {

enum class MessageIcon { kInformation, kExclamation, kStop, kQuestion };

class IAppShell {
public:
    virtual ~IAppShell() = default;
    // A message with one OK button; returns when the user has answered.
    virtual void ShowMessage(const std::u16string& text, const std::u16string& caption,
                             MessageIcon icon) = 0;
    // The language was switched: the shell may now load fonts etc. (optional).
    virtual void OnLanguageReady() {}
    // Builds the main window and runs it modally; returns when it has closed.
    virtual void RunMainWindow() = 0;
};

class CDEDEVev {
public:
    explicit CDEDEVev(IAppShell* shell);
    ~CDEDEVev();

    // The start-up sequence; false when a step failed (the program then ends).
    bool InitInstance();
    // The exit sequence; returns the process exit code.
    int ExitInstance();

    bool InstanceOwned() const { return lock_.Owned(); }

    // Work done at exit before the modem object is released (phonebook name sources,
    // call manager); later modules register here.
    static void AddExitHook(std::function<void()> hook);

private:
    bool CheckLanguage();
    bool CheckSkin();

    IAppShell* shell_;
    InstanceLock lock_;
};

}  // namespace dedevev
