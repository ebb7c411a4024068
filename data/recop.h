// Record operation words: what a window's record action (new, first,
// previous, next, last, find, save, insert, delete) does to its data file.
//
// The high byte of a word says which write of the shown record comes
// first, the low byte which move follows:
//
//   0x01          new record: blank the buffers instead of moving (status 3)
//   0x02          a find lands at or after the value instead of on it
//   0x34 bits     the move: 0 find, 0x10 next, 0x14 previous, 0x20 last, 0x24 first
//   0x40          the find actions: find the key value the buffer holds
//   0x100, 0x200  the write has new values (insert, save) / old values (save, delete)
//   0x400         a write is asked for
//   0x800         the window's assignment text is applied first
//
// The write runs through the relational update (data/relup.h) and is
// committed; the after-save expression follows. The move goes through the
// keyed access layer (data/access.h), and when the user typed a key text
// the move keeps inside the records whose key 1 starts with it.
//
// The window's texts come in a RecordTexts: the rule list (RELOPT%), the
// assignment applied before a write (IK$(1)), the new-record expression
// (SET$) and the after-save expression (SAVED$) of its screen section.
#pragma once

#include <cstdint>

#include "core/status.h"
#include "core/text.h"

namespace data {

using core::Status;
using core::Text;
using core::operator""_t;

inline constexpr int kWordNew = 0x0F01;
inline constexpr int kWordTop = 0x0F24;
inline constexpr int kWordPrevious = 0x0F16;
inline constexpr int kWordReload = 0;
inline constexpr int kWordNext = 0x0F12;
inline constexpr int kWordBottom = 0x0F20;
inline constexpr int kWordFind = 0x0040;
inline constexpr int kWordSave = 0x0F00;
inline constexpr int kWordInsert = 0x0D00;
inline constexpr int kWordDelete = 0x0642;
inline constexpr int kWordList = 0x0042;
inline constexpr int kWordBls = 0x0046;
inline constexpr int kWordNone = 0x00FF;  // not a record operation


// The window actions, by code (1-based position); long forms are accepted.
inline constexpr Text kActions = "NEW,TOP,PRV,RLD,NXT,BOT,FND,SVE,INS,DEL,LST,NLS,BLS,IMP,MDE,DDE,PRN"_t;
inline constexpr Text kActionLongForms = "NEXT=NXT:PREVIOUS=PRV:BOTTOM=BOT"_t;
// The action's code (0 for none) and its word (0x00FF for an action that
// is no record operation).
int action_code(Text action);
int action_word(int code);

struct RecordTexts {
  Text rule_list{};    // RELOPT%: "NONE" no rules, empty the default rules
  Text assignment{};   // IK$(1)
  Text new_record{};   // SET$
  Text after_save{};   // SAVED$
  Text key_text{};     // the key text the user typed, empty for none
};
// The four texts from the current definition section (arena texts).
RecordTexts record_texts_from_section();

// The write of a word for a file whose last status is `last`: a save with
// no current record becomes an insert (of a buffer that holds anything),
// a delete with none is status 5; then the relational update, COMMIT and
// the after-save expression. A move that only saves a changed record
// writes nothing when it was not changed.
[[nodiscard]] Status record_write(uint16_t file, int word, Status last, const RecordTexts& texts);
// The whole operation: write, then move. 0, a status of message 0023, or
// an error of 128 and above. The move's status goes to status word 14.
[[nodiscard]] Status record_operation(uint16_t file, int word, const RecordTexts& texts);

}  // namespace data
