// The four name lists of group 12 and the hash index kept beside them.
#include <string>

#include "core/slots.h"
#include "script/internal/var_state.h"

namespace script::internal {
namespace {

// Number of names in a list: no commas inside names, so fields are plain.
uint16_t count_names(Text list) {
  if (list.empty()) return 0;
  uint32_t n = 1;
  for (uint16_t i = 0; i < list.len; ++i)
    if (list.ptr[i] == ',') ++n;
  return static_cast<uint16_t>(n > 65535 ? 65535 : n);
}

}  // namespace

NameClass classify(Text name) {
  if (!name.ok()) return {kKindNone, false};
  bool paren = false, dollar = false, hash = false;
  bool valid = name.len > 0;
  for (uint16_t i = 0; i < name.len; ++i) {
    auto c = static_cast<uint8_t>(name.ptr[i]);
    switch (c) {
      case '@': return {kKindNone, false};
      case '(': paren = true; break;
      case '$': dollar = true; break;
      case '#': hash = true; break;
      case ',': case '\'': case '"': case '=': valid = false; break;
      default:
        if (c < 32) valid = false;
    }
  }
  if (paren) return {kKindIndexed, valid};
  if (dollar) return {kKindText, valid};
  if (hash) return {kKindNumber, valid};
  return {kKindInt, valid};
}

NameList list_of(int kind) {
  switch (kind) {
    case kKindNumber: return kListNumber;
    case kKindText: return kListText;
    case kKindIndexed: return kListIndexed;
    default: return kListInt;
  }
}

int name_lookup(const ScriptState& s, NameList list, Text name) {
  auto it = s.index[list].find(core::text_bytes(name));
  return it == s.index[list].end() ? -1 : it->second;
}

Status name_append(ScriptState& s, NameList list, Text name, uint16_t* index) {
  // The name may be a view into the store, which the write below moves.
  std::string key(name.ptr, name.len);
  Text old = core::slot_get(core::kGroupVarNames, list);
  if (!old.ok() || s.name_count[list] == 65535) return core::VARNAMEERROR;
  uint32_t len = uint32_t{old.len} + (old.len > 0 ? 1u : 0u) + name.len;
  if (len > core::kMaxTextLen) return core::VARNAMEERROR;
  std::string joined;
  joined.reserve(len);
  joined.append(old.ptr, old.len);
  if (old.len > 0) joined += ',';
  joined += key;
  if (core::slot_set(core::kGroupVarNames, list, core::text_view(joined.data(), joined.size())) != core::kOk)
    return core::VARNAMEERROR;
  *index = s.name_count[list]++;
  s.index[list].emplace(std::move(key), *index);
  return core::kOk;
}

uint16_t names_cut(ScriptState& s, NameList list, uint16_t keep) {
  Text cur = core::slot_get(core::kGroupVarNames, list);
  if (!cur.ok()) cur = Text{};
  uint16_t have = count_names(cur);
  if (keep >= have) {
    if (s.name_count[list] != have) names_rebuild(s, list);
    return have;
  }
  // The cut lies before the keep-th comma (or at 0 when nothing is kept).
  uint16_t cut = 0;
  if (keep > 0) {
    uint16_t commas = 0;
    for (uint16_t i = 0; i < cur.len; ++i) {
      if (cur.ptr[i] != ',') continue;
      if (++commas == keep) {
        cut = i;
        break;
      }
    }
  }
  // Forget the dropped names first: the write below moves the text they are in.
  uint32_t start = keep > 0 ? uint32_t{cut} + 1u : 0u;
  NameIndex& idx = s.index[list];
  for (uint32_t i = start; i <= cur.len; ++i) {
    if (i < cur.len && cur.ptr[i] != ',') continue;
    auto it = idx.find(std::string_view(cur.ptr + start, i - start));
    if (it != idx.end() && it->second >= keep) idx.erase(it);
    start = i + 1;
  }
  // A shorter text always fits, so this write cannot fail.
  static_cast<void>(core::slot_set(core::kGroupVarNames, list, core::text_view(cur.ptr, cut)));
  s.name_count[list] = keep;
  if (idx.size() != keep) names_rebuild(s, list);
  return keep;
}

void names_rebuild(ScriptState& s, NameList list) {
  NameIndex& idx = s.index[list];
  idx.clear();
  Text cur = core::slot_get(core::kGroupVarNames, list);
  uint16_t n = 0;
  if (cur.ok() && cur.len > 0) {
    uint32_t start = 0;
    for (uint32_t i = 0; i <= cur.len; ++i) {
      if (i < cur.len && cur.ptr[i] != ',') continue;
      // The first of two equal names is the one a search of the list finds.
      idx.emplace(std::string(cur.ptr + start, i - start), n);
      ++n;
      start = i + 1;
    }
  }
  s.name_count[list] = n;
}

}  // namespace script::internal
