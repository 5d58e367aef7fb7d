#pragma once
// `dedevev --simulate`: the program on a simulated card that runs inside its own process,
// with a private simulated-device folder and a demo data folder, so that trying the program
// never touches a real modem nor the person's own settings, messages and contacts.
//
//   CommandLine line = ParseCommandLine(argc, argv);   // before QApplication
//   Simulation simulation(line.kind);
//   simulation.Prepare(&error);   // environment, before anything reads it or starts a thread
//   simulation.Start(&error);     // the card; before the device layer is first touched
//   ... the program runs ...
//   simulation.Stop();            // after the main window has closed

#include <memory>
#include <string>
#include <vector>

#include "sim/CardModel.h"

namespace dedevev::sim {
class CardSimulator;
}

namespace dedevev::app {

// The simulated card's PIN and PUK.
inline constexpr char kDemoPin[] = "1234";
inline constexpr char kDemoPuk[] = "12345678";

struct CommandLine {
    bool help = false;
    bool simulate = false;
    sim::CardKind kind = sim::CardKind::kCdma;
    bool pin_locked = false;  // --pin: the simulated card starts asking for its PIN
    std::string error;        // a bad value of one of our options
};

// Reads the options of this program and leaves every other argument alone (Qt's own options
// such as -platform are taken by QApplication later).
CommandLine ParseCommandLine(int argc, char** argv);
// Arguments that look like options but are neither ours nor taken by Qt.
std::vector<std::string> UnknownOptions(int argc, char** argv);
const char* UsageText();

class Simulation {
public:
    // `pin_locked`: the card has its PIN request on and asks for the PIN (the demo PIN,
    // kDemoPin) when the program starts.
    explicit Simulation(sim::CardKind kind, bool pin_locked = false);
    ~Simulation();  // Stop()
    Simulation(const Simulation&) = delete;
    Simulation& operator=(const Simulation&) = delete;

    // Points XDG_DATA_HOME at the demo data folder and DEDEVEV_DEVICE_DIR at the private
    // simulated-device folder (creating it). Call before any thread starts.
    bool Prepare(std::string* error);
    // Starts the card in the prepared folder.
    bool Start(std::string* error);
    // Stops the card and removes the private folder (not a folder the caller named).
    void Stop();

    std::string ControlPath() const;
    const std::string& DeviceFolder() const { return device_folder_; }

private:
    sim::CardKind kind_;
    bool pin_locked_;
    std::string device_folder_;
    std::string private_root_;  // the folder to remove at the end; empty when the caller chose
    std::unique_ptr<sim::CardSimulator> card_;
};

}  // namespace dedevev::app
