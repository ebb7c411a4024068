// The data layer's answers to the expression language: the data functions
// (FILEFIND, FILEREL, FILELOCATE, FILESEL of a data file, KEY$, IER,
// FN#FLEN of a data file, FN$FLDS of a data field, SQLCHILD's nested
// access), field references NAME{FILE} in expressions, and the positions
// of the data files across local procedure calls. The DataContext
// installs them when it starts and removes them when it ends; the hook of
// local calls lives in the procedure store, so a procedure store made
// after the DataContext needs script_hooks_install once more.
//
// A file named by an application's text that names no file fails the
// expression with FILEOUTBOUND (a number) or FILESOPEN (a name), the name
// as detail; it never stops the runtime.
#pragma once

namespace data {

void script_hooks_install();
void script_hooks_remove();

}  // namespace data
