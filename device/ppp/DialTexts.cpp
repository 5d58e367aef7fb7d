// The dial states' names and the error texts of the dial-up library.

#include <array>
#include <cstring>
#include <string>

#include "device/base/Utf.h"
#include "device/ppp/IPppClient.h"

namespace dedevev {

std::u16string DialStateName(int state) {
    static constexpr std::array<const char16_t*, 24> kProgress = {u"RASCS_OpenPort",
                                                                  u"RASCS_PortOpened",
                                                                  u"RASCS_ConnectDevice",
                                                                  u"RASCS_DeviceConnected",
                                                                  u"RASCS_AllDevicesConnected",
                                                                  u"RASCS_Authenticate",
                                                                  u"RASCS_AuthNotify",
                                                                  u"RASCS_AuthRetry",
                                                                  u"RASCS_AuthCallback",
                                                                  u"RASCS_AuthChangePassword",
                                                                  u"RASCS_AuthProject",
                                                                  u"RASCS_AuthLinkSpeed",
                                                                  u"RASCS_AuthAck",
                                                                  u"RASCS_ReAuthenticate",
                                                                  u"RASCS_Authenticated",
                                                                  u"RASCS_PrepareForCallback",
                                                                  u"RASCS_WaitForModemReset",
                                                                  u"RASCS_WaitForCallback",
                                                                  u"RASCS_Projected",
                                                                  u"RASCS_StartAuthentication",
                                                                  u"RASCS_CallbackComplete",
                                                                  u"RASCS_LogonNetwork",
                                                                  u"RASCS_SubEntryConnected",
                                                                  u"RASCS_SubEntryDisconnected"};
    static constexpr std::array<const char16_t*, 5> kPaused = {
        u"RASCS_Interactive", u"RASCS_RetryAuthentication", u"RASCS_CallbackSetByCaller",
        u"RASCS_PasswordExpired", u"RASCS_InvokeEapUI"};
    if (state >= 0 && state < static_cast<int>(kProgress.size()))
        return kProgress[static_cast<std::size_t>(state)];
    if (state >= kDialStatePaused && state < kDialStatePaused + static_cast<int>(kPaused.size()))
        return kPaused[static_cast<std::size_t>(state - kDialStatePaused)];
    if (state == kDialStateConnected)
        return u"RASCS_Connected";
    if (state == kDialStateDisconnected)
        return u"RASCS_Disconnected";
    return {};
}

std::u16string DialErrorText(int error) {
    const char* text = nullptr;
    switch (error) {
        case kDialErrorNone:
            text = "No error.";
            break;
        case kDialErrorPending:
            text = "The connection is still being made.";
            break;
        case kDialErrorInvalidParams:
            text =
                "The dial string or a connection setting contains characters that cannot be "
                "dialled.";
            break;
        case kDialErrorPortClosed:
            text = "The card's port was closed: the card was removed or stopped answering.";
            break;
        case kDialErrorRemoteHangUp:
            text = "The network or the modem ended the connection.";
            break;
        case kDialErrorPortBusy:
            text = "The card's data port is in use by another program or locked.";
            break;
        case kDialErrorDeviceError:
            text = "The modem refused the dial (the connect step failed).";
            break;
        case kDialErrorLineBusy:
            text = "The network is busy; try again later.";
            break;
        case kDialErrorNoAnswer:
            text = "The network did not answer the dial (no carrier).";
            break;
        case kDialErrorAuthentication:
            text = "The network refused the user name or password.";
            break;
        case kDialErrorNoDevice:
            text = "The card's data port cannot be opened.";
            break;
        case kDialErrorNegotiation:
            text =
                "The link could not be set up with the network (PPP negotiation failed or "
                "timed out).";
            break;
        case kDialErrorIdleTimeout:
            text = "The link was ended because it was idle or its time limit ran out.";
            break;
        case kDialErrorNoKernelPpp:
            text =
                "This computer's kernel has no PPP support (/dev/ppp is missing): load the "
                "ppp_generic module or use a kernel with PPP.";
            break;
        case kDialErrorNotPermitted:
            text =
                "pppd may not be run by this user: join the group 'dip' (a new login is "
                "needed) and allow its options there (see the README, \"Dial-up on a real "
                "card\").";
            break;
        case kDialErrorNoPppd:
            text = "pppd is not installed (install the package 'ppp').";
            break;
        case kDialErrorFatal:
            text = "pppd ended with an error.";
            break;
        default:
            break;
    }
    if (text != nullptr)
        return Utf8ToUtf16(text);
    if (error > 0 && error < kDialErrorPending)
        return Utf8ToUtf16(std::strerror(error));
    return Utf8ToUtf16("Unknown dial-up error " + std::to_string(error) + ".");
}

}  // namespace dedevev
