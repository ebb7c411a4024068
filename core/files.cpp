// The runtime file layer: numbered C streams opened by counted-string names.
//
// Writes are flushed before they return, and every write seeks first, so an
// update stream can switch between reading and writing at any call without
// the extra positioning the C library otherwise demands.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "core/arena.h"
#include "core/errors.h"
#include "core/files.h"
#include "core/internal/state.h"

namespace core {
namespace {

constexpr uint16_t kFirstFreeNumber = 3;
constexpr uint32_t kPiece = 512;      // reads and writes go in pieces of this size
constexpr unsigned char kEofMark = 0x1A;

// A NUL-terminated copy of a file name for the C library. It lives on the
// stack rather than in the arena so that files (logs above all) still open
// when the arena is full.
struct CName {
  char bytes[kFileNameMax + 1];
};

FileState& files() {
  FileState& f = state().files;
  if (!f.initialised) {
    f.streams[0] = stdin;
    f.streams[1] = stdout;
    f.streams[2] = stderr;
    f.initialised = true;
  }
  return f;
}

std::FILE* stream(uint16_t number) {
  return number < kFileNumbers ? files().streams[number] : nullptr;
}

// 0 and the C name, or the code for a name that cannot be a file name: an
// error value, empty, too long, or holding a NUL byte (the C library would
// silently open a shorter name).
Status name_check(Text name, CName* out) {
  if (!name.ok()) return name.len != 0 ? name.len : NOVALUE;
  if (name.len == 0 || name.len > kFileNameMax) return NOVALUE;
  if (std::memchr(name.ptr, '\0', name.len) != nullptr) return NOVALUE;
  std::memcpy(out->bytes, name.ptr, name.len);
  out->bytes[name.len] = '\0';
  return kOk;
}

bool exists_as_written(const CName& cname) {
  std::error_code ec;
  return std::filesystem::exists(std::filesystem::path(cname.bytes), ec);
}

// name_check, then, for a name that does not exist as written, the real name
// the installed resolver finds for it (the name as written when it finds
// none, so that a new file is made under the name asked for). A file kept
// open under that name is closed: whatever the caller does next meets it as
// it is.
Status resolved_name(Text name, CName* out) {
  Status bad = name_check(name, out);
  if (bad != kOk) return bad;
  NameResolver resolver = state().name_resolver;
  if (resolver != nullptr && !exists_as_written(*out)) {
    ArenaScope scope;
    CName found;
    if (name_check(resolver(name), &found) == kOk) *out = found;
  }
  kept_release(out->bytes);
  return kOk;
}

Status open_failed(Text name, int mode, Status code) {
  if ((mode & kModeQuiet) != 0 || code < 128) return code;
  if (name.ok()) (void)report_detail(code, name, true);
  return error_record(kRecord, Context::STREAMINIT, code, code);
}

// Append wins over write when both bits are given: it never destroys data.
const char* c_mode(int mode) {
  bool update = (mode & kModeReadOnly) == 0;
  if ((mode & kModeAppend) != 0) return update ? "a+b" : "ab";
  if ((mode & kModeWrite) != 0) return update ? "w+b" : "wb";
  return update ? "r+b" : "rb";
}

bool is_console(Text name) { return name.len == 3 && std::memcmp(name.ptr, "CON", 3) == 0; }

// Writes all of text at position (kFileHere: at the end; the standard
// streams write where they are). 0, or FILEIO with *written telling how far
// it got (0 when the final flush failed, as nothing is then certain).
Status write_at(uint16_t number, uint32_t position, Text text, uint32_t* written) {
  *written = 0;
  std::FILE* f = stream(number);
  if (f == nullptr || number == 0 || !text.ok()) return FILEIO;
  if (position == kFileHere) {
    if (number >= kFirstFreeNumber && std::fseek(f, 0, SEEK_END) != 0) return FILEIO;
  } else if (std::fseek(f, static_cast<long>(position), SEEK_SET) != 0) {
    return FILEIO;
  }
  uint32_t done = 0;
  while (done < text.len) {
    uint32_t piece = text.len - done < kPiece ? text.len - done : kPiece;
    size_t put = std::fwrite(text.ptr + done, 1, piece, f);
    done += static_cast<uint32_t>(put);
    if (put < piece) break;
  }
  if (std::fflush(f) != 0) return FILEIO;
  *written = done;
  return done == text.len ? kOk : FILEIO;
}

struct RawLine {
  uint32_t len = 0;       // bytes stored in the buffer
  uint32_t total = 0;     // bytes of the line, stored or not
  int first = -1;         // its first byte
  bool any = false;       // a byte or a line end was read
  bool too_long = false;  // bytes were dropped: the line did not fit
  bool failed = false;    // the stream reported a read error
};

// Reads up to and past the next line end (CR LF, lone CR or lone LF). Bytes
// beyond cap are consumed but dropped, so an over-long line is skipped whole.
RawLine read_raw_line(std::FILE* f, char* buf, uint32_t cap) {
  RawLine r;
  for (;;) {
    int c = std::getc(f);
    if (c == EOF) {
      r.failed = std::ferror(f) != 0;
      return r;
    }
    r.any = true;
    if (c == '\n') return r;
    if (c == '\r') {
      int next = std::getc(f);
      if (next != '\n' && next != EOF) std::ungetc(next, f);
      return r;
    }
    if (r.total++ == 0) r.first = c;
    if (r.len < cap)
      buf[r.len++] = static_cast<char>(c);
    else
      r.too_long = true;
  }
}

}  // namespace

Status file_open(Text name, int mode) {
  FileState& fs = files();
  if (name.ok() && is_console(name)) return (mode & ~kModeQuiet) == kModeWrite ? 1 : 0;
  CName cname;
  Status bad = resolved_name(name, &cname);
  if (bad != kOk) return open_failed(name, mode, bad);

  uint16_t number = kFirstFreeNumber;
  while (number < kFileNumbers && fs.streams[number] != nullptr) ++number;
  if (number == kFileNumbers) return open_failed(name, mode, DATAOUTBOUND);

  const char* how = c_mode(mode);
  std::FILE* f = std::fopen(cname.bytes, how);
  if (f == nullptr && (mode & kModeReadOnly) == 0) {
    // Opening for update needs an existing file: create it empty ("ab"
    // never truncates one that exists but refused us) and try again.
    std::FILE* created = std::fopen(cname.bytes, "ab");
    if (created != nullptr) {
      std::fclose(created);
      f = std::fopen(cname.bytes, how);
    }
  }
  if (f == nullptr) return open_failed(name, mode, FILENOTFOUND);
  fs.streams[number] = f;
  return number;
}

Status file_close(uint16_t number) {
  if (number < kFirstFreeNumber) {
    if (number > 0) std::fflush(stream(number));
    return kOk;
  }
  std::FILE* f = stream(number);
  if (f == nullptr) return BADFILENUMBER;
  files().streams[number] = nullptr;
  return std::fclose(f) == 0 ? kOk : FILEIO;
}

int64_t file_size(uint16_t number) {
  std::FILE* f = stream(number);
  if (f == nullptr) return -1;
  long here = std::ftell(f);
  if (here < 0 || std::fseek(f, 0, SEEK_END) != 0) return -1;
  long size = std::ftell(f);
  std::fseek(f, here, SEEK_SET);
  return size;
}

uint32_t file_read(uint16_t number, uint32_t position, uint32_t count, char* buffer,
                   uint32_t buffer_size) {
  std::FILE* f = stream(number);
  if (f == nullptr || buffer == nullptr || count > buffer_size) return kFileHere;
  if (position != kFileHere && std::fseek(f, static_cast<long>(position), SEEK_SET) != 0)
    return kFileHere;
  uint32_t done = 0;
  while (done < count) {
    uint32_t piece = count - done < kPiece ? count - done : kPiece;
    size_t got = std::fread(buffer + done, 1, piece, f);
    done += static_cast<uint32_t>(got);
    if (got < piece) break;
  }
  return done;
}

// The line goes into the largest arena entry that fits (at most 65,535
// bytes) and is then shrunk to its length. A line longer than that gives the
// error value OUTOFMEMORY; it is skipped whole, so the next call reads the
// line after it and a reading loop always comes to an end.
Text file_read_line(uint16_t number) {
  std::FILE* f = stream(number);
  if (f == nullptr) return text_error_value(BADFILENUMBER);
  // A file that has grown since we last met its end can be read on.
  if (number >= kFirstFreeNumber) std::clearerr(f);
  for (;;) {
    ArenaScope scope;
    uint32_t cap = arena_free_bytes();
    if (cap > kMaxTextLen) cap = kMaxTextLen;
    Status st = kOk;
    char* buf = arena_new(cap, &st);
    if (buf == nullptr) cap = 0;   // the entry table is full: only empty lines fit

    RawLine r = read_raw_line(f, buf, cap);
    if (r.failed) return text_error_value(DISKIO);
    if (!r.any) return text_error_value(DISKIO);
    if (r.total == 1 && r.first == kEofMark) continue;
    if (r.too_long) return text_error_value(OUTOFMEMORY);
    if (r.len == 0) return Text{};
    return scope.keep(Text{buf, static_cast<uint16_t>(r.len)});
  }
}

uint32_t file_write(uint16_t number, uint32_t position, Text text) {
  uint32_t written = 0;
  Status st = write_at(number, position, text, &written);
  // A short count tells the caller how far it got; a failure before any
  // byte could be placed is the failure marker.
  if (st != kOk && written == 0 && text.len != 0) return kFileHere;
  return written;
}

Status file_append(Text name, Text text) {
  if (!text.ok()) return text.len != 0 ? text.len : NOVALUE;
  Status number = file_open(name, kModeAppend);
  if (number >= kFileNumbers) return number;
  uint32_t written = 0;
  Status st = write_at(number, kFileHere, text, &written);
  Status closed = file_close(number);
  if (st != kOk) return FILEIO;
  return closed;
}

// Position -2 starts the file afresh; any other negative position writes at
// the end.
Status file_put(Text name, int32_t position, Text text) {
  if (!text.ok()) return text.len != 0 ? text.len : NOVALUE;
  const bool at_end = position < 0 && position != -2 && !(name.ok() && is_console(name));
  Status kept = kOk;
  if (at_end && kept_write(name, text, &kept)) return kept;
  CName cname;
  Status bad = resolved_name(name, &cname);
  if (bad != kOk) return bad;
  if (at_end && kept_open_write(name, cname.bytes, text, &kept)) return kept;
  uint32_t at = kFileHere;
  if (position == -2) {
    std::remove(cname.bytes);
    at = 0;
  } else if (position >= 0) {
    at = static_cast<uint32_t>(position);
  }
  Status number = file_open(text_view(cname.bytes, std::strlen(cname.bytes)), 0);
  if (number >= kFileNumbers) return number;
  uint32_t written = 0;
  Status st = write_at(number, at, text, &written);
  Status closed = file_close(number);
  if (st != kOk) return FILEIO;
  return closed;
}

Text file_load(Text name, uint32_t position, uint32_t count) {
  Status number = file_open(name, kModeReadOnly);
  if (number >= kFileNumbers) return text_error_value(number);
  uint32_t start = position == kFileHere ? 0 : position;
  if (count == kToEnd) {
    int64_t size = file_size(number);
    int64_t rest = size > static_cast<int64_t>(start) ? size - start : 0;
    if (rest > static_cast<int64_t>(kMaxTextLen)) {
      (void)file_close(number);
      return text_error_value(STRINGTOOLONG);
    }
    count = static_cast<uint32_t>(rest);
  }
  if (count > kMaxTextLen) count = kMaxTextLen;
  if (count > arena_free_bytes()) {
    (void)file_close(number);
    return text_error_value(OUTOFMEMORY);
  }
  ArenaScope scope;
  Status st = kOk;
  char* buf = arena_new(count, &st);
  if (buf == nullptr) {
    (void)file_close(number);
    return text_error_value(st);
  }
  uint32_t got = file_read(number, start, count, buf, count);
  (void)file_close(number);
  if (got == kFileHere && count != kFileHere) return text_error_value(DISKIO);
  return scope.keep(Text{buf, static_cast<uint16_t>(got)});
}

Status file_delete(Text name) {
  CName cname;
  Status bad = resolved_name(name, &cname);
  if (bad != kOk) return bad;
  if (std::remove(cname.bytes) == 0) return kOk;
  return errno == ENOENT ? FILENOTFOUND : FILEIO;
}

Status file_rename(Text old_name, Text new_name) {
  CName from;
  CName to;
  Status bad = resolved_name(old_name, &from);
  if (bad == kOk) bad = name_check(new_name, &to);
  if (bad != kOk) return bad;
  kept_release(to.bytes);
  if (std::rename(from.bytes, to.bytes) == 0) return kOk;
  return errno == ENOENT ? FILENOTFOUND : FILEIO;
}

bool file_exists(Text name) {
  CName cname;
  if (resolved_name(name, &cname) != kOk) return false;
  return exists_as_written(cname);
}

void file_name_resolver_set(NameResolver resolver) { state().name_resolver = resolver; }

void files_close_all(CoreState& s) {
  FileState& fs = s.files;
  kept_close_all(fs);
  fs.keeping = false;
  for (uint16_t n = kFirstFreeNumber; n < kFileNumbers; ++n) {
    if (fs.streams[n] != nullptr) std::fclose(fs.streams[n]);
    fs.streams[n] = nullptr;
  }
}

}  // namespace core
