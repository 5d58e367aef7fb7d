#pragma once
// The messages page: a folder tree (the PC and UIM inboxes, sent, unsent, drafts) beside the
// list of the folder on display and a pane with the selected message. Write, reply, forward,
// delete, clear and save a number work on the list on display; a card list's context menu
// copies or moves its messages to the PC inbox. The page hears the card's message events
// (sound, pop-up, storage-full warning) and, while it lives, is the program's message export.

#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/ExportInterfaces.h"
#include "core/Thread.h"
#include "device/IMessageBox.h"
#include "mainwindow/views/ModuleWindow.h"
#include "sms/SMSBoxRegistry.h"
#include "sms/SMSEvents.h"

class QPlainTextEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace dedevev {

class CSkinButtonEx;
class CTransparentStatic;
class CSMSList;
class CWindowMessageQueue;
class ILocalizer;
class INameMapping;

// What the messages page reaches outside itself.
struct MessageViewEnvironment {
    // The PC boxes (never null while the page lives).
    std::function<IMessageBoxBase*(SMSBoxRegistry::PCBox)> pc_box;
    // The current card's box 1, 2 or 4, asked anew for every use (null without one).
    std::function<IMessageBox*(int which)> card_box;
    // Names for numbers; null: the program's name mapping.
    INameMapping* mapping = nullptr;
    // The write dialog over `parent` with the receivers and the content filled in.
    std::function<void(QWidget* parent, const std::u16string& receivers,
                       const std::u16string& content)>
        write;
    // Asks for the new-message sound.
    std::function<void()> play_sound;
    // Shows the pop-up of a message.
    std::function<void(const SmsPopup&)> show_popup;
    // Brings the page on screen (the pop-up's click); may be empty.
    std::function<void()> show_page;
    // Whether the page binds itself as the program's message export.
    bool bind_export = true;
};

// The registry's boxes, the write dialog, the sound player and the program's pop-up.
MessageViewEnvironment DefaultMessageViewEnvironment();

// What the content pane shows for a message text: "SMSContent", CR LF, the text.
std::u16string ContentPaneText(ILocalizer* localizer, const std::u16string& text);

// The row to select after deleting from `first_deleted` on, with `count` rows left: that
// position, or the last row when the list became shorter; -1 when it is empty.
int RowAfterDelete(int first_deleted, int count);

class CDlgSMS : public CModulePage, public ISMSExport {
    Q_OBJECT
public:
    // The lists; the modem-memory inbox has no folder.
    enum Folder { kPCInbox, kCardInbox, kUimInbox, kSent, kUnsent, kDrafts, kFolderCount };

    explicit CDlgSMS(MessageViewEnvironment environment, QWidget* parent = nullptr);
    ~CDlgSMS() override;

    Folder CurrentFolder() const { return folder_; }
    // Shows the list of `folder`; the UIM inbox is loaded first when it is not.
    void ShowFolder(Folder folder);
    CSMSList* List(Folder folder) const { return lists_[folder]; }
    QTreeWidget* FolderTree() const { return tree_; }
    // What brings the page on screen when the pop-up is clicked.
    void SetShowPage(std::function<void()> show) { env_.show_page = std::move(show); }
    // The message target of the card's events (the page's own queue).
    IMessageTarget* MessageTarget();

    // The commands, on the list on display.
    void WriteMessage();
    void Reply();
    void Forward();
    void DeleteSelected();
    void ClearAll();
    void SaveNumber();
    // Dials the selected message's number on the voice page (only while it is there).
    void CallNumber();
    // Card lists: copy (all / the selected) messages to the PC inbox; a move deletes the
    // copied ones from the card afterwards.
    void CopyToPC(bool all, bool move);

    // ISMSExport
    void Reserved0(int, int) override {}
    int GetUnreadCount() override;
    int GetBox4UnreadCount() override;
    bool IsCardFull() override;
    void ShowUimInbox(int a, int b) override;

    void OnLanguageChanged() override;
    void OnSkinChanged() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void UpdateCallButton();
    IMessageBoxBase* BoxOf(Folder folder) const;
    IMessageBox* Card(int which) const;
    static bool IsCardFolder(Folder folder) { return folder == kCardInbox || folder == kUimInbox; }
    // The card lists follow the current card's boxes, which also get the event handler.
    void FollowCard();
    void HandleMessage(const WindowMessage& message);
    ProgressRunner Runner();
    CSMSList* Shown() const { return lists_[folder_]; }
    // The only selected row of the list on display, or -1.
    int SingleSelectedRow() const;
    void DeleteRows(std::vector<int> rows);
    void OnRowSelected();
    void ShowContent();
    void RefreshAll();
    void ShowCardMenu(const QPoint& at);
    void Layout();
    void UpdateTexts();

    MessageViewEnvironment env_;
    Folder folder_ = kPCInbox;
    std::array<CSMSList*, kFolderCount> lists_{};
    std::array<QTreeWidgetItem*, kFolderCount> items_{};
    QTreeWidgetItem* root_ = nullptr;
    QTreeWidget* tree_ = nullptr;
    CTransparentStatic* folder_name_ = nullptr;
    QPlainTextEdit* content_ = nullptr;
    std::u16string content_text_;  // the message in the pane
    std::vector<CSkinButtonEx*> buttons_;
    CSkinButtonEx* call_ = nullptr;
    std::unique_ptr<CWindowMessageQueue> queue_;
    std::unique_ptr<CSMSEventHandler> events_;
    std::unique_ptr<CSmsArrivals> arrivals_;
};

}  // namespace dedevev
