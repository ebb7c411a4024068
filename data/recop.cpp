// Record operation words: the write phase, the move loop inside the typed
// key text, and the status a window is shown.
#include <string>

#include "core/arena.h"
#include "core/errors.h"
#include "data/access.h"
#include "data/internal/access.h"
#include "data/internal/access_run.h"
#include "data/internal/common.h"
#include "data/recop.h"
#include "data/records.h"
#include "data/relup.h"
#include "data/session.h"
#include "data/transaction.h"
#include "script/eval.h"
#include "script/variables.h"
#include "definitions/definitions.h"

namespace data {

using core::kOk;

namespace {

constexpr int kHasNew = 0x100, kHasOld = 0x200;
constexpr int kMoveBits = 0x34;

Status evaluate(Text expression) {
  if (expression.len == 0) return kOk;
  core::ArenaScope scope;
  script::Value ignored;
  return script::expr_value(expression, &ignored);
}

bool all_blank(Text t) {
  if (!t.ok()) return true;
  for (uint16_t i = 0; i < t.len; ++i)
    if (t.at(i) != ' ') return false;
  return true;
}

Status move_once(uint16_t file, int word, int move) {
  if ((word & 0x01) != 0) {
    internal::position_note(file);
    Status code = buffer_clear(file);
    if (code != kOk) return code;
    internal::file_ctrl(file).status = kStatusNew;
    return kStatusNew;
  }
  switch (move) {
    case kNavNext:
    case kNavPrevious:
    case kNavLast:
    case kNavFirst: return access_navigate(file, move);
    case kNavFind: {
      core::ArenaScope scope;
      Text value = key_value(file, static_cast<uint16_t>(access_key(file)), Buffer::Current);
      if (!value.ok()) return core::text_error(value);
      value = core::text_trim(value, core::kTrimRight);
      return access_find(file, -1, value, (word & 0x02) != 0 ? kFindAtOrAfter : 0);
    }
    default: return access_status(file);  // no statement for this move
  }
}

// The move of the low byte, repeated while the loaded record lies outside
// the typed key text.
Status move_loop(uint16_t file, int word, Text key_text) {
  int move = word & kMoveBits;
  for (;;) {
    Status st = move_once(file, word, move);
    script::var_set_int(core::kSwIer, static_cast<int16_t>(st));
    if (st != kOk || key_text.len == 0 || (word & 0x01) != 0) return st;
    core::ArenaScope scope;
    Text loaded = core::text_sub(key_value(file, 1, Buffer::Current), 0, key_text.len);
    int order = core::text_compare(loaded, key_text);
    if (order == 0) return kOk;
    if (move == kNavFirst) {
      move = kNavNext;
    } else if (move == kNavLast) {
      move = kNavPrevious;
    } else if (access_key(file) == 1) {
      // Key 1 is in the order of the typed text: once past it, the typed
      // range has ended.
      bool past = move == kNavPrevious ? order < 0 : order > 0;
      if (past || move == kNavFind) return kStatusEnd;
    } else if (move == kNavFind) {
      return kStatusEnd;
    }
  }
}

// Two writers that lock the same totals in opposite orders: the server
// stops one of them (a deadlock, or a serialization failure), and the
// write is tried again from the start.
bool worth_retrying(Status code) {
  if (code < 128 || write_open()) return false;
  Text state = sql_failure_state();
  return core::text_equal(state, "40P01"_t) || core::text_equal(state, "40001"_t);
}

// The record and every write of its rules commit together, or nothing is
// written and the files stand as they did (the typed values included).
Status write_with_rules(uint16_t file, int flags, const RecordTexts& texts) {
  constexpr int kTries = 3;
  Status code = kOk;
  for (int attempt = 1; attempt <= kTries; ++attempt) {
    code = write_begin();
    if (code == kOk) code = record_update(flags, file, texts.rule_list, texts.assignment);
    code = write_end(code);
    if (attempt == kTries || !worth_retrying(code)) break;
    core::error_clear();
  }
  return code;
}

}  // namespace

int action_code(Text action) {
  core::ArenaScope scope;
  Text name = core::text_case(core::text_trim(action, core::kTrimBoth), core::Case::Upper);
  Text short_form = core::param_value(kActionLongForms, name);
  if (short_form.len != 0) name = short_form;
  return core::list_index(kActions, ',', name);
}

int action_word(int code) {
  static constexpr int kWords[] = {kWordNew,  kWordTop,    kWordPrevious, kWordReload, kWordNext,
                                   kWordBottom, kWordFind, kWordSave,     kWordInsert, kWordDelete,
                                   kWordList, kWordNone,   kWordBls};
  return code >= 1 && code <= 13 ? kWords[code - 1] : kWordNone;
}

RecordTexts record_texts_from_section() {
  RecordTexts t;
  // A section without RELOPT% runs the default rules: its value as the raw
  // form of an absent integer key would give "0", a list of no rule.
  bool has_rule_list = core::param_find(defs::def_section_current(), defs::def_key_name(defs::kKeyRelOpt)).ok();
  t.rule_list = has_rule_list ? core::text_unquote(defs::def_key_raw(defs::kKeyRelOpt)) : Text{};
  t.assignment = defs::def_key_raw(defs::kKeyIk1);
  t.new_record = defs::def_key_raw(defs::kKeySet);
  t.after_save = defs::def_key_raw(defs::kKeySaved);
  return t;
}

Status record_write(uint16_t file, int word, Status last, const RecordTexts& texts) {
  uint16_t n = dict_file_resolve(file);
  if (n == 0) return core::FILEOUTBOUND;
  int w = word;
  if (last > 1 && (w & kHasOld) != 0) {
    if ((w & kHasNew) == 0) return kStatusBadKey;  // a delete with no record
    // No record is current: the save becomes an insert of what was typed,
    // and a buffer nobody typed into is no record at all.
    w &= ~kHasOld;
    if (all_blank(buffer_get(n, Buffer::Current))) return kOk;
  } else if ((w & kHasOld) != 0 && (w & kHasNew) != 0 && (w & 0xFF) != 0 && !buffer_changed(n)) {
    return kOk;  // a move that saves only a changed record
  }
  if ((w & 0xFF00) == 0) return kOk;
  Status code = write_with_rules(n, w & 0x1F00, texts);
  if (code == kOk) {
    int16_t current = script::var_get_int(core::kSwCurFil);
    script::var_set_int(core::kSwCurFil, static_cast<int16_t>(n));
    code = evaluate(texts.after_save);
    script::var_set_int(core::kSwCurFil, current);
  }
  return code;
}

Status record_operation(uint16_t file, int word, const RecordTexts& texts) {
  uint16_t n = 0;
  if (Status st = internal::file_ready(file, &n); st != kOk) return st;
  Status last = access_status(n);
  Status r = record_write(n, word, last, texts);
  if (r < 122) {
    if (r >= 5) {
      // The write was refused: the record as it is in the table again.
      core::ArenaScope scope;
      if ((word & 0x01) != 0) {
        static_cast<void>(buffer_clear(n));
      } else {
        // The key as it stands in the record: for a refused insert that is
        // the key typed, whose record is then shown.
        Text value = key_value(n, static_cast<uint16_t>(access_key(n)), Buffer::Current);
        if (value.ok() && !all_blank(value)) static_cast<void>(access_find(n, -1, value, 0));
      }
    } else if (word == 0) {
      r = access_status(n);
    } else if ((word & 0xFF) != 0) {
      r = move_loop(n, word, texts.key_text);
    } else {
      // A write without a move: the record as edited is the record as read.
      r = buffer_save(n);
      internal::file_ctrl(n).status = kOk;
      script::var_set_int(core::kSwIer, 0);
    }
  }
  if ((word & 0x01) != 0 && r < 128) {
    int16_t current = script::var_get_int(core::kSwCurFil);
    script::var_set_int(core::kSwCurFil, static_cast<int16_t>(n));
    Status code = evaluate(texts.new_record);
    script::var_set_int(core::kSwCurFil, current);
    if (code >= 128) r = code;
  }
  if (r < 5 && (word & 0x30) == 0) r = 0;
  return r;
}

}  // namespace data
