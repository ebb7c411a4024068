// A document window while it runs: shared by its opening, its lines, its
// save and its actions.
#pragma once

#include <string>
#include <vector>

#include "script/variables.h"
#include "ui/docs.h"
#include "ui/grids.h"
#include "ui/internal/maint_state.h"

namespace ui::internal {

struct DocWindow {
  // Two views of the one screen window: the header's fields over the
  // header's file and the line fields over the lines' file.
  MantWindow head;
  MantWindow lines;
  int window_mode = kDocDocument;
  int flags = 0;
  bool in_lines = false;        // the line fields are being edited
  bool changed = false;         // lines stored since the document was started or read
  bool started = false;         // the header's key has been looked up
  int line_key = 1;             // the key of the lines' file that starts with the header's key
  int grid = -1;
  LineStore store;
  std::vector<size_t> line_fields;   // screen fields (from 0) of the line, in order
  int extra_columns = 0;             // LNASSIGN$ columns after them
  // The document's key: the leading fields of the header's key 1 that the
  // screen holds (key_width bytes of it). When the key has fields after
  // them (filled by WRITECAB0$, from _HNUM) the header is a run of
  // records, all of them starting with the document's key.
  std::string key;
  size_t key_width = 0;
  bool header_run = false;
  std::string last_found;            // the key the last fast find was left on
  // The document as it was read: a save finds it so in the file, or
  // another user has changed it.
  std::vector<std::string> headers_as_read;
  std::vector<std::string> lines_as_read;
  // Bit 32 of status word 21 as it was before this window cleared it for
  // its own automatic import; put back when it closes.
  bool outer_auto_imported = false;
  // The window's own procedure (the screen file's name with PRX), loaded
  // while the window runs: its entries named after the events answer them.
  int procedure = -1;
};

// --- lines (doc_lines.cpp) ------------------------------------------------------
// An expression of the document run with a data file current (so that
// "FIELD{}" is that file's): its status, and its value when out is given.
// An empty expression gives 0 (and no value).
Status expr_in_file(Text expression, uint16_t file, script::Value* out = nullptr);
// The grid's columns and the line store's from the line fields and LNASSIGN$.
void lines_setup(DocWindow* d);
// The line fields show line n of the store (a new blank line past the
// last), entered at its first field.
void line_show(DocWindow* d, int n);
// Stores the line in the fields as line _LNUM: FITCLC$, ALARMLINS$, the
// store and its grid row, FLDUPDATE$. 0; CANCELLED when a field or the
// alarm refused it (already told); NODATA for a new line left blank.
Status line_store_current(DocWindow* d);
// Moves to another line after storing the one in the fields: by a step
// (+1, -1) or to line n (step 0).
Status line_move(DocWindow* d, int step, int n);
Status line_insert(DocWindow* d);
Status line_delete(DocWindow* d);
// The grid and the totals again from the store; the line indicator.
void lines_redraw(DocWindow* d);
void totals_compute(DocWindow* d);
void indicator_show(DocWindow* d);

// --- the document (doc_save.cpp) ---------------------------------------------------
// The document's key from the header's key 1 (the leading fields the
// screen holds), found at opening.
void doc_key_setup(DocWindow* d);
// Looks the typed header key up: a document found is read with its lines,
// else a new one is started with that key.
Status doc_load(DocWindow* d);
Status doc_save(DocWindow* d);
Status doc_delete(DocWindow* d);
// Back to a new, empty document in the header fields.
void doc_reset(DocWindow* d);
// The Importar button: an import set's lines added to the store
// (doc_import.cpp).
Status doc_import(DocWindow* d);
// The automatic import (action 35): AUTO_IMPORT$'s set run once in the
// window. 0, or an error of 128 and more.
Status doc_auto_import(DocWindow* d);
void document_printer_set(DocumentPrinter printer);
// An event: the entry of the window's own procedure named after it, else
// PRCNAME$ when USR_COND$ holds, with DOCEVENT$ the event's name. 0, or
// what stops the operation: the procedure's status (an error is shown and
// answered as CANCELLED), or CANCELLED when it gave DOCALARM$ a text (shown).
Status doc_event(DocWindow* d, int event);
// The window's own procedure loaded: 0, or the error (shown) that keeps
// the window from opening.
Status doc_procedure_load(DocWindow* d);
void doc_procedure_release(DocWindow* d);

// --- the window (doc_open.cpp, doc_actions.cpp) ---------------------------------
// The caption, the status line, the buttons and the fields enabled for the
// part being edited.
void doc_status_show(DocWindow* d);
void doc_enter_lines(DocWindow* d, int n);
// The header fields typed into the header's record; a changed key is put
// back as the document has it (message 0024). 0, or the field's refusal.
Status header_store(DocWindow* d);
// Focus on the line field a line is entered at (BEGINFLD%, else the first).
void line_focus(DocWindow* d);
void doc_enter_header(DocWindow* d);
int doc_action(void* data, int action);
int doc_defaults(void* data, int screen_type, int field, int action);
void doc_close(DocWindow* d);

}  // namespace ui::internal
