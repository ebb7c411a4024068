// The string slot store: longer-lived texts in 39 numbered groups of slots,
// 2,048 slots in all, kept in one 65,535-byte block.
//
// Groups 0 to 36 are stacks (last/pop work on the last slot); groups 37 and
// 38 are queues (last/pop work on the first slot, so texts come back in the
// order they were appended). A failed write leaves the store unchanged,
// records LOADSTRERROR in context STRINGASSIGN (STRINGNUM for a bad group) and
// returns STROUTBOUND.
//
// slot_get returns a view into the store: it is valid until the next write.
// Such a view may itself be written back (slot_set(g, i, slot_get(g, j))).
// Reading a group of 39 or more gives the error value STROUTBOUND; deleting
// or popping a slot that does not exist changes nothing and returns
// STROUTBOUND without recording an error. An error value given as the text
// to write is returned as its code and nothing is written.
#pragma once

#include <cstdint>

#include "core/status.h"
#include "core/text.h"

namespace core {

inline constexpr uint16_t kSlotGroups = 39;
inline constexpr uint16_t kSlotCount = 2048;
inline constexpr uint32_t kSlotStoreBytes = 65535;
inline constexpr uint32_t kSlotTextBytes = kSlotStoreBytes - 2u * kSlotGroups - 2u * kSlotCount;

// --- the groups, by use: the one registry of the store's numbers ---------------
inline constexpr uint16_t kGroupEnv = 0;            // the application environment (slots below)
inline constexpr uint16_t kGroupFileNames = 1;      // data files: names, lower case (the SQL table)
inline constexpr uint16_t kGroupFileLocations = 2;  // data files: locations, kept as written
inline constexpr uint16_t kGroupFieldNames = 3;     // data files: field names, as written
inline constexpr uint16_t kGroupRelations = 4;      // data files: relation items joined with ":"
inline constexpr uint16_t kGroupMenuItems = 5;      // process names of the open menu's items
inline constexpr uint16_t kGroupBuffers = 6;        // data files: record buffers
inline constexpr uint16_t kGroupRules = 7;          // relational-update rules of the data files
inline constexpr uint16_t kGroupRuntime = 9;        // runtime texts (slots below)
inline constexpr uint16_t kGroupAdminLogin = 10;    // appcontrol's administration log-in: 1 host,
                                                    // 3 user, 4 password, once one succeeded
inline constexpr uint16_t kGroupVarNames = 12;      // names of the variables
inline constexpr uint16_t kGroupVarTexts = 13;      // values of the text variables
inline constexpr uint16_t kGroupKeyboard = 30;      // keyboard input lines; the first group
                                                    // procedures may use as stacks of their own
inline constexpr uint16_t kGroupDefStack = 31;      // definition stack; the last slot is current
inline constexpr uint16_t kGroupOpenSets = 33;      // open-file sets of the keyed access
inline constexpr uint16_t kGroupArguments = 35;     // the argument stack of procedure calls
inline constexpr uint16_t kGroupLineQueue = 37;     // queue: lines of files read line by line
inline constexpr uint16_t kGroupMenuQueue = 38;     // queue: lines read from menus

// Slots of group 0.
inline constexpr uint16_t kEnvLocale = 0;         // the locale text
inline constexpr uint16_t kEnvCommandLine = 1;    // COMMANDLINE: the normalised command line
inline constexpr uint16_t kEnvApName = 2;         // APNAME: the application name
inline constexpr uint16_t kEnvApDescrip = 3;      // APDESCRIP: its description
inline constexpr uint16_t kEnvLanguage = 4;       // LANGMODULE: the language code, "ES" by default
inline constexpr uint16_t kEnvDocPath = 5;        // DOCPATH: the definition folder, or a comma list
inline constexpr uint16_t kEnvDataPath = 6;       // DATAPATH: the working data folder
inline constexpr uint16_t kEnvHelpPath = 7;       // HELPPATH: the help folder
inline constexpr uint16_t kEnvFunctionList = 8;   // the function names the application installs
inline constexpr uint16_t kEnvButtonLabels = 9;   // a comma list replacing the action buttons' labels
inline constexpr uint16_t kEnvDatabase1 = 11;     // host,database,user,password of the first connection
inline constexpr uint16_t kEnvDatabase2 = 12;     // the same for a second connection

// Slots of group 9.
inline constexpr uint16_t kRtPrinterTable = 0;    // the printer definitions, loaded once
inline constexpr uint16_t kRtFormCondition = 1;   // the condition of the last form
inline constexpr uint16_t kRtModuleText = 2;      // the loaded language module
inline constexpr uint16_t kRtPdfHeader = 3;       // the header image of the next PDF document
inline constexpr uint16_t kRtDeviceChoice = 5;    // the device text last chosen by the user
inline constexpr uint16_t kRtFormFields = 6;      // the field list of the last form
inline constexpr uint16_t kRtFormValues = 7;      // the values of the last form
inline constexpr uint16_t kRtKeyPrefixes = 8;     // a comma list of key prefixes of definition files
inline constexpr uint16_t kRtDetail = 9;          // the detail text of the current message
inline constexpr uint16_t kRtLogPath = 10;        // the log path set by log_set_path

Text slot_get(uint16_t group, uint16_t i);      // empty when i is beyond the group
[[nodiscard]] Status slot_set(uint16_t group, uint16_t i, Text text);
[[nodiscard]] Status slot_append(uint16_t group, Text text);
[[nodiscard]] Status slot_delete(uint16_t group, uint16_t i);
Text slot_last(uint16_t group);                 // stacks: last slot; queues: first
[[nodiscard]] Status slot_pop(uint16_t group);  // removes what slot_last reads
// Pops until n are left: a stack keeps its first n slots, a queue its last n.
[[nodiscard]] Status slot_truncate(uint16_t group, uint16_t n);
uint16_t slot_count(uint16_t group);
[[nodiscard]] Status slot_clear(uint16_t group);
uint32_t slot_text_free();                      // free text bytes
uint16_t slot_total();                          // slots in use over all groups

}  // namespace core
