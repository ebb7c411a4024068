// Document windows: a business document made of one header record and its
// line records (a delivery note and its items, an invoice and its lines),
// opened by the LnManMain process. The header is a screen of fields as in a
// maintenance window; the lines are shown in a grid below it and edited one
// at a time in the line fields under the grid. The document's keys of its
// screen section say what happens when a line is stored and when the
// document is saved.
//
// The argument is a maintenance window's (maint.h): the screen's parameter
// file and section, columns, rows, the header's data file, flags. Its keys:
//   OPEN$        the open-file set; its last item is the header's file
//   FD$          binds every field: a field bound to the lines' file is a
//                line field, the others are header fields
//   BOUNDS$      "file,key": the lines' file and the key whose leading
//                fields hold the header's key 1 (key 1 when not given); the
//                document's lines are the records whose key starts with it
//   MODE$        ALONE (header only), DOCUMENT (the default), NAVIGATION
//                (the window starts in its lines, with the lines' buttons)
//   MAXLIN%      the most lines (_LMAX, 100 by default)
//   BEGINFLD%    the line field a line is entered at (the first line field)
//   FITCLC$      the line calculation, run on a line before it is stored
//                (importe{}=cantidad{}*precio{})
//   ALARMLINS$   the line alarm, run after it: a non-zero number refuses
//                the line with "Datos incorrectos", a text with that text
//   READLINS$    run before a line is taken into the grid (_LNUM is its number)
//   FLDUPDATE$   run after a line has been stored
//   LNASSIGN$    expressions for grid columns after the line fields
//   FTCLC$       the total calculation: run with _#(n) holding the sum of
//                grid column n over the lines, after every change of the
//                lines and before a save (total{albaranes}=_#(4))
//   WRITECAB0$   an assignment applied to the header before it is written
//   WRITECABS$   "new,changed,rules,condition": the assignment for a new
//                header, the one for a changed header, the rule list of the
//                header's write and a condition that must hold to save
//   WRITELINS$   an assignment applied to each line before it is written,
//                with _LNUM its number (numero{}=numero{albaranes};linea{}=_LNUM)
//   SAVED$       run after a save; DOC$, DOCSETS$ print the saved document
//   FASTFIND$    a process (a lookup window) that chooses a document
//   LNINS$, LNDEL$ run when a line is inserted or deleted
//   PRCNAME$, USR_COND$  the procedure run at the document's events (its
//                name in DOCEVENT$) when the condition holds, unless the
//                window's own procedure (the screen file's name with PRX)
//                has an entry of the event's name, which then runs instead;
//                either refuses the operation by giving DOCALARM$ a text
//   NUMCAB$      how many header records a save writes (_HNUM their number)
//   MNU_IMPORT$  import sets offered by the Importar button
//   AUTO_IMPORT$ an import set run once in the window, when the lines of a
//                new document are first entered (action 35)
//
// Saving writes the header, every line and every rule's effect in one
// transaction: the lines the document had are deleted with their effects
// taken away, and the lines it has now are written with theirs. A failure
// writes nothing and the window keeps what was typed.
#pragma once

#include "core/status.h"
#include "core/text.h"
#include "ui/windows.h"

namespace ui {

// Window modes (MODE$): "ALONE,DOCUMENT,NAVIGATION" give 1, 2, 4; anything
// else 2.
inline constexpr int kDocAlone = 1;
inline constexpr int kDocDocument = 2;
inline constexpr int kDocNavigation = 4;
int doc_mode_parse(Text mode);

// The document's flags.
inline constexpr int kDocPrint = 1;      // print after save (PRN)
inline constexpr int kDocWasRead = 2;    // a document has been read in this window
inline constexpr int kDocFromFile = 4;   // the current document was read from the file

// The caption: in the header, item 12 or 13 of message 0027 (printing off
// or on), " - ", item 8 or 9 (new or changed document); in the lines, item
// 11 once a document has been read, else item 10. An arena text.
Text doc_caption(int flags, bool in_lines);

// The document events "INIT,LOAD,CHECK,SAVE,DELETE" (codes 1-5).
enum DocEvent : int { kEvInit = 1, kEvLoad, kEvCheck, kEvSave, kEvDelete };

// Opens a document window and runs it until it closes. 0, or the code
// that kept it from opening (as maint_open).
[[nodiscard]] Status docs_open(Text argument);

}  // namespace ui
