// Status codes shared by every operation of the runtime.
//
// 0 is success, 1 to 127 are statuses a caller may act on (never recorded as
// errors), 128 and above are errors. The names follow the runtime's own error
// list; codes whose catalogue name is not an identifier get a descriptive one.
#pragma once

#include <cstdint>

namespace core {

using Status = uint16_t;

inline constexpr Status kOk = 0;
inline constexpr Status kNotFoundPos = 65535;  // "not found" position / "current" marker

// Named errors (122 and up). The order matters: error_text derives names from
// the code through the catalogue list, so keep these in step with it.
inline constexpr Status CANCELLED = 122;       // cancelled by the user
inline constexpr Status NULLEXPR = 123;
inline constexpr Status UNDEFWARN = 124;
inline constexpr Status ATYPICAL = 125;
inline constexpr Status BADDATA = 126;
inline constexpr Status NODATA = 127;
inline constexpr Status TYPEMISMATCH = 128;
inline constexpr Status LOOPFAIL = 129;
inline constexpr Status DISKIO = 130;          // also: end of file while reading a line
inline constexpr Status FILEIO = 131;
inline constexpr Status PROCEXEC = 132;
inline constexpr Status PRCSTCKERROR = 133;
inline constexpr Status TRANSUPERROR = 134;
inline constexpr Status VARHANDLERROR = 135;
inline constexpr Status READERR = 136;
inline constexpr Status WRITEERR = 137;
inline constexpr Status OPENERR = 138;
inline constexpr Status NETERR = 139;
inline constexpr Status BADEXPRESION = 140;
inline constexpr Status INTERNAL = 141;
inline constexpr Status FARHEAPINIERR = 142;
inline constexpr Status SCREENENV = 143;
inline constexpr Status INDEXCMDERROR = 144;
inline constexpr Status OUTOFMEMORY = 145;
inline constexpr Status STRINGTOOLONG = 146;
inline constexpr Status SINTAXERROR = 147;
inline constexpr Status FEATUREREMOVED = 148;
inline constexpr Status DIMSTRUCERROR = 149;
inline constexpr Status BADSTRINGTYPE = 150;
inline constexpr Status BADFILENUMBER = 151;
inline constexpr Status FORMATFAILURE = 152;
inline constexpr Status STRCONCATERR = 153;
inline constexpr Status MEMORYALLOCERR = 154;
inline constexpr Status EXPCALCERROR = 155;
inline constexpr Status LOADSTRERROR = 156;
inline constexpr Status VARNAMEERROR = 157;
inline constexpr Status BADCOMMANDLINE = 158;
inline constexpr Status STROUTBOUND = 159;
inline constexpr Status MEMTESTERROR = 160;
inline constexpr Status FILEOUTBOUND = 161;
inline constexpr Status SQLERROR = 162;
inline constexpr Status NOVALUE = 163;         // no value, not found, not handled, null string
inline constexpr Status FILENOTFOUND = 164;
inline constexpr Status FILEEXISTS = 165;
inline constexpr Status FILESOPEN = 166;
inline constexpr Status CHILDEXECERROR = 167;
inline constexpr Status DATAOUTBOUND = 168;    // also: no free file number
inline constexpr Status FILENOTINIT = 169;
inline constexpr Status COMMONCTLERROR = 170;
inline constexpr Status DEVICETIMEOUT = 171;
inline constexpr Status DEVICEIOERROR = 172;
inline constexpr Status SYSTEMCMDERROR = 173;
inline constexpr Status PERMISSION = 175;
inline constexpr Status STRUCTMEMERROR = 176;
inline constexpr Status SCREENSTRUCTERR = 177;
inline constexpr Status MEMORYLEAKS = 178;
inline constexpr Status CONTROLERROR = 179;
inline constexpr Status MEMORYOVERFLOW = 180;
inline constexpr Status SCREENFIELDVAR = 181;
inline constexpr Status DUPLICATEDATA = 183;
inline constexpr Status NOGRAPHICS = 185;

// Error contexts: the activity in which an error arose. Numbered by position
// in the context list, so the order is fixed.
enum class Context : uint16_t {
  None = 0,
  MEMINIT,
  ACUMULATORSET,
  STRINGINIT,
  STRINGASSIGN,
  STRINGNUM,
  STRINGCLOSE,
  FIRSTPOSCHR,
  PRCPARMVALUE,
  STACKADD,
  INPUTLINES,
  AUXPARAMLOAD,
  STREAMINIT,
  STRCONCAT,
  EXPEXEC,
  VARNMASSIGN,
  FORMATSTRING,
  BUFFERFLDGET,
  BUFFERFLDPUT,
  FILEFLDEXPATTR,
  FILEFLDNUM,
  FUNCVALUE,
  SQLCONNECT,
  SQLEXEC,
  LOADFILESTR,
  ProgressPopUpUpdate,
  ExecCompiler,
  ExecRunTime,
  FileSystem,
  StructFunc,
  HtmlParser,
  Screen,
  Devices,
  VarStructs,
  Sort,
  LocalLists,
};

}  // namespace core
