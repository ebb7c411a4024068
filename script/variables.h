// The variable store: process-wide named variables whose kind follows from
// the name ("$" text, "#" number, no marker 16-bit integer, "(" indexed,
// "@" none), the system variables with their defaults, arrays of 1 to 4
// dimensions, the variable hook for "_" names, and snapshots for the local
// variables of procedure calls.
//
// Names live in four comma lists in group 12 of the slot store (integers,
// numbers, texts, indexed names); text values in group 13; integer and
// number values in arrays from the block allocator. A variable's index is its
// position in its list minus one. The lists are the truth; the store keeps a
// hash index beside them for fast lookups, so group 12 must be written only
// through this module (var_reindex rebuilds the index if it ever is not).
//
// Integer variables are 16-bit: a value outside -32,768..32,767 is clamped to
// the nearest end (it never wraps around, so 40000 reads as 32767).
//
// A name is valid when it is not empty and holds none of the bytes , ' " =
// nor control characters below 32; those would break the comma lists and the
// settings files ("NAME=value") that hold names.
#pragma once

#include <cstdint>
#include <memory>

#include "core/status.h"
#include "core/status_words.h"
#include "core/text.h"

namespace script {

using core::Status;
using core::Text;

// Kind codes; they double as the evaluator's operand types.
enum VarKind : int {
  kKindNone = 0,
  kKindInt = 2,
  kKindText = 3,
  kKindNumber = 6,
  kKindIndexed = 16,
};

// Status words (core/status_words.h) are the integer system variables.
using core::kSystemIntegers;

// A typed value as the evaluator and the store exchange it. A number is the
// scaled 64-bit value (see numbers.h); a text is a counted string.
struct Value {
  enum class Type : uint8_t { Number, Text };
  Type type = Type::Number;
  int64_t number = 0;
  Text text{};

