// Serial ports through pseudo-terminal pairs: the settings a port text
// gives, the port table, a report sent to a serial device, a port that
// stops taking bytes, and the bar-code scanner filling a form's field.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "core/status_words.h"
#include "output/devices.h"
#include "output/serial.h"
#include "script/variables.h"
#include "tests/output/serial_fixture.h"
#include "ui/forms.h"

namespace {

using core::operator""_t;
using serialtest::Pty;
using uitest::str;
using uitest::txt;

class Serial : public serialtest::SerialTest {};

TEST_F(Serial, APortTextSetsTheLineOfItsPort) {
  Pty pty;
  pty.name_port(2);
  int slot = output::serial_open("COM2:2400,O,7,2"_t);
  ASSERT_EQ(slot, 0);
  termios tio = pty.settings();
  EXPECT_EQ(cfgetospeed(&tio), B2400);
  EXPECT_EQ(cfgetispeed(&tio), B2400);
  // A pseudo-terminal keeps 8 data bits and no parity whatever it is told;
  // the odd parity and its checking show, and the stop bits.
  EXPECT_NE(tio.c_cflag & PARODD, 0u);
  EXPECT_NE(tio.c_iflag & INPCK, 0u);
  EXPECT_NE(tio.c_cflag & CSTOPB, 0u);
  // Raw bytes, no flow control, a read that answers at once.
  EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(tio.c_oflag & OPOST, 0u);
  EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL), 0u);
  EXPECT_EQ(tio.c_cflag & CRTSCTS, 0u);
  EXPECT_EQ(tio.c_cc[VMIN], 0);
  output::serial_close(slot);

  // Settings left out are 9600 bits, no parity, 8 data bits, 1 stop bit.
  ASSERT_EQ(output::serial_open("com2:"_t), 0);
  tio = pty.settings();
  EXPECT_EQ(cfgetospeed(&tio), B9600);
  EXPECT_EQ(tio.c_cflag & (PARODD | CSTOPB), 0u);
  EXPECT_EQ(tio.c_iflag & INPCK, 0u);
}

TEST_F(Serial, FourPortsAtMostAndAPortThatDoesNotOpen) {
  Pty ports[4];
  for (int n = 1; n <= 4; ++n) {
    ports[n - 1].name_port(n);
    EXPECT_EQ(output::serial_open(txt("COM" + std::to_string(n) + ":9600,N,8,1")), n - 1);
  }
  EXPECT_EQ(output::serial_open("COM1:9600,N,8,1"_t), -1) << "a fifth open";
  EXPECT_EQ(output::serial_open("COM9:9600,N,8,1"_t), -1) << "no slot is looked at before one is free";
  output::serial_close(2);
  ASSERT_EQ(setenv("APP_SERIAL_COM9", "/nonexistent/tty", 1), 0);
  EXPECT_EQ(output::serial_open("COM9:9600,N,8,1"_t), core::DEVICETIMEOUT);
  EXPECT_NE(str(core::error_detail()).find("/nonexistent/tty"), std::string::npos) << str(core::error_detail());
  EXPECT_EQ(output::serial_open("LPT1"_t), core::DEVICETIMEOUT);
  EXPECT_EQ(output::serial_open("COM3:4800,N,8,1"_t), 2) << "the freed slot";
  unsetenv("APP_SERIAL_COM9");
  EXPECT_EQ(output::serial_port_path(9), "/dev/ttyS8");
}

TEST_F(Serial, BytesBothWaysAndReadsOfACount) {
  Pty pty;
  pty.name_port(1);
  int slot = output::serial_open("COM1:9600,N,8,1"_t);
  ASSERT_EQ(slot, 0);
  ASSERT_EQ(output::serial_write(slot, "ATZ\r\n\x00\xFF"_t), 0);
  EXPECT_EQ(pty.take(7), std::string("ATZ\r\n\x00\xFF", 7));
  pty.put("12345");
  ASSERT_TRUE(pty.arrived(slot, 5));
  core::ArenaScope scope;
  EXPECT_EQ(str(output::serial_read(slot, 6)), "") << "fewer than asked for";
  EXPECT_EQ(str(output::serial_read(slot, 2)), "12");
  EXPECT_EQ(str(output::serial_read(slot, output::kSerialReadAll)), "345");
  EXPECT_EQ(str(output::serial_read(slot, output::kSerialReadAll)), "");
  EXPECT_EQ(output::serial_write(3, "x"_t), core::FILENOTINIT);
}

