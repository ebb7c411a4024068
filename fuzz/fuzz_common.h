// Shared pieces of the fuzz targets: one core context for the whole run, a
// check that stops with a message, and plain reference versions of the
// quote rules to compare the real code with.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/arena.h"
#include "core/context.h"
#include "core/text.h"

#define FUZZ_CHECK(cond)                                                        \
  do {                                                                          \
    if (!(cond)) {                                                              \
      std::fprintf(stderr, "check failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__); \
      std::abort();                                                             \
    }                                                                           \
  } while (0)

namespace fuzz {

// The context lives for the whole run; each input releases what it made.
inline void ensure_context() {
  static core::CoreContext* context = new core::CoreContext();
  FUZZ_CHECK(context->status() == core::kOk);
}

// A file name of the run's own in /tmp, made unique once (the file exists).
inline std::string make_temp_path(const std::string& stem) {
  std::string name = "/tmp/" + stem + "XXXXXX";
  const int fd = mkstemp(name.data());
  FUZZ_CHECK(fd >= 0);
  close(fd);
  return name;
}

inline core::Text view(const std::string& s) { return core::text_view(s.data(), s.size()); }

inline std::string str(core::Text t) { return t.ok() ? std::string(t.ptr, t.len) : std::string(); }

// A separator: mostly the usual ones, sometimes any byte.
inline char pick_sep(FuzzedDataProvider& in) {
  static const char kSeps[] = {',', ';', ' ', '\0', '|', ':', '\'', '"'};
  const uint8_t b = in.ConsumeIntegral<uint8_t>();
  return b < 200 ? kSeps[b % sizeof kSeps] : static_cast<char>(b);
}

// With FUZZ_DUMP set in the environment, prints a piece of the input
// escaped, to see what a crash input was made of.
inline void dump(const char* name, const std::string& s) {
  static const bool on = std::getenv("FUZZ_DUMP") != nullptr;
  if (!on) return;
  std::fprintf(stderr, "%s [", name);
  for (unsigned char c : s) {
    if (c >= 32 && c < 127 && c != '\\') {
      std::fputc(c, stderr);
    } else {
      std::fprintf(stderr, "\\x%02X", c);
    }
  }
  std::fprintf(stderr, "] (%zu bytes)\n", s.size());
}

inline bool is_quote(char c) { return c == '\'' || c == '"'; }

// visible[i]: byte i lies outside every quoted section and is no quote
// itself, so a quote-aware search may find it.
inline std::vector<bool> visible(const std::string& s) {
  std::vector<bool> v(s.size(), false);
  for (size_t i = 0; i < s.size(); ++i) {
    if (!is_quote(s[i])) {
      v[i] = true;
      continue;
    }
    const size_t close = s.find(s[i], i + 1);
    if (close == std::string::npos) break;
    i = close;
  }
  return v;
}

// First position at or after from of t in s, all of it visible unless plain.
inline size_t ref_find(const std::string& s, const std::string& t, size_t from, bool plain) {
  if (t.empty()) return std::string::npos;
  const std::vector<bool> vis = visible(s);
  for (size_t i = from; i + t.size() <= s.size(); ++i) {
    if (s.compare(i, t.size(), t) != 0) continue;
    bool ok = true;
    for (size_t k = 0; k < t.size() && ok && !plain; ++k) ok = vis[i + k];
    if (ok) return i;
  }
  return std::string::npos;
}

inline std::string ref_replace(const std::string& s, const std::string& t, const std::string& u, bool plain) {
  if (t.empty()) return s;
  if (t.size() == 1 && is_quote(t[0])) plain = true;
  std::string out;
  size_t from = 0;
  for (size_t at = ref_find(s, t, 0, plain); at != std::string::npos; at = ref_find(s, t, from, plain)) {
    out += s.substr(from, at - from) + u;
    from = at + t.size();
  }
  return out + s.substr(from);
}

// The fields of a list by the quote rules (plainly for NUL).
inline std::vector<std::string> ref_fields(const std::string& list, char sep) {
  std::vector<std::string> out;
  if (list.empty()) return out;
  const std::vector<bool> vis = visible(list);
  std::string field;
  for (size_t i = 0; i < list.size(); ++i) {
    const bool separates = list[i] == sep && (sep == '\0' || vis[i]);
    if (separates) {
      out.push_back(field);
      field.clear();
    } else {
      field += list[i];
    }
  }
  out.push_back(field);
  return out;
}

}  // namespace fuzz
