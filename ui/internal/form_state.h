// A form while it runs: shared by building, its actions and the collection
// of its results.
#pragma once

#include <string>

#include "ui/forms.h"
#include "ui/screens.h"

namespace ui::internal {

struct FormRun {
  FieldList list;
  int flags = 0;
  Handle window = kNone;
  int screen_window = -1;
  bool ended = false;
  bool confirmed = false;
  int end_action = 0;
  int form_code = 0;
  int field = 0;          // the field the user is in (0: none entered yet)
};

// The form's action set (the first-stage function and its third).
int form_action(void* data, int action);
int form_end_code(void* data, int ending_action);

// Computed fields (ASSIGN$): those that depend on field `left`, after the
// user has left it, or all of them (F2). 0 or the first error.
Status form_compute_after(FormRun* form, int left);
Status form_compute_all(FormRun* form);

// The OUTPUT line of a confirmed form (the field values, each quoted,
// separated by ","), when an OUTPUT file is in use: 0 or the append's code.
Status form_output_line();

// Collects the results of a confirmed form into *result (values, condition,
// targets run, WRITE$ run): 0 or the first error.
Status form_collect(FormRun* form, FormResult* result);

}  // namespace ui::internal
