// Qt input: keys and focus changes seen by the filter, the event queue, and
// the script steps carried out on the real widgets.
#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QTableWidget>
#include <QTimer>
#include <cstdio>

#include "ui/qt/qt_internal.h"

namespace qtui {

namespace {

constexpr int kMaxAutoCloses = 64;

struct KeyPair {
  int qt;
  int vk;
};

constexpr KeyPair kKeys[] = {
    {Qt::Key_Return, kVkReturn}, {Qt::Key_Enter, kVkReturn}, {Qt::Key_Tab, kVkTab},
    {Qt::Key_Backtab, kVkTab},   {Qt::Key_Escape, kVkEscape}, {Qt::Key_Shift, kVkShift},
    {Qt::Key_Control, kVkControl}, {Qt::Key_PageUp, kVkPrior}, {Qt::Key_PageDown, kVkNext},
    {Qt::Key_End, kVkEnd},       {Qt::Key_Home, kVkHome},     {Qt::Key_Left, kVkLeft},
    {Qt::Key_Up, kVkUp},         {Qt::Key_Right, kVkRight},   {Qt::Key_Down, kVkDown},
    {Qt::Key_Backspace, kVkBack}, {Qt::Key_Delete, kVkDelete}, {Qt::Key_Insert, kVkInsert},
    {Qt::Key_Space, kVkSpace},
};

int vk_of(int qt_key) {
  for (const KeyPair& k : kKeys) {
    if (k.qt == qt_key) return k.vk;
  }
  if (qt_key >= Qt::Key_F1 && qt_key <= Qt::Key_F12) return kVkF1 + (qt_key - Qt::Key_F1);
  if ((qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9) || (qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z)) return qt_key;
  return 0;
}

int qt_of(int vk) {
  for (const KeyPair& k : kKeys) {
    if (k.vk == vk) return k.qt;
  }
  if (vk >= kVkF1 && vk <= kVkF12) return Qt::Key_F1 + (vk - kVkF1);
  return vk;
}

// Keys the runtime takes for itself: the widget never sees them. A list
// keeps its own arrows.
bool runtime_key(int vk, bool ctrl, bool list) {
  switch (vk) {
    case kVkReturn:
    case kVkTab:
    case kVkEscape:
    case kVkOem: return true;
    case kVkUp:
    case kVkDown:
    case kVkPrior:
    case kVkNext: return !list;
    case kVkEnd: return ctrl;
    default: return vk >= kVkF1 && vk <= kVkF12;
  }
}

bool caption_matches(const QString& caption, const std::string& wanted_utf8) {
  return script_caption_matches(caption.toStdString(), wanted_utf8);
}

// A step that names nothing: said on standard error, as the headless
// backend says it in its transcript.
void no_target(const ScriptStep& step) {
  std::fprintf(stderr, "!! line %d: %s\n", step.line, script_no_target(step).c_str());
}

void click(QWidget* w, Qt::MouseButton button = Qt::LeftButton, bool twice = false) {
  QPointF at(w->width() / 2.0, w->height() / 2.0);
  QPointF global = w->mapToGlobal(at);
  auto send = [&](QEvent::Type type, Qt::MouseButtons buttons) {
    QMouseEvent e(type, at, global, button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
  };
  send(QEvent::MouseButtonPress, button);
  send(QEvent::MouseButtonRelease, Qt::NoButton);
  if (twice) {
    send(QEvent::MouseButtonDblClick, button);
    send(QEvent::MouseButtonRelease, Qt::NoButton);
  }
}

}  // namespace

bool InputFilter::eventFilter(QObject* watched, QEvent* event) {
  int id = 0;
  Frame* f = toolkit_->frame_of(watched, &id);
  if (f == nullptr) return false;
  if (f->blocked && (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) return true;
  switch (event->type()) {
    case QEvent::KeyPress: {
      auto* key = static_cast<QKeyEvent*>(event);
      int vk = vk_of(key->key());
      if (qobject_cast<QTableWidget*>(toolkit_->control(f->handle, id)) != nullptr && key->modifiers() == Qt::NoModifier) {
        // A grid's own keys: Enter opens the line menu, Insert and Delete
        // ask for those line actions; the arrows move its selection.
        int command = vk == kVkReturn ? kGridMenu : vk == kVkInsert ? kGridInsert : vk == kVkDelete ? kGridDelete : 0;
        if (command != 0) {
          toolkit_->push_grid(f->handle, id, command);
          return true;
        }
      }
      toolkit_->key_pressed(f->handle, id, vk, key->modifiers(), key->text());
      QWidget* target = toolkit_->control(f->handle, id);
      bool list = qobject_cast<QListWidget*>(target) != nullptr || qobject_cast<QTableWidget*>(target) != nullptr;
      return runtime_key(vk, (key->modifiers() & Qt::ControlModifier) != 0, list);
    }
    case QEvent::KeyRelease: {
      int vk = vk_of(static_cast<QKeyEvent*>(event)->key());
      if (vk == kVkShift || vk == kVkControl) toolkit_->push(EventKind::KeyUp, f->handle, id, vk);
      return false;
    }
    case QEvent::FocusIn:
      if (id != 0 && static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason) {
        toolkit_->push(EventKind::ControlFocus, f->handle, id);
      }
      return false;
    case QEvent::FocusOut:
      if (id != 0 && static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason) {
        toolkit_->push(EventKind::ControlBlur, f->handle, id);
      }
      return false;
    default:
      return false;
  }
}

void QtToolkit::push(EventKind kind, Handle w, int id, int key) { queue_.push_back(event_of(kind, w, id, key)); }

void QtToolkit::push_grid(Handle w, int id, int command) {
  Event e = event_of(EventKind::GridCommand, w, id);
  e.param = command;
  queue_.push_back(e);
}

// Shift and Ctrl as the key event carries them, then the key and the
// characters it types.
void QtToolkit::key_pressed(Handle w, int id, int vk, Qt::KeyboardModifiers modifiers, const QString& text) {
  if (vk == kVkShift || vk == kVkControl) {
    (vk == kVkShift ? shift_ : ctrl_) = true;
    push(EventKind::KeyDown, w, id, vk);
    return;
  }
  bool shift = (modifiers & Qt::ShiftModifier) != 0, ctrl = (modifiers & Qt::ControlModifier) != 0;
  if (shift != shift_) push(shift ? EventKind::KeyDown : EventKind::KeyUp, w, id, kVkShift);
  if (ctrl != ctrl_) push(ctrl ? EventKind::KeyDown : EventKind::KeyUp, w, id, kVkControl);
  shift_ = shift;
  ctrl_ = ctrl;
  std::string typed = from_qt(text);
  if (vk == 0 && typed.size() == 1) vk = static_cast<uint8_t>(typed[0]);
  push(EventKind::KeyDown, w, id, vk);
  for (char c : typed) push(EventKind::Char, w, id, static_cast<uint8_t>(c));
}

void QtToolkit::post(Handle w, uint32_t message, int32_t param) {
  queue_.push_back(app_event(w, message, param));
  if (auto* dispatcher = QAbstractEventDispatcher::instance()) dispatcher->wakeUp();
}

void QtToolkit::post_quit() {
  push(EventKind::Quit, kNone);
  if (auto* dispatcher = QAbstractEventDispatcher::instance()) dispatcher->wakeUp();
}

void QtToolkit::discard_pending() {
  QCoreApplication::processEvents();
  std::erase_if(queue_, [](const Event& e) { return e.kind != EventKind::Quit; });
}

void QtToolkit::script_set(std::vector<ScriptStep> steps) {
  steps_ = std::move(steps);
  next_step_ = 0;
  auto_closes_ = 0;
}

const ScriptStep* QtToolkit::take_step(StepOp op) {
  if (next_step_ >= steps_.size() || steps_[next_step_].op != op) return nullptr;
  return &steps_[next_step_++];
}

bool QtToolkit::next_event(Event* out, bool wait) {
  for (;;) {
    if (!queue_.empty()) {
      *out = queue_.front();
      queue_.pop_front();
      return true;
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (!queue_.empty()) continue;
    if (!wait) {
      // A long operation only polls: while its progress window is on top a
      // script takes one step a poll, so that it can cancel.
      Frame* f = frame(top());
      if (f == nullptr || f->class_name != "Progress" || script_done()) return false;
      run_step(steps_[next_step_++]);
      QCoreApplication::processEvents(QEventLoop::AllEvents);
      if (queue_.empty()) return false;
      continue;
    }
    if (!waiting_until_.hasExpired()) {
      // A "wait MS" step: time passes without input; timers fire in it.
      QTimer::singleShot(static_cast<int>(waiting_until_.remainingTime()), [] {});
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
      continue;
    }
    if (!script_done()) {
      run_step(steps_[next_step_++]);
      continue;
    }
    if (scripted()) {
      // An unattended run ends on its own: as on the headless backend.
      if (top() == kNone || ++auto_closes_ > kMaxAutoCloses) {
        post_quit();
      } else {
        push(EventKind::Close, top());
      }
      continue;
    }
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
}

// The frame's controls as a step sees them.
std::vector<ScriptControl> QtToolkit::script_controls(Frame* f) const {
  std::vector<ScriptControl> out;
  for (const auto& [id, w] : f->controls) {
    ScriptControl sc;
    sc.id = id;
    sc.label = qobject_cast<QLabel*>(w) != nullptr;
    auto* button = qobject_cast<QAbstractButton*>(w);
    sc.button = button != nullptr;
    sc.usable = !w->isHidden() && w->isEnabled();
    sc.x = w->x();
    sc.y = w->y();
    sc.h = w->height();
    if (sc.label) sc.caption = static_cast<QLabel*>(w)->text().toStdString();
    if (button != nullptr) sc.caption = button->text().toStdString();
    out.push_back(std::move(sc));
  }
  return out;
}

int QtToolkit::menu_find(Handle menu, const ScriptStep& step) const {
  auto it = menus_.find(menu);
  if (it == menus_.end()) return 0;
  for (const MenuItem& item : it->second) {
    if (item.submenu != kNone) {
      if (int id = menu_find(item.submenu, step)) return id;
    } else if (step.number != 0 ? item.id == step.number : caption_matches(to_qt(item.caption), step.arg)) {
      return item.id;
    }
  }
  return 0;
}

void QtToolkit::run_step(const ScriptStep& step) {
  Frame* f = frame(top());
  if (f == nullptr) return;
  QWidget* focus = f->focusWidget();
  switch (step.op) {
    case StepOp::Type: {
      if (focus == nullptr) return;
      for (QChar c : QString::fromUtf8(step.arg.c_str())) {
        int key = c.isLetterOrNumber() && c.unicode() < 0x80 ? c.toUpper().unicode() : 0;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(focus, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(focus, &release);
      }
      return;
    }
    case StepOp::Key: {
      QWidget* target = focus != nullptr ? focus : f;
      Qt::KeyboardModifiers mods;
      if (step.shift) mods |= Qt::ShiftModifier;
      if (step.ctrl) mods |= Qt::ControlModifier;
      int key = qt_of(step.key);
      if (key == Qt::Key_Tab && step.shift) key = Qt::Key_Backtab;
      QKeyEvent press(QEvent::KeyPress, key, mods);
      QCoreApplication::sendEvent(target, &press);
      QKeyEvent release(QEvent::KeyRelease, key, mods);
      QCoreApplication::sendEvent(target, &release);
      // The modifiers go up after the key, as a user's fingers do.
      if (step.ctrl) push(EventKind::KeyUp, f->handle, 0, kVkControl);
      if (step.shift) push(EventKind::KeyUp, f->handle, 0, kVkShift);
      shift_ = ctrl_ = false;
      return;
    }
    case StepOp::Press: {
      int id = script_button_target(script_controls(f), step);
      if (id == 0) return no_target(step);
      static_cast<QAbstractButton*>(control(f->handle, id))->click();
      return;
    }
    case StepOp::Click: {
      int id = script_control_target(script_controls(f), step);
      QWidget* w = id != 0 ? control(f->handle, id) : nullptr;
      if (w == nullptr) return no_target(step);
      click(w);
      // A window the platform has not activated takes no focus from a
      // click; the focus goes as the click would have sent it.
      if (!w->hasFocus()) w->setFocus(Qt::MouseFocusReason);
      return;
    }
    case StepOp::Select:
      if (auto* list = qobject_cast<QListWidget*>(focus)) list->setCurrentRow(step.number - 1);
      if (auto* table = qobject_cast<QTableWidget*>(focus)) table->selectRow(step.number - 1);
      if (auto* combo = qobject_cast<QComboBox*>(focus)) {
        if (step.number > combo->count()) return no_target(step);
        // As the user's choice: the combo box says it was chosen.
        combo->setCurrentIndex(step.number - 1);
        emit combo->activated(step.number - 1);
      }
      return;
    case StepOp::Activate:
      if (qobject_cast<QTableWidget*>(focus) != nullptr) {
        int id = 0;
        if (frame_of(focus, &id) != nullptr) push_grid(f->handle, id, kGridView);
        return;
      }
      if (auto* list = qobject_cast<QListWidget*>(focus); list != nullptr && list->currentItem() != nullptr) {
        emit list->itemDoubleClicked(list->currentItem());
      }
      return;
    case StepOp::Menu:
      for (QAction* action : f->findChildren<QAction*>()) {
        if (step.number != 0 ? action->data().toInt() == step.number : caption_matches(action->text(), step.arg)) {
          action->trigger();
          return;
        }
      }
      return no_target(step);
    case StepOp::Close:
      f->close();
      return;
    case StepOp::Shot:
      save_picture(f->handle, step.arg);
      return;
    case StepOp::Wait:
      if (step.number > 0) waiting_until_ = QDeadlineTimer(step.number);
      return;
    default:
      return;  // answers wait for their dialogs; show does nothing here
  }
}

}  // namespace qtui
