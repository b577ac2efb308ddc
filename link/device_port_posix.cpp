// Devices on Linux: a serial port is a tty, a parallel port an lp device
// (or anything the device map names). The Windows driver keeps read and
// write timeouts in the device and enforces exclusive opens; here a small
// record beside the descriptor keeps the timeouts, poll() enforces them,
// and TIOCEXCL with a non-blocking flock() makes the open exclusive (flock
// also stops a second opener with root rights, whom TIOCEXCL lets through).
// A serial port also honours the lock files of other serial programs.
#include "link/device_port.h"

#include "link/device_map_posix.h"
#include "link/error_codes.h"
#include "link/modem_lines_posix.h"
#include "link/deadline.h"
#include "link/serial_lock_posix.h"
#include "link/stop_request.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

namespace {

struct Device {
    int fd = -1;
    uint32_t readTimeout = 0;
    uint32_t writeTimeout = 0;
    bool isTty = false;
    // A device that reports its modem lines (a real UART does, a
    // pseudo-terminal does not) gets DSR flow control.
    bool watchDsr = false;
    // A write came back short: bytes may still sit in the output queue.
    bool unsentLeft = false;
    // The serial programs' lock file this channel holds, if any.
    std::string lockFile;
    bool isUsbPrinter = false;
};

// How long a blocked write sleeps before it tries again.
constexpr int kWriteRecheckMs = 100;

// Linux has no DSR output flow control: a UART sends what is queued whatever
// DSR does. So a port with modem lines is written in pieces this long, DSR
// looked at before each, and the next one queued only once the driver's
// queue has drained. A dropped DSR then lets at most one piece (and what the
// UART or adapter already holds) through. 64 bytes are 17 ms of line at
// 38400 baud: long beside the few system calls each piece costs, so the
// line stays as busy as with whole pieces.
constexpr int32_t kDsrPaceBytes = 64;

// A device that says it is readable and then has nothing to give (the lp
// driver does) is asked again after a pause that grows up to this.
constexpr int kReadRecheckMs = 50;

// USB printers (/dev/usb/lp*): their driver returns from a non-blocking
// write once the transfer is submitted, reports the transfer's failure only
// at the next write, and cancels at close what is still in flight.
constexpr unsigned kUsbPrinterMajor = 180;

// How long one slice of a wait is at most: each wait looks at the
// program's stop request between its slices.
constexpr int kWaitSliceMs = 100;

// The error of a wait that ended without what it waited for: the program's
// stop, or else the given one.
int32_t StoppedOr(int32_t error)
{
    return LinkStopRequested() ? kErrorStopped : error;
}

// A wait that is over: its limit passed, or the program asks to stop.
bool WaitOver(const Deadline& deadline)
{
    return deadline.Expired() || LinkStopRequested();
}

speed_t SpeedFor(uint32_t baud)
{
    switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B0;
    }
}

// Raw 8-bit line. Settings the device refuses are not an error: the port
// still opens, as it would on Windows.
void ApplyLine(int fd, const SerialLine& line)
{
    termios tio{};
    if (::tcgetattr(fd, &tio) == 0) {
        ::cfmakeraw(&tio);
        tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
        tio.c_cflag |= CS8 | CREAD | CLOCAL;
        switch (line.nParity) {
        case 1: tio.c_cflag |= PARENB | PARODD; break;
        case 2: tio.c_cflag |= PARENB; break;
        case 3: tio.c_cflag |= PARENB | PARODD | CMSPAR; break;
        case 4: tio.c_cflag |= PARENB | CMSPAR; break;
        default: break;
        }
        // One and a half stop bits do not exist here; two is the nearest.
        if (line.nStopBits != 0)
            tio.c_cflag |= CSTOPB;
        tio.c_cc[VMIN] = 1;
        tio.c_cc[VTIME] = 0;
        if (speed_t speed = SpeedFor(line.nBaudRate); speed != B0)
            ::cfsetspeed(&tio, speed);
        ::tcsetattr(fd, TCSANOW, &tio);
    }
    int dtr = TIOCM_DTR;
    int rts = TIOCM_RTS;
    ::ioctl(fd, TIOCMBIS, &dtr);
    ::ioctl(fd, TIOCMBIC, &rts);
}

// Waits, within the deadline, for the printer to assert DSR.
bool WaitForDsr(const Device& d, const Deadline& deadline)
{
    for (;;) {
        if (ReadDsrLine(d.fd) != DsrLine::Dropped)
            return true;
        if (WaitOver(deadline))
            return false;
        ::poll(nullptr, 0, 2);
    }
}

