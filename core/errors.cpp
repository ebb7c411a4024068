// The last-error record, the detail text, the names of codes and contexts,
// the text a user sees for a code, message boxes and the trace switches.
#include "core/errors.h"

#include <cstdio>
#include <string>

#include "core/arena.h"
#include "core/cp1252.h"
#include "core/internal/state.h"
#include "core/messages.h"
#include "core/slots.h"

namespace core {
namespace {

// Names of codes 122 to 185, field number = code - 121. Codes without a name
// of their own (174, 182, 184) are empty fields.
constexpr Text kErrorNames =
    "Cancelado por el usuario,Expresion Nula,Aviso Indefinido,Tipo Atipico,Datos incorrectos,"
    "No hay datos,Tipos Incompatibles,Fallo de loop,Disco (I/O),Fichero I/O,Ejecuci\xF3"
    "n de Procedimiento,PRCSTCKERROR,TRANSUPERROR,VARHANDLERROR,de Lectura,de Escritura,"
    "de Apertura,de Red,BADEXPRESION,Interno,FARHEAPINIERR,de Entorno de Pantalla,"
    "INDEXCMDERROR,OUTOFMEMORY,STRINGTOOLONG,SINTAXERROR,FEATUREREMOVED,DIMSTRUCERROR,"
    "BADSTRINGTYPE,BADFILENUMBER,FORMATFAILURE,STRCONCATERR,MEMORYALLOCERR,EXPCALCERROR,"
    "LOADSTRERROR,VARNAMEERROR,BADCOMMANDLINE,STROUTBOUND,MEMTESTERROR,FILEOUTBOUND,SQLERROR,"
    "de Datos,Fichero no encontrado,Fichero Existente,Apertura de Ficheros,CHILDEXECERROR,"
    "DATAOUTBOUND,FILENOTINIT,COMMONCTLERROR,DEVICETIMEOUT,DEVICEIOERROR,SYSTEMCMDERROR,,"
    "Permiso denegado,StructMemError,ScreenStructErr,Memory Leaks,Windows Control Error,"
    "Memory Overflow,Variable ScreenField,,Datos Existentes,,Soporte Grafico Insuficiente"_t;
constexpr Status kFirstNamed = 122;
constexpr Status kLastNamed = 185;
constexpr Text kUndefined = "Indefinido"_t;

// Context names, field number = context + 1 (context 0 has none).
constexpr Text kContextNames =
    ",(MEMINIT),(ACUMULATORSET),(STRINGINIT),(STRINGASSIGN),(STRINGNUM),(STRINGCLOSE),"
    "(FIRSTPOSCHR),(PRCPARMVALUE),(STACKADD),(INPUTLINES),(AUXPARAMLOAD),(STREAMINIT),"
    "(STRCONCAT),(EXPEXEC),(VARNMASSIGN),(FORMATSTRING),(BUFFERFLDGET),(BUFFERFLDPUT),"
    "(FILEFLDEXPATTR),(FILEFLDNUM),(FUNCVALUE),(SQLCONNECT),(SQLEXEC),(LOADFILESTR),"
    "(ProgressPopUpUpdate),(ExecCompiler),(ExecRunTime),(FileSystem),(StructFunc),"
    "(HtmlParser),(Screen),(Devices),(VarStructs),(Sort),(LocalLists)"_t;

constexpr Status kDetailCode = 121;   // shows the detail text, like BADDATA

// The terminal speaks UTF-8; internal text is Windows-1252.
void put_utf8(std::FILE* out, Text t) {
  std::string utf8 = cp1252_to_utf8(t);
  std::fwrite(utf8.data(), 1, utf8.size(), out);
}

void default_box(Text caption, Text text, BoxIcon) {
  put_utf8(stderr, caption);
  std::fputs(": ", stderr);
  put_utf8(stderr, text);
  std::fputc('\n', stderr);
}

int32_t default_trace() { return state().trace; }

// What a box shows for a text that may be an error value.
Text shown_text(Text t) {
  if (t.ok()) return t;
  Text e = error_text(t.len);
  return e.ok() ? e : error_name(t.len);
}

}  // namespace

Status error_record(int condition, Context context, Status code, Status result) {
  if (condition == 0) return result;
  ErrorRecord& rec = state().error;
  if (condition == kForce) {
    rec = code == 0 ? ErrorRecord{} : ErrorRecord{code, context};
  } else if (rec.code == 0 && code >= 128) {
    rec = ErrorRecord{code, context};
  }
  return result;
}

Text error_record_text(int condition, Context context, Status code, Text text) {
  if (condition == 0 || code == 0) return text;
  error_record(condition, context, code, code);
  return text_error_value(code);
}

ErrorRecord error_last() { return state().error; }

void error_place_set(Text file, uint32_t line) {
  state().error_place = ErrorPlace{file.ok() ? text_str(file) : std::string(), line};
}

ErrorPlace error_place() { return state().error_place; }

void error_clear() {
  state().error = ErrorRecord{};
  state().error_place = ErrorPlace{};
  static_cast<void>(slot_set(kGroupRuntime, kRtDetail, Text{}));
}

Status report_detail(Status code, Text text, bool append) {
  if (!text.ok()) text = Text{};
  if (append && text.empty()) return code;
  ArenaScope scope;
  // Copied first: the text may itself be a view into the slot store, which
  // moves its texts while it writes.
  Text detail = append ? text_join(error_detail(), "\r\n"_t, text) : text_copy(text);
  if (detail.ok()) static_cast<void>(slot_set(kGroupRuntime, kRtDetail, detail));
  return code;
}

Text error_detail() { return slot_get(kGroupRuntime, kRtDetail); }

Text error_name(Status code) {
  if (code < kFirstNamed || code > kLastNamed) return kUndefined;
  Text name = list_field(kErrorNames, ',', static_cast<uint16_t>(code - 121));
  return name.empty() ? kUndefined : name;
}

Text context_name(Context context) {
  uint32_t field = static_cast<uint32_t>(context) + 1;
  if (field > 65535) return Text{};
  return list_field(kContextNames, ',', static_cast<uint16_t>(field));
}

Text error_text(Status code) {
  if (code == kNotFoundPos && error_last().code != 0) code = error_last().code;
  if (code == kDetailCode || code == BADDATA) {
    Text detail = error_detail();
    return detail.empty() ? error_name(code) : text_copy(detail);
  }
  if (code == 0) return message_text_c("0005");
  if (code <= 120) return message_text_c("0008");
  if (code < 128) return error_name(code);
  ArenaScope scope;
  Text t = text_concat(message_text_c("0009"), error_name(code));
  t = text_concat(t, context_name(error_last().context));
  Text detail = error_detail();
  if (!detail.empty()) t = text_concat(text_concat(t, ": "_t), detail);
  return scope.keep(t);
}

void box_hook_set(BoxHook hook) { state().box_hook = hook; }

void message_box(Text caption, Text text, BoxIcon icon) {
  BoxHook hook = state().box_hook != nullptr ? state().box_hook : default_box;
  hook(caption.ok() ? caption : Text{}, shown_text(text), icon);
}

void error_box(Status code) {
  ArenaScope scope;
  Status shown = code;
  if (shown == kNotFoundPos && error_last().code != 0) shown = error_last().code;
  bool fatal = shown >= 128;
  Text text = error_text(code);
  if (!text.ok()) text = error_name(shown);
  message_box(message_text_c(fatal ? "0013" : "0012"), text,
              fatal ? BoxIcon::Error : BoxIcon::Exclamation);
  // The user has seen the error: the next failure starts a record and a
  // detail of its own instead of being reported under this one.
  error_clear();
}

void done_box(bool success, Text text) {
  ArenaScope scope;
  if (success) {
    Text t = text.ok() && text.len == 0 ? message_text_c("0005") : text;
    message_box(message_text_c("0012"), t, BoxIcon::Exclamation);
  } else {
    message_box(message_text_c("0013"), text, BoxIcon::Error);
  }
}

void trace_getter_set(TraceGetter getter) { state().trace_getter = getter; }

int32_t trace_level() {
  TraceGetter getter = state().trace_getter != nullptr ? state().trace_getter : default_trace;
  return getter();
}

void trace_level_set(int32_t level) { state().trace = level; }

}  // namespace core
