// The device selection dialog: a device of the list, the port settings of a
// serial device, and the page options; an unattended run's INPUT file
// answers it instead.
#include <algorithm>
#include <string>
#include <vector>

#include "core/arena.h"
#include "core/messages.h"
#include "core/slots.h"
#include "core/status_words.h"
#include "definitions/definitions.h"
#include "output/devices.h"
#include "output/serial.h"
#include "paths/paths.h"
#include "script/variables.h"
#include "ui/dialogs.h"
#include "ui/windows.h"

namespace output {

namespace {

using ui::platform::ControlKind;
using ui::platform::Event;
using ui::platform::EventKind;

const Text kOptions = "/LP,/WD,/ST,/VW"_t;

// Controls, and the label number (message 0083) of each field.
enum Id : int { kDevice = 3301, kSpeed, kLine, kLines, kWidth, kStep, kView, kOk, kCancel, kLabel = 3320 };
constexpr int kFields[] = {kSpeed, kLine, kLines, kWidth, kStep, kView};
constexpr int kColumns = 58;
constexpr int kRows = 5;

// Which fields a device uses (table of kFields): the speed and line
// settings for a serial port; the page options for all but DEV; the view
// for the files, PDF and TXT.
bool uses(Text device, int field) {
  bool serial = core::text_equal(core::text_sub(device, 0, 3), "COM"_t);
  bool file = core::text_equal(device, "PDF"_t) || core::text_equal(device, "TXT"_t);
  switch (field) {
    case kSpeed:
    case kLine: return serial;
    case kView: return file;
    default: return !device.empty() && !core::text_equal(device, "DEV"_t);
  }
}

bool says_yes(Text value) {
  Text yes = core::list_field(core::message_text_c("0011"), ',', 1);
  return value.len > 0 && core::text_find_char(yes, static_cast<char>(value.at(0)), 0, true) != core::kNoPos;
}

class SelectProc : public ui::WindowProc {
 public:
  void on_event(ui::Handle window, const Event& event) override {
    switch (event.kind) {
      case EventKind::ListSelect:
        if (event.id == kDevice) enable(window);
        return;
      case EventKind::KeyDown:
        if (ui::key_code(event.key) == ui::kKeyEsc) end(window, false);
        return;
      case EventKind::Command:
        if (event.id == kOk) confirm(window);
        if (event.id == kCancel) end(window, false);
        return;
      case EventKind::Close:
        end(window, false);
        return;
      default:
        return;
    }
  }
  void enable(ui::Handle window) {
    core::ArenaScope scope;
    ui::platform::Toolkit* tk = ui::toolkit();
    Text device = tk->control_text(window, kDevice);
    for (int field : kFields) tk->control_enable(window, field, uses(device, field));
  }
  bool open() const { return open_; }
  bool chosen() const { return chosen_; }
  const std::string& result() const { return result_; }

