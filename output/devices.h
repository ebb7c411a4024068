// Output devices: every printed output (reports above all) goes to a device
// named by a short device text, a name and page options:
//
//   CON                  the report window, shown when the device is finished
//   LPT1 /LP:66 /WD:132  a printer: spooled to a file, handed to `lp` at close
//   listado.txt /VW:S    a text file, opened in the viewer at close
//   listado.pdf          a PDF document (output/pdf.h)
//
// A device record keeps the page, line and column of the output, which are
// published in the status words _DEVHIG, _DEVWID, _DEVLIN, _DEVPOS and
// _DEVPAG after every open and write.
//
// Files are written under a temporary name in their own folder and renamed
// at close, so a report that fails or is cancelled never leaves a file that
// looks finished (a device file such as /dev/full is written as it is).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/status.h"
#include "core/text.h"

namespace output {

using core::Status;
using core::Text;
using core::operator""_t;

// The devices offered to the user; CON, the first, serves an empty text.
extern const Text kDeviceList;  // "CON,LPT1,...,LPT6,PDF,TXT,COM1:,COM2:,DEV"
extern const Text kPrinterList; // "LPT1,LPT2,LPT3,LPT4,LPT5,LPT6"

// Kind flags of a device.
inline constexpr uint8_t kDevFile = 0x01;       // written through a runtime file
inline constexpr uint8_t kDevScreen = 0x02;     // the report window at finish
inline constexpr uint8_t kDevPrinter = 0x04;
inline constexpr uint8_t kDevSerial = 0x08;
inline constexpr uint8_t kDevPdf = 0x20;
inline constexpr uint8_t kDevTranslate = 0x40;  // printer code page and sequences
inline constexpr uint8_t kDevWrap = 0x80;       // a line break at the page width

// The kind flags of a device name: CON 0x82; a name whose letters before its
// trailing digits are LPT, lp or usb 0xC5; COMn: 0xC8; a .PDF file 0xA0; any
// other file 0x81.
uint8_t device_kind(Text name);

// The value of an option of a device text ("/LP"): from after "/LP:" to
// the next blank; NOVALUE when the option is not there.
Text device_option(Text device_text, Text option);

struct DeviceRecord {
  uint8_t kind = 0;
  bool view = false;          // /VW given and true
  int16_t handle = -1;        // the runtime file number; -1 when not open
  uint16_t printer = 0;       // 1-6 for LPT1-LPT6, else 0
  Status error = 0;           // the device's last error (0 none)
  uint16_t page_lines = 0;    // /LP (0: no paging)
  uint16_t width = 0;         // /WD (0: no wrapping)
  uint16_t step = 1;          // /ST: device lines a record takes by default
  // Counted past the 16 bits of the published words: an unpaged report
  // may run to millions of lines.
  int32_t page = 1;
  int32_t line = 1;
  int32_t column = 1;
  std::string name;           // the device name as resolved (the file written)
  std::string spool;          // the temporary file written until close
  std::string pending;        // bytes written but not yet handed to the file
  bool append = false;        // log and out files are appended to
  bool spooler = false;       // printers: the spool file goes to lp at close
  std::string queue;          // the lp queue (empty: the system's default)
};

// Opens the device of a device text. The outcome is also in record->error:
// the file layer's code when a file cannot be opened (with its name as
// detail), DISKIO when no temporary file can be made for the screen,
// DEVICETIMEOUT for a serial port that cannot be opened (or when all four
// ports are in use), pdf_open's codes for a PDF document.
[[nodiscard]] Status device_open(Text device_text, DeviceRecord* record);
// Writes a text (which may hold CR LF pairs) at the current position,
// wrapping at the width; with take_size the page size is first taken back
// from _DEVHIG and _DEVWID. 0, or the error (also kept in the record):
// WRITEERR for a short write, with the device name as detail;
// DEVICETIMEOUT when a printer or serial port took over a second (a port
// that stops taking bytes is given up after that long).
// A serial port's bytes go out with each write.
[[nodiscard]] Status device_write(DeviceRecord* record, Text text, bool take_size = false);
// Moves the position forward to a line and column (blanks and line ends).
[[nodiscard]] Status device_locate(DeviceRecord* record, int line, int column);
// The end of the output: the printer's reset sequence, the report window of
// the screen. The screen shows nothing for an empty output or one of 64 MiB
// or more, nor after an error: the device's error then, else STRINGTOOLONG.
// Hands the bytes kept back to the file (writes are gathered into pieces
// of 64 KiB); finish and close do it first.
[[nodiscard]] Status device_flush(DeviceRecord* record);
[[nodiscard]] Status device_finish(DeviceRecord* record);
// Releases the device. A file device without error takes its final name now
// (a printer's spool file goes to `lp`) and, with /VW, is opened in its
// viewer (output/viewers.h: a text file in viewer 1, a PDF in viewer 3),
// not waited for; after an error, or with discard, the temporary file is
// removed and nothing is left under the final name.
[[nodiscard]] Status device_close(DeviceRecord* record, bool discard = false);
// Publishes the position in the status words.
void device_publish(const DeviceRecord& record);

// The device selection dialog (title message 0082): a device of kDeviceList
// (the serial ports only when their device files open as ports);
// for COM1: and COM2: a speed and line settings (COM1:9600,N,8,1); for PDF
// and TXT a file, a fresh temporary one when "Mostrar" says yes (and /VW
// is given), else named in the save dialog; then the page options filled
// in (an empty field gives none). The fields start from the current device
// text. OK without a device shows message 0084 and the dialog stays. In a
// run with an INPUT file that is not at its end, the file's next line is
// the answer and nothing is shown. 0 and the device text, also left in
// slot 5 of group 9; CANCELLED when the user cancelled.
[[nodiscard]] Status device_select(Text current, std::string* chosen);

// --- printers ------------------------------------------------------------------
inline constexpr uint16_t kPrinterRecordBytes = 96;
inline constexpr uint16_t kPrinterHeaderBytes = 160;
// The printer control characters, in the order of their sequence fields.
extern const Text kPrinterControls;
// Field `field` (0-11) of the definition record of a printer (0 or beyond the
// table: the built-in record), trailing NULs removed. The table is loaded
// from "QVPRNP00.DAT" in the definition folders at the first use.
Text printer_sequence(uint16_t field, uint16_t printer);
// Forgets the loaded table (a new run, a test).
void printer_table_reset();
// The character translation of the devices: on a device with kDevTranslate
// the letters go to the printer code page; on the others SO, SI and DC2
// become blanks. An arena text.
Text device_translate(Text text, uint8_t kind);
// The control characters of a text: each replaced by its printer sequence
// (kDevTranslate) or removed. An arena text.
Text device_controls(Text text, uint8_t kind, uint16_t printer);

// The lp queue of a printer: the environment variable APP_PRINTER_LPTn,
// else the system's default queue (an empty text).
std::string printer_queue(uint16_t printer);

// --- the report window -----------------------------------------------------------
// Shows a text in the report window: read-only, monospace and scrollable,
// with a row of buttons (the comma list in slot 9 of group 0, else message
// 0020). The button pressed is left in _CUREDFLD (1 for the first). 0, or
// the window layer's code when it cannot be shown.
[[nodiscard]] Status report_window(std::string_view text, int columns, int rows);

}  // namespace output
