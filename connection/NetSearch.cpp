#include "connection/NetSearch.h"

#include <charconv>

#include "device/DeviceStatus.h"
#include "device/IDeviceControl.h"
#include "device/base/Utf.h"
#include "resources/Localizer.h"

namespace dedevev {

namespace {

// A row shorter than this is where the list ends.
constexpr std::size_t kShortestRow = 12;

struct Field {
    std::string_view text;  // without its quotes
    bool quoted = false;
};

// The comma-separated fields of `text`; commas inside quotes belong to the field.
std::vector<Field> SplitFields(std::string_view text) {
    std::vector<Field> fields;
    std::size_t start = 0;
    bool in_quotes = false;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] == '"')
            in_quotes = !in_quotes;
        if (i < text.size() && (text[i] != ',' || in_quotes))
            continue;
        std::string_view field = text.substr(start, i - start);
        while (!field.empty() && field.front() == ' ')
            field.remove_prefix(1);
        while (!field.empty() && field.back() == ' ')
            field.remove_suffix(1);
        Field f;
        if (field.size() >= 2 && field.front() == '"' && field.back() == '"') {
            f.quoted = true;
            field = field.substr(1, field.size() - 2);
        }
        f.text = field;
        fields.push_back(f);
        start = i + 1;
    }
    return fields;
}

bool ToInt(const Field& field, int* value) {
    if (field.quoted || field.text.empty())
        return false;
    const char* end = field.text.data() + field.text.size();
    const auto [ptr, error] = std::from_chars(field.text.data(), end, *value);
    return error == std::errc() && ptr == end;
}

const char16_t* StateKey(int state) {
    switch (state) {
        case 1:
            return u"available";
        case 2:
            return u"current";
        case 3:
            return u"forbidden";
        default:
            return u"unknown";
    }
}

// How an operation that set `status` went; after a failure the card is asked whether it is
// still there at all.
CardJobOutcome OutcomeOf(int status, IDeviceControl& control) {
    if (status == kStatusOk)
        return CardJobOutcome::kDone;
    int alive = kStatusUntouched;
    control.CheckAlive(&alive);
    return alive == kStatusOk ? CardJobOutcome::kRefused : CardJobOutcome::kCardLost;
}

}  // namespace

bool ParseNetworkRow(std::string_view text, NetworkRow* row) {
    const std::vector<Field> fields = SplitFields(text);
    int state = 0;
    if (fields.size() < 4 || !ToInt(fields[0], &state))
        return false;
    // The state and the long name go; the next two quoted texts are the name and the number.
    std::vector<std::string_view> quoted;
    for (std::size_t i = 2; i < fields.size() && quoted.size() < 2; ++i) {
        if (fields[i].quoted)
            quoted.push_back(fields[i].text);
    }
    if (quoted.size() < 2)
        return false;
    row->state = StateKey(state);
    row->name = Utf8ToUtf16(quoted[0]);
    row->number = Utf8ToUtf16(quoted[1]);
    int system = 0;
    if (ToInt(fields.back(), &system))
        row->system = system == 0 ? u"2G" : u"3G";
    else
        row->system.clear();
    return true;
}

std::vector<NetworkRow> ParseNetworkRows(const std::vector<std::string>& texts) {
    std::vector<NetworkRow> rows;
    for (const std::string& text : texts) {
        if (text.size() < kShortestRow)
            break;
        NetworkRow row;
        if (ParseNetworkRow(text, &row))
            rows.push_back(std::move(row));
    }
    return rows;
}

void CThreadLoadNet::DoJob() {
    ReportText(LocalText("Searching net...", "DlgSMS"));
    ReportStep(1, 2);
    networks_.clear();
    outcome_ = CardJobOutcome::kCardLost;
    if (control_ != nullptr) {
        int status = kStatusUntouched;
        std::vector<std::string> networks = control_->SearchNetworks(&status);
        outcome_ = OutcomeOf(status, *control_);
        if (outcome_ == CardJobOutcome::kDone)
            networks_ = std::move(networks);  // what comes with a failure is no list
    }
    ReportStep(2, 2);
}

void CThreadSetNet::DoJob() {
    ReportText(LocalText("Set net...", "DlgSMS"));
    ReportStep(1, 2);
    operator_name_.clear();
    outcome_ = CardJobOutcome::kCardLost;
    if (control_ != nullptr) {
        int status = kStatusUntouched;
        control_->SelectNetwork(name_, &status);
        outcome_ = OutcomeOf(status, *control_);
    }
    if (outcome_ != CardJobOutcome::kCardLost) {
        int status = kStatusUntouched;
        operator_name_ = control_->GetOperatorName(&status);
        if (status != kStatusOk)
            operator_name_.clear();
    }
    ReportStep(2, 2);
}

}  // namespace dedevev
