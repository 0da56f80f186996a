// The serial unit on its termios platform calls, driven through a real
// pseudo-terminal: the test writes on the master end what an instrument
// would send, the unit opens the slave end as its port.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <string>
#include <thread>

#include "serial_platform.h"
#include "test_text.h"
#include "ucommw32.h"

// Every open() of this program passes here (linked with --wrap=open), so a
// test can see which path a port name leads to without opening a device.
namespace {
bool InterceptOpens = false;
std::string LastOpenedPath;
}  // namespace

extern "C" int __real_open(const char* path, int flags, ...);
extern "C" int __wrap_open(const char* path, int flags, ...) {
  LastOpenedPath = path;
  if (InterceptOpens) {
    errno = ENOENT;
    return -1;
  }
  mode_t mode = 0;
  if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE) {
    va_list arguments;
    va_start(arguments, flags);
    mode = va_arg(arguments, mode_t);
    va_end(arguments);
  }
  return __real_open(path, flags, mode);
}

namespace {

using Clock = std::chrono::steady_clock;

long MillisecondsSince(Clock::time_point start) {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

class PosixSerial : public ::testing::Test {
 protected:
  int master = -1;
  int slave = -1;  // held open so the line stays up whatever the unit does
  std::string slavePath;

  void SetUp() override {
    char name[128];
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    slavePath = name;
  }
  void TearDown() override {
    EXPECT_TRUE(MasterReceivesNothing()) << "the unit wrote to the line";
    ClosePort();
    PortName = "Com2:";
    close(slave);
    close(master);
  }

  void Open() {
    PortName = slavePath.c_str();
    PortSettings = "baud=9600 parity=n data=8 stop=1";
    OpenPort();
    ASSERT_NE(PortHandle, NoHandle);
  }
  void Send(const std::string& bytes) {
    ASSERT_EQ(write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  // The pty hands written bytes over asynchronously; wait until they are in
  // the slave's input queue.
  static bool WaitForQueued(int fd, int count) {
    const Clock::time_point start = Clock::now();
    int queued = 0;
    while (MillisecondsSince(start) < 3000) {
      if (ioctl(fd, FIONREAD, &queued) == 0 && queued >= count) return queued == count;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
  }
  bool MasterReceivesNothing() {
    pollfd p{master, POLLIN, 0};
    return poll(&p, 1, 100) == 0;
  }
};

TEST_F(PosixSerial, TheLineIsRaw9600EightNoneOneWithoutFlowControl) {
  // Start from what another program may have left on the port.
  termios left{};
  ASSERT_EQ(tcgetattr(slave, &left), 0);
  cfsetispeed(&left, B1200);
  cfsetospeed(&left, B1200);
  left.c_cflag = (left.c_cflag & ~CSIZE) | CS7 | PARENB | PARODD | CSTOPB | CRTSCTS;
  left.c_iflag |= IXON | IXOFF | IXANY | ICRNL | ISTRIP | INPCK;
  left.c_lflag |= ICANON | ECHO | ISIG | IEXTEN;
  left.c_oflag |= OPOST;
  ASSERT_EQ(tcsetattr(slave, TCSANOW, &left), 0);

  Open();
  termios line{};
  ASSERT_EQ(tcgetattr(slave, &line), 0);
  EXPECT_EQ(cfgetispeed(&line), static_cast<speed_t>(B9600));
  EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B9600));
  EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(line.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u) << "no parity, 1 stop bit, no hardware flow control";
  EXPECT_NE(line.c_cflag & CREAD, 0u) << "receiver on";
  EXPECT_EQ(line.c_iflag & (IXON | IXOFF | IXANY), 0u) << "no software flow control";
  EXPECT_EQ(line.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | IGNBRK | BRKINT | PARMRK | INPCK), 0u)
      << "every byte passes unchanged";
  EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN), 0u) << "no line editing, no echo";
  EXPECT_EQ(line.c_oflag & OPOST, 0u);

  // What raw means for the bytes: CR, 0xB0, flow-control and signal
  // characters and NUL arrive as sent, and nothing is echoed.
  const std::string bytes("\r\xB0\n\x03\x11\x13\x7F\x00\xFF", 9);
  Send(bytes);
  ASSERT_TRUE(WaitForQueued(slave, static_cast<int>(bytes.size())));
  std::string received;
  for (size_t i = 0; i < bytes.size(); ++i) received += static_cast<char>(ReadByte());
  EXPECT_EQ(Show(received), Show(bytes));
}

