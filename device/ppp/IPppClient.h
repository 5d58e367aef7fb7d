#pragma once
// The dial-up library: brings a PPP link up over the card's data port and reports its state,
// its errors and its byte counters. Two drivers stand behind it: pppd for real cards, and a
// simulated link for simulated cards (chosen by the port at Dial()).

#include <cstdint>
#include <string>

#include "device/SessionStats.h"

namespace dedevev {

class ICDMATime;

// What Dial() needs; the order of the fields is part of the interface.
struct DialParams {
    std::u16string device;      // the data port the link runs over (a device path)
    std::u16string entry_name;  // the connection's name, shown in logs
    std::u16string number;      // the dial string: digits, '*', '#', '+', ',' and 'P'/'T'/'W'
    std::u16string user;
    std::u16string password;
    std::u16string dns_primary;    // dotted IPv4 or empty
    std::u16string dns_secondary;  // dotted IPv4 or empty
    std::u16string ip_address;     // dotted IPv4 or empty (the address asked for)
    std::u16string mcc_mnc;
    std::uint8_t use_dns = 0;
    std::uint8_t use_ip = 0;
};

// Dial states, numbered as the desktop's dial-up states are: the progress of a dial counts up
// from 0, kDialStatePaused and up are interactive pauses, then connected and disconnected.
constexpr int kDialStateOpenPort = 0;
constexpr int kDialStatePortOpened = 1;
constexpr int kDialStateConnectDevice = 2;
constexpr int kDialStateDeviceConnected = 3;
constexpr int kDialStateAllDevicesConnected = 4;
constexpr int kDialStateAuthenticate = 5;
constexpr int kDialStateAuthNotify = 6;
constexpr int kDialStateAuthRetry = 7;
constexpr int kDialStateAuthCallback = 8;
constexpr int kDialStateAuthChangePassword = 9;
constexpr int kDialStateAuthProject = 10;
constexpr int kDialStateAuthLinkSpeed = 11;
constexpr int kDialStateAuthAck = 12;
constexpr int kDialStateReAuthenticate = 13;
constexpr int kDialStateAuthenticated = 14;
constexpr int kDialStatePrepareForCallback = 15;
constexpr int kDialStateWaitForModemReset = 16;
constexpr int kDialStateWaitForCallback = 17;
constexpr int kDialStateProjected = 18;
constexpr int kDialStateStartAuthentication = 19;
constexpr int kDialStateCallbackComplete = 20;
constexpr int kDialStateLogonNetwork = 21;
constexpr int kDialStateSubEntryConnected = 22;
constexpr int kDialStateSubEntryDisconnected = 23;
constexpr int kDialStatePaused = 0x1000;  // "Interactive"
constexpr int kDialStateRetryAuthentication = 0x1001;
constexpr int kDialStateCallbackSetByCaller = 0x1002;
constexpr int kDialStatePasswordExpired = 0x1003;
constexpr int kDialStateInvokeEapUI = 0x1004;
constexpr int kDialStateConnected = 0x2000;
constexpr int kDialStateDisconnected = 0x2001;

// The state's symbolic name ("RASCS_OpenPort" ... "RASCS_Disconnected"); empty for a value
// that is not one of the 31 states.
std::u16string DialStateName(int state);

// Error codes of the library. Codes below 600 are system error numbers (errno).
constexpr int kDialErrorNone = 0;
constexpr int kDialErrorPending = 600;         // still dialling
constexpr int kDialErrorInvalidParams = 602;   // a dial string or option we refuse
constexpr int kDialErrorPortClosed = 619;      // the port closed: the card went away
constexpr int kDialErrorRemoteHangUp = 629;    // the modem or network hung up
constexpr int kDialErrorPortBusy = 633;        // the port is locked or held by another program
constexpr int kDialErrorDeviceError = 651;     // the modem answered an error / chat failed
constexpr int kDialErrorLineBusy = 676;        // BUSY
constexpr int kDialErrorNoAnswer = 678;        // NO CARRIER / no answer
constexpr int kDialErrorAuthentication = 691;  // the peer refused our user and password
constexpr int kDialErrorNoDevice = 692;        // the port cannot be opened
constexpr int kDialErrorNegotiation = 718;     // PPP negotiation failed or timed out
constexpr int kDialErrorIdleTimeout = 752;     // the link was idle / its time limit ran out
constexpr int kDialErrorNoKernelPpp = 760;     // the kernel has no PPP support (/dev/ppp)
constexpr int kDialErrorNotPermitted = 761;    // pppd may not be run by this user
constexpr int kDialErrorNoPppd = 762;          // pppd is not installed
constexpr int kDialErrorFatal = 763;           // pppd ended for another reason

// The library's listener: every state change while dialling and while the link is up.
// A text a person understands for a library error code or a system error number.
std::u16string DialErrorText(int error);

class IRasListener {
public:
    // 0: the new state and the error that came with it (0 when none).
    virtual void OnDialState(int state, int error) = 0;

protected:
    ~IRasListener() = default;
};

// Every operation may be called from any thread; the object locks itself.
class IPppClient {
public:
    // 0: the card's control port (a device path, UTF-16).
    virtual void SetPort(const std::u16string& port) = 0;
    // 1: an extra text for the operator's log (only called when not empty).
    virtual void SetOperatorText(const std::string& text) = 0;
    // 2: which authentication protocols may be used (both 0: whatever the peer asks).
    virtual void SetAuthProtocols(std::uint8_t chap, std::uint8_t pap) = 0;
    // 3: starts dialling; states then arrive at the listener. False when it could not start:
    // errno then holds the reason (a system error number or a kDialError* code).
    virtual bool Dial(const DialParams& params) = 0;
    // 4: ends the link (or the dial) and waits until it has ended; nothing is left running.
    virtual void HangUp() = 0;
    // 5: the current state; `error` (preset 0 by the caller) gets the current error:
    // kDialErrorPending while dialling, kDialErrorPortClosed when the port went away.
    virtual int GetState(int* error) = 0;
    // 6: a text a person understands for an error code (library or system).
    virtual std::u16string GetErrorText(int error) = 0;
    // 7: bytes sent and received on the link so far. False without a link.
    virtual bool GetByteCounters(std::uint64_t* sent, std::uint64_t* received) = 0;
    // 8: the session's statistics (start, seconds up, bytes). They stay readable after the
    // link ended until the next Dial(), so that a dropped session can still be recorded.
    // False when no session was ever up.
    virtual bool GetStatistics(SessionStats* stats) = 0;
    // 9: a line about the link (interface, addresses, driver); empty without one.
    virtual std::u16string GetInfoText() = 0;
    // 10: the listener for state changes, or null.
    virtual void SetListener(IRasListener* listener) = 0;

    virtual ~IPppClient() = default;
};

// Makes the library's object; `time` (may be null) stamps the sessions' start.
IPppClient* CreatePppClient(ICDMATime* time);
void ReleasePppClient(IPppClient* client);

}  // namespace dedevev
