#include "device/at/features/ModemAgent.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

#include "device/base/Clock.h"

namespace dedevev::at {

namespace {

std::mutex g_log_folder_mutex;
std::string g_log_folder;

// Creates `path` and its missing parents (0700, like the data folder).
bool MakeFolders(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    std::string partial;
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find('/', pos + 1);
        partial = path.substr(0, pos);
        if (partial.empty()) {
            continue;
        }
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
    }
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

void SetLogFolder(const std::string& folder) {
    std::lock_guard<std::mutex> lock(g_log_folder_mutex);
    g_log_folder = folder;
}

std::string LogFolder() {
    {
        std::lock_guard<std::mutex> lock(g_log_folder_mutex);
        if (!g_log_folder.empty()) {
            return g_log_folder;
        }
    }
    const char* data_home = std::getenv("XDG_DATA_HOME");
    if (data_home != nullptr && data_home[0] == '/') {
        return std::string(data_home) + "/Dataline";
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') {
        return std::string(home) + "/.local/share/Dataline";
    }
    return "/tmp/Dataline";
}

// ---- ModemContext -----------------------------------------------------------------------

Response ModemContext::Run(const std::string& text, Millis timeout) {
    Command command;
    command.text = text;
    command.timeout = timeout;
    command.prefixes = AnswerPrefixes(text);
    return channel_.Send(command);
}

Response ModemContext::Run(const Command& command) {
    return channel_.Send(command);
}

Timeouts ModemContext::timeouts() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return timeouts_;
}

void ModemContext::SetTimeouts(const Timeouts& timeouts) {
    std::lock_guard<std::mutex> lock(mutex_);
    timeouts_ = timeouts;
}

bool ModemContext::IsCdma() {
    std::lock_guard<std::mutex> lock(family_mutex_);
    if (const int known = family_.load(); known >= 0)
        return known == 1;
    bool multimode = false;
    bool answering = true;
    // The family from one answer; kBoth is remembered and the next source asked.
    const auto decided = [&](CardFamily family) {
        multimode = multimode || family == CardFamily::kBoth;
        return family == CardFamily::kGsm || family == CardFamily::kCdma;
    };
    // A command's lines when the card took it; a card that stops answering ends the search.
    const auto ask = [&](const char* command, Lines* lines) {
        const Response r = Query(command);
        answering = answering && Answered(r);
        *lines = r.lines;
        return r.Ok();
    };
    CardFamily family = CardFamily::kUnknown;
    Lines lines;
    bool found = ask("AT+GCAP", &lines) && decided(family = FamilyOfCapabilities(lines));
    if (!found && answering && ask("ATI", &lines)) {
        found = decided(family = FamilyOfCapabilities(lines)) ||
                decided(family = FamilyOfIdentity(lines));
    }
    for (const char* command : {"AT+CGMM", "AT+GMM", "AT+CGMI"}) {
        if (!found && answering && ask(command, &lines))
            found = decided(family = FamilyOfIdentity(lines));
    }
    if (!found && answering && service_probe_) {
        if (const std::optional<int> mode = service_probe_())
            found = decided(family = FamilyOfSystemMode(*mode));
    }
    if (!found && answering && ask("AT+CGSN", &lines)) {
        const std::optional<std::string> id = ParseIdentity(lines, "+CGSN:", false);
        found = id && decided(family = FamilyOfHardwareId(*id));
    }
    if (!found && !answering)
        return false;  // asked again next time
    // A multi-mode card that nothing else placed keeps to CDMA, whose messages it must read.
    const bool cdma = found ? family == CardFamily::kCdma : multimode;
    family_.store(cdma ? 1 : 0);
    return cdma;
}

void ModemContext::SetServiceProbe(std::function<std::optional<int>()> probe) {
    service_probe_ = std::move(probe);
}

void ModemContext::RadioSwitchedOn() {
    radio_on_ms_.store(clock_.Now().time_since_epoch().count());
}

bool ModemContext::SimStarting() {
    const std::int64_t since = radio_on_ms_.load();
    return since >= 0 && clock_.Now().time_since_epoch().count() - since < timeouts().sim.count();
}

std::string ModemContext::AtPortPath() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return at_port_;
}

void ModemContext::SetAtPortPath(const std::string& port) {
    std::lock_guard<std::mutex> lock(mutex_);
    at_port_ = port;
}