// What a report writes reaches the printer at the other end byte for byte,
// in the printer's code page, line by line.
TEST_F(Serial, AReportSentToASerialDeviceArrivesByteForByte) {
  Pty pty;
  pty.name_port(1);
  output::DeviceRecord r;
  ASSERT_EQ(output::device_open("COM1:9600,N,8,1 /LP:3"_t, &r), 0);
  EXPECT_EQ(r.kind, 0xC8);
  EXPECT_EQ(r.handle, 0);
  ASSERT_EQ(output::device_write(&r, "Ticket 1\r\n"_t), 0);
  // Each write goes out at once, not at the end of the report.
  EXPECT_EQ(pty.take(10), "Ticket 1\r\n");
  ASSERT_EQ(output::device_write(&r, "Ca\xF1\xF3n \x0E" "2\r\n"_t), 0);
  ASSERT_EQ(output::device_locate(&r, 5, 3), 0);
  ASSERT_EQ(output::device_write(&r, "fin"_t), 0);
  EXPECT_EQ(r.page, 2);
  ASSERT_EQ(output::device_finish(&r), 0);
  ASSERT_EQ(output::device_close(&r), 0);
  EXPECT_FALSE(output::serial_is_open(0));
  // SO has no sequence in the built-in printer record: it goes.
  EXPECT_EQ(pty.take(18), "Ca\xA4\xA2n 2\r\n\r\n\r\n  fin");
}

TEST_F(Serial, APortThatStopsTakingBytesEndsTheWriteWithinASecond) {
  Pty pty;
  pty.name_port(1);
  output::DeviceRecord r;
  ASSERT_EQ(output::device_open("COM1:9600,N,8,1 /LP:0 /WD:0"_t, &r), 0);
  std::string line(4000, 'x');
  line += "\r\n";
  core::Status st = 0;
  auto slowest = std::chrono::steady_clock::duration::zero();
  for (int i = 0; i < 20000 && st == 0; ++i) {
    auto start = std::chrono::steady_clock::now();
    st = output::device_write(&r, txt(line));
    slowest = std::max(slowest, std::chrono::steady_clock::now() - start);
  }
  EXPECT_EQ(st, core::DEVICETIMEOUT);
  EXPECT_EQ(r.error, core::DEVICETIMEOUT);
  EXPECT_NE(str(core::error_detail()).find("COM1:"), std::string::npos);
  EXPECT_GE(slowest, std::chrono::milliseconds(900));
  EXPECT_LT(slowest, std::chrono::milliseconds(1800));
  EXPECT_EQ(output::device_write(&r, "more"_t), core::DEVICETIMEOUT) << "the device stays in error";
  auto start = std::chrono::steady_clock::now();
  EXPECT_NE(output::device_finish(&r), 0);
  static_cast<void>(output::device_close(&r));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
  EXPECT_FALSE(output::serial_is_open(0));
}

// A form whose second field takes the scanner's readings through SCANSET$.
const char* const kScanForm =
    "'Cliente:':'A10','Articulo:':'A30','Cantidad:':'N5' "
    "/SCANDEF$='COM1:9600,N,8,1':SCANSET$=',PRE$+_SCAN$'";

TEST_F(Serial, AScannerReadingFillsTheCurrentFieldOfAForm) {
  Pty pty;
  pty.name_port(1);
  ASSERT_EQ(script::var_set("CHKSCAN"_t, "1"_t), 0);
  ASSERT_EQ(script::var_set("PRE$"_t, "A-"_t), 0);
  std::thread scanner = pty.scan_later("8412345678905\r\n");
  input("type Ana\nkey Tab\nwait 1500\ntype 4\nkey Enter\n");
  ui::FormResult result;
  core::Status st = run_form(kScanForm, &result);
  scanner.join();
  ASSERT_EQ(st, 0) << tk_->transcript();
  expect_script_ok();
  EXPECT_EQ(result.values, "'Ana','A-8412345678905','4'") << tk_->transcript();
  EXPECT_EQ(str(script::expr_text("_SCAN$"_t)), "8412345678905");
  EXPECT_EQ(script::var_get_int(core::kSwSerial), 0) << "the scanner stops with its form";
  EXPECT_FALSE(output::serial_is_open(0));
}

