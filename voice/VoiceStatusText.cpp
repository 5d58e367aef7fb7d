#include "voice/VoiceStatusText.h"

#include <algorithm>
#include <cstdio>

#include "phonebook/NameMapping.h"
#include "resources/Localizer.h"

namespace dedevev {

namespace {

constexpr char16_t kSection[] = u"DlgVoice";
constexpr char16_t kBlankLine[] = u"\r\n\r\n";

std::u16string Text(ILocalizer* localizer, const std::u16string& key,
                    const std::u16string& section = kSection) {
    return localizer != nullptr ? localizer->GetText(key, section) : key;
}

std::u16string Ascii(const char* text) {
    return std::u16string(text, text + std::char_traits<char>::length(text));
}

const char16_t* PhaseKey(CallPhase phase) {
    switch (phase) {
        case CallPhase::kRinging:
            return u"CallComming";
        case CallPhase::kTalking:
            return u"Connected";
        case CallPhase::kHangingUp:
            return u"Disconnecting";
        default:
            return u"Calling";
    }
}

// A call in progress: what it does, who, and the talk time once it talks.
std::u16string LineText(const CallLine& line, INameMapping* mapping, ILocalizer* localizer) {
    std::u16string text = Text(localizer, PhaseKey(line.phase)) + kBlankLine +
                          CallDisplayName(line.record, mapping, localizer);
    if (line.phase == CallPhase::kTalking)
        text += u"\r\n" + TalkTimeText(line.record.duration);
    return text;
}

// A finished call: who and how long.
std::u16string Summary(const CallRecord& record, INameMapping* mapping, ILocalizer* localizer) {
    return CallDisplayName(record, mapping, localizer) + u"\r\n" + TalkTimeText(record.duration);
}

// A missed call: who and when it rang.
std::u16string MissedSummary(const CallRecord& record, INameMapping* mapping,
                             ILocalizer* localizer) {
    char when[32];
    std::snprintf(when, sizeof when, "%04d-%02d-%02d %02d:%02d", record.start.year,
                  record.start.month, record.start.day, record.start.hour, record.start.minute);
    return CallDisplayName(record, mapping, localizer) + u"\r\n" + Ascii(when);
}

}  // namespace

std::u16string CallDisplayName(const CallRecord& record, INameMapping* mapping,
                               ILocalizer* localizer) {
    if (record.number.empty())
        return record.name.empty() ? Text(localizer, u"Unknown", u"") : record.name;
    std::u16string name = record.name;
    if (name.empty() && mapping != nullptr) {
        std::u16string matched;
        mapping->Lookup(name, record.number, matched);
    }
    return name.empty() ? record.number : name + u"(" + record.number + u")";
}

std::u16string TalkTimeText(int seconds) {
    seconds = std::max(seconds, 0);
    char text[24];
    if (seconds >= 3600)
        std::snprintf(text, sizeof text, "%d:%02d:%02d", seconds / 3600, seconds / 60 % 60,
                      seconds % 60);
    else
        std::snprintf(text, sizeof text, "%02d:%02d", seconds / 60, seconds % 60);
    return Ascii(text);
}

std::u16string VoiceStatusText(const VoiceStatus& status, INameMapping* mapping,
                               ILocalizer* localizer) {
    if (status.current) {
        std::u16string text = LineText(*status.current, mapping, localizer);
        if (status.second)
            text += kBlankLine + LineText(*status.second, mapping, localizer);
        if (!status.info.empty())
            text += kBlankLine + status.info;
        return text;
    }
    if (!status.dial_buffer.empty())
        return status.dial_buffer;
    if (status.last_call && status.last_missed) {
        std::u16string text = Text(localizer, u"MissedCall");
        if (status.unseen_missed > 1)
            text += u"(" + Ascii(std::to_string(status.unseen_missed).c_str()) + u")";
        text += kBlankLine + MissedSummary(*status.last_call, mapping, localizer);
        if (status.unseen_missed > 1)
            text += std::u16string(kBlankLine) + u"...";
        return text;
    }
    if (status.last_call) {
        std::u16string text = Text(localizer, u"Disconnected") + kBlankLine +
                              Summary(*status.last_call, mapping, localizer);
        if (status.last_second)
            text += kBlankLine + Summary(*status.last_second, mapping, localizer);
        return text;
    }
    return Text(localizer, u"InputNumber");
}

std::u16string IncomingNoticeText(const CallRecord& record, INameMapping* mapping,
                                  ILocalizer* localizer) {
    return CallDisplayName(record, mapping, localizer) + kBlankLine +
           Text(localizer, u"ClickAccept");
}

int VolumeForPosition(int position) {
    return std::clamp(position, 0, 80) * 8 / 80;
}

}  // namespace dedevev
