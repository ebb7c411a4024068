// What the window layer reads from definition files: the files found in the
// definition folders, sections pushed on the definition stack, and keys of
// the current section by their codes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/status.h"
#include "core/text.h"

namespace ui {

using core::Status;
using core::Text;
using core::operator""_t;

// Key codes the window layer reads.
enum KeyCodeOfSet : int {
  kKeyScreenSize = 11,   // SCREENSIZE$
  kKeyNoEdit = 15,       // NOEDIT$
  kKeyWrite = 16,        // WRITE$
  kKeyHelp = 19,         // HELP$
  kKeyRelOpt = 22,       // RELOPT%
  kKeyUnicNdx = 23,      // UNICNDX%
  kKeyAutoNdx = 24,      // AUTONDX%
  kKeyKeyMap = 25,       // KEYMAP%
  kKeyBeginField = 46,   // BEGINFLD%
  kKeyFd = 51,           // FD$
  kKeyWindows = 60,      // WINDOWS$
  kKeyOnConfirm = 62,    // ON_CONFIRM$
  kKeyOnCancel = 63,     // ON_CANCEL$
  kKeyAcBound = 93,      // ACBOUND$
  kKeyAcceptPrc = 101,   // ACCEPT_PRC%
  kKeyWinName = 102,     // WINNAME$
};

// A definition file by name in the definition folders: its path, or an
// empty text when there is none.
Text definition_file_find(Text name);
// The content lines of one section of a definition file read with a line
// layout (1 parameter files, 2 screen files). FILENOTFOUND when the file
// cannot be opened.
[[nodiscard]] Status definition_section_lines(Text file, int layout, int section,
                                              std::vector<std::string>* lines);
// Loads a section onto the definition stack (an empty one when the file
// cannot be opened, so that every load is matched by one release): 0, or
// -1 as FILENOTFOUND when the file could not be opened.
[[nodiscard]] Status definition_section_load(Text file, int layout, int section);
// Pushes a section text of the caller's own, and takes the current one off.
[[nodiscard]] Status definition_section_push(Text text);
void definition_section_release();
// The current section's text.
Text definition_section_current();

// Keys of the current section: the value (trimmed, unquoted, upper case
// unless quoted), the raw value (case kept; an absent key's default from
// the variable of its name; field n of a comma list when n > 0), and the
// value as a number.
Text definition_key(int code);
Text definition_key_raw(int code, int field = 0);
int32_t definition_key_number(int code);

}  // namespace ui