std::string ModemContext::DataPortPath() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return data_port_;
}

void ModemContext::SetDataPortPath(const std::string& port) {
    std::lock_guard<std::mutex> lock(mutex_);
    data_port_ = port;
}

void ModemContext::Forget() {
    family_.store(-1);
    radio_on_ms_.store(-1);
    for (auto& feature : features_) {
        feature.store(Support::kUnknown);
    }
    charset_.store(Charset::kIra);
}

bool IsRefusal(const Response& response) {
    return response.final == Final::kError || response.final == Final::kCmeError ||
           response.final == Final::kCmsError;
}

bool Answered(const Response& response) {
    return response.final != Final::kTimeout && response.final != Final::kIoError &&
           response.final != Final::kNotOpen;
}

// ---- ModemAgent -------------------------------------------------------------------------

ModemAgent::ModemAgent() : device_(context_), card_(context_) {
    context_.SetServiceProbe([this] { return device_.OwnSystemMode(); });
    // Only light state is dropped here, on the engine's thread: the message boxes may be held
    // by a caller waiting for an answer, so they are emptied when a port is opened or closed.
    context_.Channel().SetDisconnectHandler([this] { card_.Reset(); });
}

ModemAgent::~ModemAgent() {
    context_.Channel().SetDisconnectHandler(nullptr);
    Close();
}

bool ModemAgent::Open(const std::string& port, int baud, int* status) {
    Close();
    std::string error;
    if (!context_.Channel().Open(port, baud, &error)) {
        std::lock_guard<std::mutex> lock(mutex_);
        last_error_ = error.empty() ? "cannot open " + port : error;
        // Asked again after the failure, so that the reason reaches callers in parts.
        last_denial_ = FindPortDenial(port);
        return false;
    }
    context_.SetAtPortPath(port);
    Opened();
    SetStatus(status, kStatusOk);
    return true;
}

bool ModemAgent::Adopt(int fd, int* status) {
    Close();
    std::string error;
    if (!context_.Channel().Adopt(fd, &error)) {
        std::lock_guard<std::mutex> lock(mutex_);
        last_error_ = error;
        last_denial_.reset();
        return false;
    }
    context_.SetAtPortPath({});
    Opened();
    SetStatus(status, kStatusOk);
    return true;
}

void ModemAgent::Opened() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        last_error_.clear();
        last_denial_.reset();
    }
    context_.Forget();
    device_.Reset();
    card_.Reset();
    sms_.Reset();
    phonebooks_.Reset();
    voice_.Reset();
    ApplyLog();
}

void ModemAgent::Close() {
    context_.Channel().Close();
    card_.Reset();
    sms_.Reset();
    phonebooks_.Reset();
    voice_.Reset();
}

void ModemAgent::EnableLog(bool on) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        log_on_ = on;
    }
    ApplyLog();
}

void ModemAgent::ApplyLog() {
    if (!context_.Channel().IsOpen()) {
        return;  // applied when a port opens
    }
    bool on = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        on = log_on_;
    }
    if (!on) {
        context_.Channel().SetLogFile("");
        return;
    }
    const std::string folder = LogFolder();
    std::string error;
    if (!MakeFolders(folder) ||
        !context_.Channel().SetLogFile(folder + "/" + kLogFileName, &error)) {
        std::lock_guard<std::mutex> lock(mutex_);
        last_error_ = "cannot write the log in " + folder + (error.empty() ? "" : ": " + error);
    }
}

std::string ModemAgent::LastError() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return last_error_;
}

std::optional<PortDenial> ModemAgent::LastDenial() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return last_denial_;
}

std::optional<PortDenial> LastModemDenial(IModemAgent* agent) {
    auto* ours = dynamic_cast<ModemAgent*>(agent);
    return ours != nullptr ? ours->LastDenial() : std::nullopt;
}

std::string LastModemError(IModemAgent* agent) {
    auto* ours = dynamic_cast<ModemAgent*>(agent);
    return ours != nullptr ? ours->LastError() : std::string();
}

bool SetModemDataPort(IModemAgent* agent, const std::string& port) {
    auto* ours = dynamic_cast<ModemAgent*>(agent);
    if (ours == nullptr)
        return false;
    ours->SetDataPort(port);
    return true;
}

}  // namespace dedevev::at
