#include "sms/SMSWorkers.h"

#include <algorithm>
#include <functional>

#include "device/DeviceStatus.h"
#include "device/base/Utf.h"
#include "resources/Localizer.h"

namespace dedevev {

namespace {

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

}  // namespace

std::u16string SmsText(ILocalizer* localizer, const std::u16string& key) {
    return localizer == nullptr ? key : localizer->GetText(key, u"DlgSMS");
}

std::u16string SmsTextHead(std::u16string_view text, std::size_t count, bool* more) {
    std::size_t end = 0;
    for (std::size_t taken = 0; taken < count && end < text.size(); ++taken)
        end += IsHighSurrogate(text[end]) && end + 1 < text.size() ? 2 : 1;
    if (more != nullptr)
        *more = end < text.size();
    return std::u16string(text.substr(0, end));
}

std::u16string SmsLoadingText(ILocalizer* localizer, const SMSMessage& message) {
    std::u16string text = SmsText(localizer, u"Loading");
    if (message.number.empty())
        return text;
    text += u'[';
    text += Utf8ToUtf16(message.number);
    text += u']';
    text += SmsTextHead(Utf8ToUtf16(message.text), 8);
    return text;
}

// ---- CThreadLoadSMBox -------------------------------------------------------------------

CThreadLoadSMBox::CThreadLoadSMBox(IMessageBox* box, ILocalizer* localizer)
    : box_(box), localizer_(localizer) {}

CThreadLoadSMBox::~CThreadLoadSMBox() {
    Join();
}

void CThreadLoadSMBox::DoJob() {
    ReportText(SmsText(localizer_, u"Loading"));
    if (box_ == nullptr)
        return;
    int status = kStatusUntouched;
    box_->Load(this, &status);
    succeeded_ = status == kStatusOk;
}

void CThreadLoadSMBox::OnLoading(const SMSMessage& message, int total, int current) {
    ReportStep(current, total);
    ReportText(SmsLoadingText(localizer_, message));
}

// ---- CThreadRemoveMsg -------------------------------------------------------------------

CThreadRemoveMsg::CThreadRemoveMsg(IMessageBox* box, std::vector<int> positions,
                                   ILocalizer* localizer)
    : box_(box), positions_(std::move(positions)), localizer_(localizer) {
    positions_.erase(
        std::remove_if(positions_.begin(), positions_.end(), [](int p) { return p < 0; }),
        positions_.end());
    std::sort(positions_.begin(), positions_.end(), std::greater<int>());
    positions_.erase(std::unique(positions_.begin(), positions_.end()), positions_.end());
}

CThreadRemoveMsg::CThreadRemoveMsg(IMessageBox* box,
                                   std::vector<std::pair<int, SMSMessage>> expected,
                                   ILocalizer* localizer)
    : box_(box), localizer_(localizer) {
    std::stable_sort(expected.begin(), expected.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    for (auto& [position, message] : expected) {
        if (position < 0 || (!positions_.empty() && positions_.back() == position))
            continue;
        positions_.push_back(position);
        expected_.push_back(std::move(message));
    }
}

CThreadRemoveMsg::~CThreadRemoveMsg() {
    Join();
}

int CThreadRemoveMsg::CurrentPosition(std::size_t slot) {
    const int position = positions_[slot];
    if (expected_.empty())
        return position;
    const SMSMessage& meant = expected_[slot];
    if (position < box_->GetCount() && IsSameMessage(box_->GetAt(position), meant))
        return position;
    for (int other = box_->GetCount() - 1; other >= 0; --other) {
        if (IsSameMessage(box_->GetAt(other), meant))
            return other;
    }
    return -1;
}

void CThreadRemoveMsg::DoJob() {
    const std::u16string text = SmsText(localizer_, u"Deleting");
    ReportText(text);
    if (box_ == nullptr) {
        refused_ = !positions_.empty();
        return;
    }
    const int total = static_cast<int>(positions_.size());
    for (std::size_t slot = 0; slot < positions_.size(); ++slot) {
        ReportStep(static_cast<int>(slot), total);
        ReportText(text);
        MessageBoxLock lock(box_);
        // A card that went away has emptied its box: nothing of it can be deleted.
        if (!expected_.empty() && !box_->IsLoaded()) {
            refused_ = true;
            return;
        }
        const int position = CurrentPosition(slot);
        if (position < 0)
            continue;  // deleted meanwhile: nothing left to do for it
        if (!box_->RemoveAt(position)) {
            refused_ = true;
            return;
        }
        ++deleted_;
        deleted_positions_.push_back(position);
    }
    ReportStep(total, total);
}

}  // namespace dedevev
