#include "mainwindow/MainStatus.h"

#include <cstdio>
#include <numeric>

namespace dedevev {

int SignalBars(int level) {
    if (level >= 99)
        level = 0;
    if (level <= 0)
        return 0;
    if (level <= 5)
        return 1;
    if (level <= 11)
        return 2;
    if (level <= 17)
        return 3;
    if (level <= 23)
        return 4;
    return 5;
}

int SignalAverage::Push(int bars) {
    if (!recent_.empty())
        recent_.pop_front();
    recent_.push_back(bars);
    const int count = static_cast<int>(recent_.size());
    const int sum = std::accumulate(recent_.begin(), recent_.end(), 0);
    int level = sum / count;
    if (sum % count != 0 && count > 1)
        ++level;
    return level;
}

std::string FormatTrafficKb(double kb) {
    char text[64];
    if (kb < 1024.0) {
        std::snprintf(text, sizeof text, "%.3f KB ", kb);
    } else if (kb < 1048576.0) {
        std::snprintf(text, sizeof text, "%.3f MB ", kb / 1024.0);
    } else {
        std::snprintf(text, sizeof text, "%.3f GB ", kb / 1024.0 / 1024.0);
    }
    return text;
}

std::string FormatAddress(std::uint32_t address) {
    if (address == 0)
        return {};
    return std::to_string(address >> 24) + '.' + std::to_string((address >> 16) & 0xFF) + '.' +
           std::to_string((address >> 8) & 0xFF) + '.' + std::to_string(address & 0xFF);
}

const char* CardTextKey(CardText text) {
    switch (text) {
        case CardText::kUnchanged:
            return nullptr;
        case CardText::kUsim:
            return "USIM";
        case CardText::kUim:
            return "UIM";
        case CardText::kPinLocked:
            return "UimPinLocked";
        case CardText::kNoCard:
            return "NoUIMCard";
        case CardText::kInitializing:
            return "InitUIMCard";
    }
    return nullptr;
}

int& NoCardReports() {
    static int count = 0;
    return count;
}

CardStateDisplay CardStateFor(std::uint64_t wparam, std::int64_t lparam, int& no_card_reports) {
    constexpr int kNoCardThreshold = 20;
    constexpr int kParked = 32;
    CardStateDisplay display;
    if (wparam > 0xFFFF) {
        display.ready = true;
        display.text = (wparam & 0xFFFF) == 1 ? CardText::kUsim : CardText::kUim;
        return display;
    }
    if (lparam != 0) {
        display.pin_locked = true;
        display.text = CardText::kPinLocked;
        return display;
    }
    // Parked above the threshold so that it never wraps however long the card stays out.
    if (no_card_reports < kParked)
        ++no_card_reports;
    if (no_card_reports >= kNoCardThreshold) {
        no_card_reports = kParked;
        display.text = CardText::kNoCard;
        display.red = true;
    }
    return display;
}

CardText InitialCardText(const std::string& card_status, bool service_ok, int card_type) {
    if (card_status == "READY" && service_ok && card_type != 0)
        return card_type == 1 ? CardText::kUsim : CardText::kUim;
    if (card_status == "SIM PIN" || card_status == "SIM PUK")
        return CardText::kPinLocked;
    return CardText::kInitializing;
}

DisplayText NetworkFieldText(bool card_ready, int system_mode, int service_state) {
    if (!card_ready)
        return {"MainWnd", "SearchNet", {}};
    if (service_state == 2) {
        switch (system_mode) {
            case 1:
                return {"", "", u"AMPS"};
            case 2:
                return {"", "", u"CDMA"};
            case 3:
                return {"", "", u"GSM"};
            case 4:
                return {"", "", u"HDR"};
            case 5:
                return {"", "", u"WCDMA"};
            case 9:
                return {"", "", u"LTE"};
            default:
                return {"", "Unknown", {}};
        }
    }
    switch (service_state) {
        case 0:
            return {"DlgNet", "ErrInfo_NoService", {}};
        case 1:
            return {"DlgNet", "ErrInfo_RestrictedService", {}};
        case 3:
            return {"DlgNet", "ErrInfo_RestrictedRegional", {}};
        case 4:
            return {"DlgNet", "ErrInfo_LowPower", {}};
        default:
            return {"MainWnd", "SearchNet", {}};
    }
}

std::optional<std::u16string> ServiceGeneration(int system_mode) {
    switch (system_mode) {
        case 1:
            return u"1G";
        case 3:
            return u"2G";
        case 2:
        case 4:
        case 5:
            return u"3G";
        case 9:
            return u"4G";
        default:
            return std::nullopt;
    }
}

bool OperatorNameNeedsReread(const std::u16string& name) {
    return name.size() <= 1;
}

bool RunCloseSequence(bool device_ready, IMainCloseSteps& steps) {
    if (device_ready && steps.NetworkWorkerRunning() && !steps.Confirm("MsgCloseConfirm"))
        return false;
    if (device_ready && steps.CallInProgress() && !steps.Confirm("MsgHangupConfirm"))
        return false;
    steps.SetClosing();
    steps.RequestStatusStop();
    steps.HideWindow();
    steps.ShowClosingOnTray();
    steps.EndVoiceCall();
    steps.StopNetworkWorker();
    steps.WaitForStatusThread();
    steps.RemoveTrayIcon();
    steps.EndDialog();
    steps.PostQuit();
    return true;
}

}  // namespace dedevev
