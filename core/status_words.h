// Status words: the integer system variables, by index. Every layer reads
// and sets them by these names (the variable store of the script layer
// holds their values; the layers below it reach them through a getter).
//
// The order is that of the system variables _ERRCODE ... _USER03, and the
// variable store checks at compile time that each name stands at its index.
#pragma once

#include <cstdint>

namespace core {

enum StatusWord : uint16_t {
  kSwErrCode = 0,    // _ERRCODE: the last error's code
  kSwErrFunc = 1,    // _ERRFUNC
  kSwCurFil = 2,     // _CURFIL: the current data file
  kSwCurEdFld = 3,   // _CUREDFLD: the current edit field
  kSwDevHig = 4,     // _DEVHIG: the output device's page height
  kSwDevWid = 5,     // _DEVWID: its width
  kSwDevLin = 6,     // _DEVLIN: its line
  kSwDevPos = 7,     // _DEVPOS: its column
  kSwDevPag = 8,     // _DEVPAG: its page
  kSwCurRow = 9,     // _CURROW
  kSwStat = 10,      // _STAT: the line chosen in a selection list
  kSwLastKey = 11,   // _LASTKEY: the key of the last keyboard event
  kSwSgn = 12,       // _SGN: the sign while relational rules run
  kSwUpStat = 13,    // _UPSTAT: relational update switches
  kSwIer = 14,       // _IER: the status of a window's last move
  kSwSysCompat = 15, // _SYSCOMPAT
  kSwSqlStk = 16,    // _SQLSTK: the current session slot
  kSwCount = 17,     // _COUNT
  kSwHCount = 18,    // _HCOUNT
  kSwAdmStat = 19,   // _ADMSTAT
  kSwCompat = 20,    // _COMPAT: compatibility and session bits
  kSwScrStat = 21,   // _SCRSTAT: screen switches
  kSwLMax = 22,      // _LMAX: lines of a document's line store
  kSwLNum = 23,      // _LNUM: the current line
  kSwLLst = 24,      // _LLST: the last line
  kSwHNum = 25,      // _HNUM
  kSwSafe = 26,      // _SAFE
  kSwLb = 27,        // _LB
  kSwAux = 28,       // _AUX: the key prefixes of definition files
  kSwKeyMap = 29,    // _KEYMAP: the key map in use
  kSwSerial = 30,    // _SERIAL: the scanner's port
  kSwTrace = 31,     // _TRACE: the trace switches of the log
  kSwPrecis = 32,    // _PRECIS: decimals of numbers
  kSwBYear = 33,     // _BYEAR: the century base of two-digit years
  kSwBkYear = 34,    // _BKYEAR: the pivot of two-digit years
  kSwDx = 35,        // _DX
  kSwInHnd = 36,     // _INHND: the INPUT file while it is read
  kSwOutHnd = 37,    // _OUTHND: 1 when the OUTPUT option is given
  kSwDate = 38,      // _DATE: date switches (bit 1: no date for an empty value)
  kSwUser01 = 39,    // _USER01 .. _USER03: the application's own
  kSwUser02 = 40,
  kSwUser03 = 41,
};
inline constexpr uint16_t kSystemIntegers = 42;

}  // namespace core