TEST_F(PosixSerial, BytesWaitingCountsQueuedBytesWithoutConsumingThem) {
  Open();
  EXPECT_EQ(BytesWaiting(), 0);
  const std::string bytes = "x21020101230456\rx210";
  Send(bytes);
  ASSERT_TRUE(WaitForQueued(slave, 20));
  EXPECT_EQ(BytesWaiting(), 20);
  EXPECT_EQ(BytesWaiting(), 20);
  std::string received;
  for (int i = 0; i < 20; ++i) received += static_cast<char>(ReadByte());
  EXPECT_EQ(Show(received), Show(bytes));
  EXPECT_EQ(BytesWaiting(), 0);
}

TEST_F(PosixSerial, ReadByteReturnsAWaitingByteAtOnce) {
  Open();
  Send("A");
  ASSERT_TRUE(WaitForQueued(slave, 1));
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(ReadByte(), 'A');
  EXPECT_LT(MillisecondsSince(start), 500);
}

TEST_F(PosixSerial, ReadByteGivesTheTimeoutCharacterALittleAfterReadTimeout) {
  Open();
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(ReadByte(), TimeoutChar);
  const long elapsed = MillisecondsSince(start);
  EXPECT_GE(elapsed, static_cast<long>(ReadTimeout));
  EXPECT_LT(elapsed, 3 * static_cast<long>(ReadTimeout));
}

TEST_F(PosixSerial, ReadByteReturnsAByteThatArrivesDuringItsWait) {
  Open();
  const Clock::time_point start = Clock::now();
  std::thread instrument([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    if (write(master, "Z", 1) != 1) ADD_FAILURE() << "could not send";
  });
  const unsigned char byte = ReadByte();
  const long elapsed = MillisecondsSince(start);
  instrument.join();
  EXPECT_EQ(byte, 'Z');
  EXPECT_GE(elapsed, 300);
  EXPECT_LT(elapsed, static_cast<long>(ReadTimeout));
}

TEST_F(PosixSerial, TheOpenDoesNotFlushWhatIsAlreadyQueued) {
  termios raw{};
  ASSERT_EQ(tcgetattr(slave, &raw), 0);
  cfmakeraw(&raw);
  ASSERT_EQ(tcsetattr(slave, TCSANOW, &raw), 0);
  Send("56\r");
  ASSERT_TRUE(WaitForQueued(slave, 3));
  Open();
  EXPECT_EQ(BytesWaiting(), 3);
}

TEST_F(PosixSerial, ASecondOpenOfTheSameDeviceFails) {
  Open();
  EXPECT_EQ(PlatformOpen(slavePath.c_str(), PortSettings, ReadTimeout), NoHandle);

  // Nor can another process open it.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(PlatformOpen(slavePath.c_str(), PortSettings, ReadTimeout) == NoHandle ? 0 : 1);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the other process opened the port";
}

TEST_F(PosixSerial, APortHeldElsewhereIsNotOpenedAndReadsNothing) {
  const intptr_t other = PlatformOpen(slavePath.c_str(), "", ReadTimeout);
  ASSERT_NE(other, NoHandle);
  PortName = slavePath.c_str();
  OpenPort();
  EXPECT_EQ(PortHandle, NoHandle);
  Send("abc");
  ASSERT_TRUE(WaitForQueued(slave, 3));
  EXPECT_EQ(BytesWaiting(), 0);
  PlatformClose(other);
}

TEST_F(PosixSerial, AMissingDeviceOrAFileThatIsNoTerminalGivesNoHandle) {
  for (const char* name : {"/dev/no-such-serial-port", "/dev/null", ""}) {
    PortName = name;
    OpenPort();
    EXPECT_EQ(PortHandle, NoHandle) << name;
    EXPECT_EQ(BytesWaiting(), 0) << name;
  }
}

TEST_F(PosixSerial, ComNDesignatesTtySNMinus1AndOtherNamesArePaths) {
  const struct {
    const char* name;
    const char* path;
  } cases[] = {
      {"Com1:", "/dev/ttyS0"},   {"Com2:", "/dev/ttyS1"},       {"COM3:", "/dev/ttyS2"},
      {"com12:", "/dev/ttyS11"}, {"Com0:", "Com0:"},            {"Com2:x", "Com2:x"},
      {"ComA:", "ComA:"},        {"/dev/ttyUSB7", "/dev/ttyUSB7"},
  };
  InterceptOpens = true;
  for (const auto& c : cases) {
    LastOpenedPath.clear();
    EXPECT_EQ(PlatformOpen(c.name, "", ReadTimeout), NoHandle) << c.name;
    EXPECT_EQ(LastOpenedPath, c.path) << c.name;
  }
  InterceptOpens = false;
}

}  // namespace