// Bytes still in the device's output queue, 0 when it cannot tell.
int Unsent(const Device& d)
{
    int queued = 0;
    if (!d.isTty || ::ioctl(d.fd, TIOCOUTQ, &queued) != 0 || queued < 0)
        return 0;
    return queued;
}

// Waits, within the deadline, for the output queue to drain; returns what
// is still in it.
int DrainWithin(const Device& d, const Deadline& deadline)
{
    int unsent = Unsent(d);
    while (unsent > 0 && !WaitOver(deadline)) {
        ::poll(nullptr, 0, 1);
        unsent = Unsent(d);
    }
    return unsent;
}

enum class Queued { All, TimedOut, Failed };

// Hands bytes to the driver within the deadline; *pnDone counts those it
// took.
Queued QueueWithin(const Device& d, const unsigned char* p, int32_t nLength, const Deadline& deadline,
                   int32_t* pnDone, int32_t* pnError)
{
    bool stalled = false;
    while (*pnDone < nLength) {
        ssize_t n = ::write(d.fd, p + *pnDone, static_cast<size_t>(nLength - *pnDone));
        if (n > 0) {
            *pnDone += static_cast<int32_t>(n);
            stalled = false;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            // A terminal line that was hung up writes as an I/O error.
            *pnError = d.isTty && errno == EIO ? kErrorPeerClosed : LastSystemError();
            return Queued::Failed;
        }
        if (WaitOver(deadline))
            return Queued::TimedOut;
        pollfd pfd{d.fd, POLLOUT, 0};
        // Some drivers (lp) say writable while they are busy; do not spin.
        // Nor sleep through the whole limit: a pseudo-terminal makes room
        // without waking the writer, so look again every so often.
        const int wait = deadline.SliceMs(kWriteRecheckMs);
        int ready = ::poll(&pfd, 1, stalled && wait > 2 ? 2 : wait);
        if (stalled)
            ::poll(nullptr, 0, 1);
        stalled = ready > 0;
    }
    return Queued::All;
}

} // namespace

ChannelHandle DeviceOpen(const char* pszDevice, uint32_t nReadTimeout, uint32_t nWriteTimeout,
                         const SerialLine* pLine, int32_t* pnError)
{
    const std::string path = DevicePathFor(pszDevice);
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        *pnError = LastSystemError();
        return InvalidChannel;
    }
    // A port is a character device; a file, a FIFO or a folder named in
    // its place would take the firmware as if it were the printer.
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) {
        *pnError = kErrorNotADevice;
        ::close(fd);
        return InvalidChannel;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        *pnError = LastSystemError();
        ::close(fd);
        return InvalidChannel;
    }
    auto* d = new Device;
    d->fd = fd;
    d->readTimeout = nReadTimeout;
    d->writeTimeout = nWriteTimeout;
    d->isTty = ::isatty(fd) == 1;
    d->isUsbPrinter = ::major(st.st_rdev) == kUsbPrinterMajor;
    if (d->isTty && pLine && TakeSerialLock(path, &d->lockFile) == SerialLockResult::HeldByOther) {
        *pnError = EBUSY;
        ::close(fd);
        delete d;
        return InvalidChannel;
    }
    if (d->isTty)
        ::ioctl(fd, TIOCEXCL);
    if (d->isTty && pLine)
        ApplyLine(fd, *pLine);
    d->watchDsr = d->isTty && pLine && ReadDsrLine(fd) != DsrLine::NotReported;
    return ChannelHandleOf(d);
}

int DeviceWrite(ChannelHandle hDevice, const void* pBuffer, int32_t nLength, int32_t* pnWritten,
                int32_t* pnError)
{
    *pnWritten = 0;
    Device* d = ChannelObject<Device>(hDevice);
    if (!d) {
        *pnError = kErrorBadHandle;
        return 0;
    }
    if (nLength == 0)
        return 1;
    const Deadline deadline(d->writeTimeout);
    const auto* p = static_cast<const unsigned char*>(pBuffer);
    // Without modem lines the whole buffer is one piece.
    const int32_t pace = d->watchDsr ? kDsrPaceBytes : nLength;
    int32_t done = 0;
    int unsent = 0;
    while (done < nLength) {
        if (d->watchDsr && !WaitForDsr(*d, deadline))
            break;
        const int32_t end = nLength - done > pace ? done + pace : nLength;
        Queued queued = QueueWithin(*d, p, end, deadline, &done, pnError);
        if (queued == Queued::Failed) {
            *pnWritten = done;
            d->unsentLeft = true;
            return 0;
        }
        // A write is done when the bytes have left, not when they are
        // queued; and DSR says nothing of bytes still queued.
        unsent = DrainWithin(*d, deadline);
        if (queued == Queued::TimedOut || unsent > 0)
            break;
    }
    *pnWritten = done - (unsent < done ? unsent : done);
    if (*pnWritten < nLength) {
        *pnError = StoppedOr(kErrorByteTimedOut);
        d->unsentLeft = true;
    }
    return 1;
}

