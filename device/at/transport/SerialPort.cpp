#include "device/at/transport/SerialPort.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>

#include "device/at/transport/PortAccess.h"
#include "device/at/transport/PortOwner.h"

namespace dedevev::at {

namespace {

bool SpeedOf(int baud, speed_t* speed) {
    switch (baud == 0 ? kDefaultBaud : baud) {
        case 9600:
            *speed = B9600;
            return true;
        case 19200:
            *speed = B19200;
            return true;
        case 38400:
            *speed = B38400;
            return true;
        case 57600:
            *speed = B57600;
            return true;
        case 115200:
            *speed = B115200;
            return true;
        case 230400:
            *speed = B230400;
            return true;
        case 460800:
            *speed = B460800;
            return true;
        case 921600:
            *speed = B921600;
            return true;
        default:
            return false;
    }
}

void SetError(std::string* error, std::string text) {
    if (error)
        *error = std::move(text);
}

bool DescribeHolders(const std::string& path, bool ignore_far_end, std::string* error) {
    for (const PortHolder& holder : FindPortHolders(path)) {
        if (ignore_far_end && holder.pty_far_end)
            continue;
        SetError(error, DescribePortHolder(holder, path));
        return true;
    }
    return false;
}

}  // namespace

bool ConfigureRaw(int fd, int baud, std::string* error) {
    speed_t speed = B115200;
    if (!SpeedOf(baud, &speed)) {
        SetError(error, "unsupported speed " + std::to_string(baud));
        return false;
    }
    termios tio;
    if (::tcgetattr(fd, &tio) != 0) {
        SetError(error, std::string("not a serial port: ") + std::strerror(errno));
        return false;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~(CRTSCTS | CSTOPB | PARENB);
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        SetError(error, std::string("cannot set up the port: ") + std::strerror(errno));
        return false;
    }
    return true;
}

int OpenSerialPort(const std::string& path, const SerialOptions& options, std::string* error) {
    speed_t speed;
    if (!SpeedOf(options.baud, &speed)) {
        SetError(error, "unsupported speed " + std::to_string(options.baud));
        return -1;
    }
    // A port another program uses would get half of each answer: refuse it by name. The
    // check comes before the open because nothing else stops a second opener (root ignores
    // TIOCEXCL, and most programs do not set it).
    if (options.check_owner && DescribeHolders(path, options.ignore_pty_far_end, error))
        return -1;
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        const int code = errno;
        if (code == EBUSY && DescribeHolders(path, false, error))
            return -1;
        if (const auto denial = DescribePortDenial(path, code)) {
            SetError(error, DescribeDenial(*denial));
            return -1;
        }
        SetError(error, "cannot open " + path + ": " + std::strerror(code));
        return -1;
    }
    if (!ConfigureRaw(fd, options.baud, error)) {
        ::close(fd);
        return -1;
    }
    if (options.exclusive)
        ::ioctl(fd, TIOCEXCL);
    // Modems want DTR (and RTS) up to accept commands; a pty has neither line.
    int lines = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(fd, TIOCMBIS, &lines);
    ::tcflush(fd, TCIOFLUSH);
    return fd;
}

void CloseSerialPort(int fd) {
    if (fd < 0)
        return;
    ::tcflush(fd, TCOFLUSH);
    // The exclusive flag stays on the terminal while anyone else still has it open (a
    // simulated card keeps its own end of the pty): left set, it would keep every later
    // opener out.
    ::ioctl(fd, TIOCNXCL);
    ::close(fd);
}

}  // namespace dedevev::at