// A keyboard line (Ctrl+], the characters, a control character) is a
// reading too, with no port open.
TEST_F(Serial, AKeyboardLineIsTakenAsAReading) {
  ASSERT_EQ(script::var_set("PRE$"_t, "K-"_t), 0);
  input("key Tab\ntype \x1d" "4006381333931\t\ntype 2\nkey Enter\n");
  ui::FormResult result;
  ASSERT_EQ(run_form(kScanForm, &result), 0) << tk_->transcript();
  EXPECT_EQ(result.values, "'','K-4006381333931','2'") << tk_->transcript();
  EXPECT_EQ(str(script::expr_text("_SCAN$"_t)), "4006381333931");
  // SCANWIN$ 1 leaves the field empty for its lookup window, and the
  // field is not confirmed.
  std::string form = std::string(kScanForm) + ":SCANWIN$=\",_SCAN$=='12345'\"";
  input("key Tab\ntype \x1d" "12345\t\ntype 9\nkey Tab\nkey Ctrl+End\n");
  ASSERT_EQ(run_form(form.c_str(), &result), 0) << tk_->transcript();
  EXPECT_EQ(result.values, "'','9',''") << tk_->transcript();
  EXPECT_EQ(str(script::expr_text("_SCAN$"_t)), "12345");
}

// 20 characters are a reading; 21 are not, and change nothing.
TEST_F(Serial, AReadingOfMoreThanTwentyCharactersIsDropped) {
  for (const std::string reading : {"123456789012345678901", "12345678901234567890"}) {
    SCOPED_TRACE(reading);
    Pty pty;
    pty.name_port(1);
    ASSERT_EQ(script::var_set("CHKSCAN"_t, "1"_t), 0);
    ASSERT_EQ(script::var_set("_SCAN$"_t, "antes"_t), 0);
    ASSERT_EQ(script::var_set("PRE$"_t, "A-"_t), 0);
    std::thread scanner = pty.scan_later(reading + "\r");
    input("key Tab\nwait 1500\nkey Ctrl+End\n");
    ui::FormResult result;
    core::Status st = run_form(kScanForm, &result);
    scanner.join();
    ASSERT_EQ(st, 0) << tk_->transcript();
    bool taken = reading.size() <= 20;
    EXPECT_EQ(result.values, taken ? "'','A-" + reading + "',''" : "'','',''");
    EXPECT_EQ(str(script::expr_text("_SCAN$"_t)), taken ? reading : "antes");
  }
}

// Without CHKSCAN the screen has no scanner; a port that does not open is
// shown and the form goes on without it. (VISTO takes _SERIAL while the form
// is open.)
TEST_F(Serial, TheScannerOnlyWhenAskedAndWhenItsPortOpens) {
  Pty pty;
  pty.name_port(1);
  std::string form = std::string(kScanForm) + ":ON_CANCEL$='VISTO=_SERIAL'";
  auto serial_seen = [&] {
    input("key Esc\n");
    ui::FormResult result;
    EXPECT_EQ(run_form(form.c_str(), &result), core::CANCELLED);
    return str(script::expr_text("VISTO"_t));
  };
  EXPECT_EQ(serial_seen(), "0");
  ASSERT_EQ(script::var_set("CHKSCAN"_t, "1"_t), 0);
  EXPECT_EQ(serial_seen(), "256");
  ASSERT_EQ(setenv("APP_SERIAL_COM1", "/nonexistent/tty", 1), 0);
  EXPECT_EQ(serial_seen(), "0");
  EXPECT_NE(tk_->transcript().find("/nonexistent/tty"), std::string::npos) << tk_->transcript();
}

}  // namespace