int DeviceReadOne(ChannelHandle hDevice, unsigned char* pByte, int* pbGot, int32_t* pnError)
{
    *pbGot = 0;
    Device* d = ChannelObject<Device>(hDevice);
    if (!d) {
        *pnError = kErrorBadHandle;
        return 0;
    }
    // A zero timeout waits in short steps; the per-byte limit bounds it.
    const Deadline deadline(d->readTimeout ? d->readTimeout : 1);
    int pause = 1;
    for (;;) {
        if (LinkStopRequested()) {
            *pnError = kErrorStopped;
            return 0;
        }
        pollfd pfd{d->fd, POLLIN, 0};
        int r = ::poll(&pfd, 1, deadline.SliceMs(kWaitSliceMs));
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0) {
            *pnError = LastSystemError();
            return 0;
        }
        if (r == 0) {
            if (deadline.Expired())
                return 1;
            continue;
        }
        ssize_t n = ::read(d->fd, pByte, 1);
        if (n == 1) {
            *pbGot = 1;
            return 1;
        }
        if (n == 0) {
            // End of file: the device hung up.
            *pnError = kErrorPeerClosed;
            return 0;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN) {
            // A terminal line that was hung up reads as an I/O error.
            *pnError = d->isTty && errno == EIO ? kErrorPeerClosed : LastSystemError();
            return 0;
        }
        // Readable, yet nothing to read: poll would say the same at once.
        // Each lp read also asks the printer anew, so pause, longer each
        // time, within the same limit.
        const int left = deadline.SliceMs(pause);
        if (left == 0)
            return 1;
        ::poll(nullptr, 0, left);
        pause = pause * 2 < kReadRecheckMs ? pause * 2 : kReadRecheckMs;
    }
}

int DeviceFinish(ChannelHandle hDevice, uint32_t nLimitMs, int32_t* pnError)
{
    Device* d = ChannelObject<Device>(hDevice);
    if (!d) {
        *pnError = kErrorBadHandle;
        return 0;
    }
    const Deadline deadline(nLimitMs);
    if (d->isTty) {
        if (DrainWithin(*d, deadline) == 0)
            return 1;
        *pnError = StoppedOr(kErrorByteTimedOut);
        d->unsentLeft = true;
        return 0;
    }
    if (!d->isUsbPrinter)
        return 1;
    // The USB printer driver says writable once its last transfer has
    // completed; a write of nothing then collects that transfer's failure.
    for (;;) {
        pollfd pfd{d->fd, POLLOUT, 0};
        int r = ::poll(&pfd, 1, deadline.SliceMs(kWriteRecheckMs));
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0) {
            *pnError = LastSystemError();
            return 0;
        }
        if (r > 0)
            break;
        if (WaitOver(deadline)) {
            *pnError = StoppedOr(kErrorByteTimedOut);
            return 0;
        }
    }
    if (::write(d->fd, "", 0) < 0 && errno != EAGAIN) {
        *pnError = LastSystemError();
        return 0;
    }
    return 1;
}

void DeviceClearError(ChannelHandle)
{
    // A tty keeps no error state that would stop later calls.
}

int DeviceClose(ChannelHandle hDevice)
{
    Device* d = ChannelObject<Device>(hDevice);
    if (!d)
        return 0;
    // What a failed write left queued would hold close() for the driver's
    // closing wait (30 s by default): drop it. Only then: a flush also
    // throws away what a pseudo-terminal's other side has yet to read.
    if (d->isTty) {
        if (d->unsentLeft)
            ::tcflush(d->fd, TCOFLUSH);
        ::ioctl(d->fd, TIOCNXCL);
    }
    int rc = ::close(d->fd);
    ReleaseSerialLock(d->lockFile);
    delete d;
    return rc == 0 ? 1 : 0;
}