  static Value num(int64_t v) { return Value{Type::Number, v, Text{}}; }
  static Value txt(Text t) { return Value{Type::Text, 0, t}; }
  bool is_text() const { return type == Type::Text; }
};

// The kind by the first test that holds: "@" none, "(" indexed, "$" text,
// "#" number, else integer. A name ending in "%" is an integer variable whose
// name includes the "%". An error value is of kind none.
int var_kind(Text name);

struct VarRef {
  int kind = kKindNone;
  int index = -1;          // -1 when the name is not in its list
};
// For an indexed name the array is looked up by the part before "(".
VarRef var_find(Text name);
// Number of variables (or arrays, for kKindIndexed) of a kind.
uint16_t var_count(int kind);
// Rebuilds the lookup index from the name lists in group 12.
void var_reindex();

// Pushes the value as text on the arena (integers and numbers formatted as
// numbers). A variable never assigned reads as 0 or empty and is not created.
// Indexed and invalid names give SINTAXERROR.
[[nodiscard]] Status var_get(Text name);
// The typed value: integers and numbers as scaled numbers, texts as a view
// (valid until the next store write; copy it to keep it). A hook's answer
// is left where the hook put it, usually the caller's arena scope.
[[nodiscard]] Status var_get_value(Text name, Value* out);
// A text value is converted to the kind (integer by text_to_int, number by
// number_from_text); a number value goes into an integer variable rounded,
// into a number variable as it is, and into a text variable formatted.
// Creates the variable when missing. Failures are recorded in VARNMASSIGN
// (unless an earlier error is already recorded, such as the slot store's own
// LOADSTRERROR): SINTAXERROR for an invalid, indexed or none name,
// VARNAMEERROR when a name list cannot grow, STROUTBOUND when the text store
// is full, OUTOFMEMORY when a value table cannot grow. A failed assignment
// leaves the store as it was.
[[nodiscard]] Status var_set(Text name, Text value);
[[nodiscard]] Status var_set_value(Text name, const Value& value);

// Direct access by index for the runtime's own code (status words). An index
// beyond the variables of that kind reads 0 and is not written. With no
// ScriptContext the integer system variables read as their defaults, so
// _PRECIS is 2 and _TRACE 1 even before the store exists.
int16_t var_get_int(uint16_t index);
void var_set_int(uint16_t index, int16_t value);
int64_t var_get_num(uint16_t index);
void var_set_num(uint16_t index, int64_t value);

// Arrays: `base` is the name before "(" with its marker ("A", "A$", "A#");
// anything from a "(" on is ignored. The marker decides the element kind
// (none 16-bit integers, "$" texts, "#" numbers).
//
// Index rule: each dimension d accepts the indices 0 to d inclusive, so the
// defining reference itself is an element, and programs that count from 1
// (A(1)..A(10) after A(10)) or from 0 both work; A(10) holds 11 elements.
// Elements lie in row-major order, the last index varying fastest.
//
// The first reference to an array that does not exist defines it with the
// reference's indices as its dimensions (and reads as 0 / empty). A negative
// index, or one above its dimension, gives DATAOUTBOUND; a reference with
// another number of indices than the array has, or with none or more than
// four, gives DIMSTRUCERROR; so does assigning into an undefined array. An
// array of more than kMaxArrayElements elements gives DATAOUTBOUND.
// A text element is returned as a view, valid until the next store write.
inline constexpr int kMaxArrayDims = 4;
inline constexpr uint32_t kMaxArrayElements = 1u << 20;
[[nodiscard]] Status array_get(Text base, const int32_t* indices, int count, Value* out);
[[nodiscard]] Status array_set(Text base, const int32_t* indices, int count, const Value& value);
bool array_exists(Text base);

// The hook for names that begin with "_": asked first with action 1 (read)
// or 5 (write, with the value as text); it answers a text, or the error value
// NOVALUE when the name is not one of its own. A read answer is converted to
// the kind of the name; another error value fails the read with its code.
// A write offers the value converted to the name's kind, as text; any answer
// that is not NOVALUE means the hook took it (an error answer from 128 is
// the assignment's failure).
inline constexpr int kHookRead = 1;
inline constexpr int kHookWrite = 5;
using VarHook = Text (*)(Text name, int action, Text value);
void var_hook_set(VarHook hook);
// Asks the installed hook to read `name`, whatever its first character (for
// names the store does not hold, such as screen fields). The answer as the
// hook gives it; NOVALUE when there is no hook or the name is not its own.
Text var_hook_read(Text name);

// A resolved integer or number variable, for callers that read and write
// the same names many times (compiled expressions). A handle is valid while
// var_generation() is unchanged: the generation moves whenever variables may
// disappear (var_restore), another store becomes current, or the hook
// changes. Reading and writing through it behaves as var_get_value and
// var_set_value do for that name.
struct VarHandle {
  int kind = kKindNone;
  int index = -1;
  uint32_t generation = 0;
};
uint32_t var_generation();
// False for names that are not an existing integer or number variable, and
// for "_" names while a hook is installed (the hook is asked every time).
bool var_resolve(Text name, VarHandle* handle);
Value var_read(const VarHandle& handle);
void var_write(const VarHandle& handle, const Value& value);

struct VarSnapshot {
  uint16_t name_lengths[4] = {};
  uint16_t name_counts[4] = {};
  uint16_t int_count = 0;
  uint16_t num_count = 0;
  uint16_t array_count = 0;
  uint16_t text_count = 0;
};
VarSnapshot var_snapshot();
// Variables and arrays created after the snapshot disappear (their storage is
// freed); the ones that existed keep their current values. The cut follows
// the recorded name counts, so a stale snapshot never splits a name.
void var_restore(const VarSnapshot& snapshot);

// The 30 dot names (.envvar, .docpath, ...): true and the value when known.
bool dot_name_value(Text name, int32_t* value);

// The settings-file entry of one variable: NAME=value, a text quoted with
// text_quote (apostrophe first), any other value as a number ("0" when empty).
// An arena copy, or an error value (SINTAXERROR for a name of kind none or
// indexed, NOVALUE for a text holding both quote characters).
Text var_settings_entry(Text name);

namespace internal {
struct ScriptState;
}

// Owns the variable store of one runtime; creates the system variables on
// construction (status() tells whether that worked) and frees every value
// array when destroyed. Needs a current core::CoreContext and must be
// destroyed before it; one store per core context (it starts by clearing
// groups 12 and 13). While it lives, the core's trace level follows _TRACE,
// the value formats read their status words from the store, and the locale
// text is rebuilt whenever a language is loaded; when the last one goes the
// core's and the formats' own defaults answer again.
// What the variable store gives the layers below it (the composition root
// installs them): the log's trace switches (_TRACE), a status word for the
// value formats (the century window, the date flags), and the locale text
// built again after a language is loaded. They read whichever store is
// current, and the defaults without one.
int32_t trace_switches();
int32_t status_word_value(uint16_t index);
void locale_rebuild();

class ScriptContext {
 public:
  ScriptContext();
  ~ScriptContext();
  ScriptContext(const ScriptContext&) = delete;
  ScriptContext& operator=(const ScriptContext&) = delete;
  Status status() const { return status_; }

 private:
  std::unique_ptr<internal::ScriptState> state_;
  internal::ScriptState* previous_ = nullptr;
  Status status_ = 0;
};

}  // namespace script
