// The runtime file layer: files by small numbers (0 to 39), opened by name
// with mode bits. 0, 1 and 2 are the standard streams and are never closed;
// a new file takes the lowest free number from 3 up. "CON" is the console.
#pragma once

#include <cstdint>

#include "core/status.h"
#include "core/text.h"

namespace core {

inline constexpr uint16_t kFileNumbers = 40;
inline constexpr uint16_t kFileNameMax = 383;
inline constexpr uint16_t kFileHere = 65535;    // position: current / at the end

// Mode bits; without any of 2 and 4 a file is opened for reading. Files are
// always binary. Without the read-only bit a file is opened for update as
// well, and one that cannot be opened so is first created empty. Append wins
// when both 2 and 4 are given (it never destroys data).
inline constexpr int kModeWrite = 2;            // create or truncate
inline constexpr int kModeAppend = 4;
inline constexpr int kModeReadOnly = 8;
inline constexpr int kModeQuiet = 128;          // no error record

// The file number, or a code of 128 or more (NOVALUE bad name: empty, 384
// bytes or more, or holding a NUL byte; DATAOUTBOUND no free number;
// FILENOTFOUND cannot open). Numbers are below 40, so the two never mix.
// "CON" gives 0 (standard input), or 1 (standard output) for the mode
// kModeWrite (with or without the quiet bit). A failure, unless quiet,
// appends the name to the detail text and records the code in STREAMINIT.
[[nodiscard]] Status file_open(Text name, int mode);
// 0; BADFILENUMBER when nothing is open there; FILEIO when closing failed.
// 0 to 2 are only flushed.
Status file_close(uint16_t number);
int64_t file_size(uint16_t number);             // -1 when not open or not seekable
// Reads from position (kFileHere: where the file is) in pieces of at most
// 512 bytes. Returns the count read (short at the end of the file), or
// 65,535 when the buffer is too small, the number is not open or the
// position cannot be reached.
uint32_t file_read(uint16_t number, uint32_t position, uint32_t count, char* buffer,
                   uint32_t buffer_size);
// The next line, without its end (CR LF, lone CR or lone LF), as an arena
// string. A line that is the single byte 1A (end-of-file mark) is skipped; a
// last line without a line end is returned as a line. Error values: DISKIO
// at the end of the file (or on a read error), BADFILENUMBER when nothing is
// open there, OUTOFMEMORY when the line is longer than the arena's free
// space: that line is then skipped, so the next call reads the one after it.
Text file_read_line(uint16_t number);
// Writes text at position (kFileHere: at the end; the standard streams write
// where they are) and flushes. Returns the count written (short when the
// device took less), or 65,535 when nothing could be written.
uint32_t file_write(uint16_t number, uint32_t position, Text text);
// Opens (created when missing), writes at the end, closes: 0, the open's
// code, or FILEIO when not every byte reached the file.
[[nodiscard]] Status file_append(Text name, Text text);
// Opens for update (created when missing), writes at position, closes.
// Position -2 deletes the file first and writes from 0; another negative
// position writes at the end. 0, the open's code, or FILEIO. While files
// are kept open (below), a write at the end keeps its file open instead.
[[nodiscard]] Status file_put(Text name, int32_t position, Text text);
// Keeping files open for writes by name: while on, file_put at the end
// keeps the file it opens (a few at a time, by the name as written), and
// the next such write to that name is a single write of the text. Every
// write still reaches the file before it returns. Any other operation here
// that reaches a kept file by name (open, load, exists, delete, rename,
// another put) closes it first. Off closes every kept file; so does
// file_close_kept, which leaves keeping as it is (before another program
// runs, which may move or delete the files).
void file_keep_open(bool keep);
void file_close_kept();
// count bytes from position as one arena string (shorter at the end of the
// file); count 65,535 is the rest of the file from position. Error values:
// the open's code, OUTOFMEMORY when the arena has less free space than the
// count, STRINGTOOLONG when the rest of the file exceeds 65,535 bytes.
Text file_load(Text name, uint32_t position, uint32_t count);
// 0, NOVALUE for a bad name, FILENOTFOUND when the (old) file is missing,
// else FILEIO. Nothing is recorded.
[[nodiscard]] Status file_delete(Text name);
[[nodiscard]] Status file_rename(Text old_name, Text new_name);
bool file_exists(Text name);

// Names in any letter case. Applications written for a case-insensitive file
// system name their files in any case; the path layer installs a resolver
// that answers, for a name that does not exist as written, the real name of
// the existing entry it stands for (an arena text), or an error value when
// there is none. Every operation above that takes a name asks it then; a
// name that exists as written never reaches it. nullptr removes it.
using NameResolver = Text (*)(Text name);
void file_name_resolver_set(NameResolver resolver);

}  // namespace core
