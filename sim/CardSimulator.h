#pragma once
// A running simulated card: the card model behind an AT port, a data port and a voice port on
// pseudo-terminals, announced in the simulated-device folder, with a control channel (a Unix
// socket speaking the line protocol of ControlProtocol.h). Everything runs on the card's own
// thread; Control() may be called from any thread.
//
//   CardSimulator sim(options);
//   sim.Start();
//   sim.Control("signal 5");
//   open(sim.AtPortPath()) ...
//   sim.Stop();

#include <memory>
#include <string>

#include "sim/CardModel.h"

namespace dedevev::sim {

struct SimOptions {
    CardKind kind = CardKind::kCdma;
    std::string name;        // empty: "DEDEVev CardSim CDMA" / "DEDEVev CardSim GSM"
    std::string device_dir;  // empty: DeviceFolder()
    bool announce = true;    // write the announcement file
    bool control_socket = true;
};

class CardSimulator {
public:
    explicit CardSimulator(SimOptions options = {});
    ~CardSimulator();  // stops
    CardSimulator(const CardSimulator&) = delete;
    CardSimulator& operator=(const CardSimulator&) = delete;

    // Opens the ports, the control socket and the announcement and starts the card's thread.
    bool Start(std::string* error = nullptr);
    // Stops the thread, closes every port and removes the announcement and the socket.
    void Stop();
    bool Running() const;

    // Runs one control command ("signal 5") and returns its answer line ("OK ..." / "ERR ...").
    std::string Control(const std::string& line);

    // Current paths; the port paths change when the card is pulled and inserted again and are
    // empty while it is out.
    std::string AtPortPath() const;
    std::string DataPortPath() const;
    std::string VoicePortPath() const;
    std::string ControlPath() const;
    std::string AnnouncementPath() const;
    std::string Name() const;

    class Impl;

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace dedevev::sim