 private:
  void confirm(ui::Handle window) {
    core::ArenaScope scope;
    ui::platform::Toolkit* tk = ui::toolkit();
    if (tk->list_selected(window, kDevice) < 0) {
      ui::message_box(core::message_text_c("0084"), core::message_text_c("0082"), ui::kBoxWarning);
      return;
    }
    Text device = tk->control_text(window, kDevice);
    std::string text = core::text_str(device);
    if (uses(device, kSpeed)) {
      text += core::text_str(tk->control_text(window, kSpeed)) + "," + core::text_str(tk->control_text(window, kLine));
    } else if (uses(device, kView)) {
      // A file: a fresh temporary one to be viewed, else the one the user names.
      Text extension = core::text_case(device, core::Case::Lower);
      Text name = says_yes(tk->control_text(window, kView))
                      ? paths::path_temp_name(extension)
                      : ui::file_dialog(true, (core::text_equal(device, "PDF"_t) ? 7 : 8) | ui::kFileRestoreFolder);
      if (!name.ok() || name.empty()) return;  // no file: the dialog stays
      text = core::text_str(name);
    }
    // The options given; an empty field leaves its default.
    const int option_fields[] = {kLines, kWidth, kStep, kView};
    for (uint16_t i = 0; i < 4; ++i) {
      Text value = core::text_trim(tk->control_text(window, option_fields[i]), core::kTrimBoth);
      if (value.empty() || !uses(device, option_fields[i])) continue;
      text += " " + core::text_str(core::list_field(kOptions, ',', i + 1)) + ":" + core::text_str(value);
    }
    result_ = text;
    chosen_ = true;
    end(window, true);
  }
  void end(ui::Handle window, bool chosen) {
    chosen_ = chosen;
    open_ = false;
    ui::window_destroy(window);
  }
  bool open_ = true;
  bool chosen_ = false;
  std::string result_;
};

void add(ui::Handle window, ControlKind kind, int id, int row, int column, int width, Text text) {
  ui::platform::ControlSpec c;
  c.kind = kind;
  c.id = id;
  c.rect = ui::cell_rect(row, column, width);
  c.text = core::text_str(text);
  if (id == kOk) c.flags = ui::platform::kDefaultButton;
  ui::toolkit()->control_create(window, c);
}

void fill(ui::Handle window, int id, Text list) {
  core::TextArray items = core::list_split(list, ',');
  for (uint16_t i = 1; i <= items.count; ++i) ui::toolkit()->list_add(window, id, core::text_unquote(items.at(i)));
  ui::toolkit()->list_select(window, id, 0);
}

// The device list without the serial ports this machine does not have.
std::string offered_devices() {
  std::vector<std::string> ports = serial_ports_present();
  std::string list;
  for (uint16_t i = 1; i <= core::list_count(kDeviceList, ','); ++i) {
    std::string item = core::text_str(core::list_field(kDeviceList, ',', i));
    bool absent = item.rfind("COM", 0) == 0 && std::find(ports.begin(), ports.end(), item) == ports.end();
    if (!absent) list += (list.empty() ? "" : ",") + item;
  }
  return list;
}

// The answer of the INPUT file: its next line. False at its end or
// without one.
bool input_answer(std::string* answer) {
  int number = script::var_get_int(core::kSwInHnd);
  if (number <= 0) return false;
  core::ArenaScope scope;
  Text line;
  if (defs::def_read_line(static_cast<uint16_t>(number), &line) != 0) return false;
  *answer = core::text_str(line);
  return true;
}

}  // namespace

Status device_select(Text current, std::string* chosen) {
  std::string answer;
  if (!input_answer(&answer)) {
    ui::platform::Toolkit* tk = ui::toolkit();
    if (tk == nullptr) return core::SCREENENV;
    core::ArenaScope scope;
    SelectProc proc;
    ui::Handle window = ui::kNone;
    Status st = ui::window_create(ui::kFrameDevSel, 0, core::message_text_c("0082"), ui::kNone, kColumns, kRows,
                                  &proc, &window);
    if (st != 0) return st;
    core::TextArray labels = core::list_split(core::text_copy(core::message_text_c("0083")), ',');
    // Row 1: the device and a serial port's settings; row 3: the page
    // options; row 5: the buttons.
    add(window, ControlKind::ComboBox, kDevice, 1, 3, 11, ""_t);
    add(window, ControlKind::Static, kLabel + 1, 1, 17, 6, labels.at(1));
    add(window, ControlKind::ComboBox, kSpeed, 1, 23, 7, ""_t);
    add(window, ControlKind::Static, kLabel + 2, 1, 33, 9, labels.at(2));
    add(window, ControlKind::ComboBox, kLine, 1, 42, 8, ""_t);
    const int edits[] = {kLines, kWidth, kStep, kView};
    const int columns[] = {2, 18, 32, 45};
    const int widths[] = {5, 5, 4, 2};
    // A label starts at its column, or one cell after the field before it
    // when a longer label (another language's) has pushed that field on.
    int free_column = 0;
    for (int i = 0; i < 4; ++i) {
      Text label = labels.at(static_cast<uint16_t>(i + 3));
      int column = std::max(columns[i], free_column);
      free_column = column + label.len + 2 + widths[i] + 1;
      Text value = i < 3 ? device_option(current, core::list_field(kOptions, ',', static_cast<uint16_t>(i + 1)))
                         : core::text_sub(core::message_text_c("0011"), 0, 1);
      if (!value.ok()) value = ""_t;
      add(window, ControlKind::Static, kLabel + 3 + i, 3, column, label.len + 1, label);
      add(window, ControlKind::Edit, edits[i], 3, column + label.len + 2, widths[i], value);
    }
    add(window, ControlKind::Button, kOk, 5, 16, 12, "Ok"_t);
    add(window, ControlKind::Button, kCancel, 5, 32, 12, core::message_text_c("0020"));
    std::string devices = offered_devices();
    fill(window, kDevice, core::text_view(devices));
    fill(window, kSpeed, kSerialSpeeds);
    fill(window, kLine, kSerialLines);
    // The current device when it is one of the list, else none yet.
    Text name = core::list_field(core::text_trim(current, core::kTrimBoth), ' ', 1);
    tk->list_select(window, kDevice, static_cast<int>(core::list_index(core::text_view(devices), ',', name)) - 1);
    proc.enable(window);
    tk->control_focus(window, kDevice);
    ui::modal_loop(window);
    if (proc.open()) ui::window_destroy(window);
    if (!proc.chosen()) return core::CANCELLED;
    answer = proc.result();
  }
  *chosen = answer;
  core::ArenaScope scope;
  return core::slot_set(core::kGroupRuntime, core::kRtDeviceChoice, core::text_view(answer));
}

}  // namespace output
