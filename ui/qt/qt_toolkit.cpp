// The Qt backend: the application object, frames, controls, menus, fonts.
#include <cstdio>

#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>

#include "core/arena.h"
#include "core/cp1252.h"
#include "ui/qt/qt_internal.h"

namespace qtui {

namespace {

constexpr const char* kFace = "DejaVu Sans Mono";
constexpr Margins kDecorations{4, 30, 4, 4};  // what a window manager adds, about
constexpr int kScrollWidth = 16;
constexpr int kMenuBarHeight = 24;  // about; the bar itself says when it exists

QtMessageHandler g_previous_handler = nullptr;

// Platforms without window management (offscreen) say so for every raise
// and size hint; nothing else Qt says is dropped.
void message_handler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtWarningMsg && text.startsWith(QLatin1String("This plugin does not support"))) return;
  if (g_previous_handler != nullptr) {
    g_previous_handler(type, context, text);
  } else {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
  }
}

// The application object lives as long as the process: made once, never
// destroyed (widgets of later runtimes need it again).
void ensure_application() {
  if (QApplication::instance() != nullptr) return;
  g_previous_handler = qInstallMessageHandler(message_handler);
  static int argc = 1;
  static char name[] = "apprun";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  app->setQuitOnLastWindowClosed(false);
}

}  // namespace

QString to_qt(core::Text text) {
  QString out;
  if (!text.ok()) return out;
  out.reserve(text.len);
  for (uint16_t i = 0; i < text.len; ++i) out.append(QChar(static_cast<char16_t>(core::cp1252_to_unicode(text.at(i)))));
  return out;
}

QString to_qt(const std::string& s) { return to_qt(core::text_view(s.data(), s.size())); }

std::string from_qt(const QString& s) {
  std::string out;
  out.reserve(static_cast<size_t>(s.size()));
  for (QChar c : s) {
    int b = core::unicode_to_cp1252(c.unicode());
    out.push_back(b < 0 ? '?' : static_cast<char>(b));
  }
  return out;
}

void ClientArea::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  if (painted.isEmpty()) return;
  QPainter p(this);
  p.fillRect(rect(), Qt::gray);
  p.setPen(Qt::white);
  p.drawText(rect(), Qt::AlignCenter, painted);
}

Frame::Frame(QtToolkit* toolkit, Handle h, const WindowSpec& spec, QWidget* owner)
    : QWidget(owner, (spec.style & kStylePopup) != 0 ? Qt::Dialog : Qt::Window), handle(h), toolkit_(toolkit) {
  class_name = spec.class_name;
  setObjectName(to_qt(spec.class_name));
  setWindowTitle(to_qt(spec.title));
  Qt::WindowFlags flags = windowFlags() | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
  if ((spec.style & kStyleSysMenu) != 0) flags |= Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint;
  if ((spec.style & kStyleMinimizeBox) != 0) flags |= Qt::WindowMinimizeButtonHint;
  setWindowFlags(flags);
  client = new ClientArea(this);
  client->setAutoFillBackground(true);
  move(spec.position.x, spec.position.y);
}

int Frame::menu_height() const { return menu_bar != nullptr ? menu_bar->sizeHint().height() : 0; }

void Frame::set_client_size(Size size) {
  int top = menu_height();
  int scroll_w = scroll != nullptr && scroll->isVisible() ? kScrollWidth : 0;
  if (menu_bar != nullptr) menu_bar->setGeometry(0, 0, size.w + scroll_w, top);
  client->setGeometry(0, top - (scroll != nullptr ? scroll->value() : 0), size.w, size.h + (scroll != nullptr ? scroll->maximum() : 0));
  if (scroll != nullptr) scroll->setGeometry(size.w, top, kScrollWidth, size.h);
  setFixedSize(size.w + scroll_w, size.h + top);
}

void Frame::closeEvent(QCloseEvent* event) {
  // The runtime decides: the close button becomes an event, the window stays.
  event->ignore();
  if (!blocked) toolkit_->push(EventKind::Close, handle);
}

QtToolkit::QtToolkit() {
  ensure_application();
  filter_ = std::make_unique<InputFilter>(this);
  font_set(FontSpec{});
}

QtToolkit::~QtToolkit() {
  while (!frames_.empty()) window_destroy(frames_.begin()->first);
}

std::unique_ptr<Toolkit> make_toolkit() { return std::make_unique<QtToolkit>(); }

Size QtToolkit::screen_area() const {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return {800, 600};
  QRect r = screen->availableGeometry();
  return {r.width(), r.height()};
}

Margins QtToolkit::frame_extra(uint32_t, bool menu) const {
  Margins m = kDecorations;
  if (menu) m.top += kMenuBarHeight;
  return m;
}

// The named face when it is an installed monospace one, else DejaVu Sans
// Mono (or the system's fixed font); the height in pixels; a width asked
// for by stretching the face.
CellSize QtToolkit::font_set(const FontSpec& spec) {
  QString face = to_qt(spec.face);
  if (face.isEmpty() || !QFontDatabase::families().contains(face) || !QFontDatabase::isFixedPitch(face)) {
    face = QFontDatabase::families().contains(kFace) ? QString(kFace)
                                                     : QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
  }
  QFont font(face);
  font.setStyleHint(QFont::Monospace);
  font.setPixelSize(spec.height > 0 ? spec.height : 16);
  font.setBold(spec.bold);
  if (spec.width > 0) {
    int natural = QFontMetrics(font).horizontalAdvance(QLatin1Char('M'));
    if (natural > 0) font.setStretch(std::clamp(spec.width * 100 / natural, 50, 200));
  }
  font_ = font;
  QFontMetrics fm(font_);
  row_ = row_metrics(fm.height());
  cell_ = {std::max(1, fm.horizontalAdvance(QLatin1Char('M'))), row_.pitch};
  return cell_;
}

// A character row as a desktop form has one: the text, an inner margin
// above and below it inside the edit's frame, and a gap to the next row's
// edit, all in proportion to the font (in logical pixels, which Qt maps to
// the screen's device pixels).
RowMetrics row_metrics(int text_height) {
  RowMetrics r;
  r.margin = std::max(2, (text_height + 4) / 8);
  r.gap = std::max(2, (text_height + 4) / 8);
  r.pitch = std::max(1, text_height) + 2 * r.margin + r.gap;
  return r;
}

Frame* QtToolkit::frame(Handle w) const {
  auto it = frames_.find(w);
  return it == frames_.end() ? nullptr : it->second;
}

QWidget* QtToolkit::control(Handle w, int id) const {
  Frame* f = frame(w);
  if (f == nullptr) return nullptr;
  auto it = f->controls.find(id);
  return it == f->controls.end() ? nullptr : it->second;
}

Frame* QtToolkit::frame_of(QObject* object, int* id) const {
  *id = 0;
  for (const auto& [h, f] : frames_) {
    if (object == f || object == f->client) return f;
    for (const auto& [cid, w] : f->controls) {
      if (object == w || (w != nullptr && w->isAncestorOf(qobject_cast<QWidget*>(object)))) {
        *id = cid;
        return f;
      }
    }
  }
  return nullptr;
}

Handle QtToolkit::top() const { return order_.empty() ? kNone : order_.back(); }

Handle QtToolkit::window_create(const WindowSpec& spec) {
  Handle h = next_handle_++;
  Frame* owner = frame(spec.owner);
  auto* f = new Frame(this, h, spec, owner);
  f->setFont(font_);
  f->installEventFilter(filter_.get());
  if (spec.menu != kNone) {
    f->menu_bar = new QMenuBar(f);
    build_menu(f->menu_bar, spec.menu);
  }
  f->set_client_size(spec.client);
  frames_[h] = f;
  order_.push_back(h);
  return h;
}

void QtToolkit::window_destroy(Handle w) {
  Frame* f = frame(w);
  if (f == nullptr) return;
  frames_.erase(w);
  order_.erase(std::remove(order_.begin(), order_.end(), w), order_.end());
  std::erase_if(queue_, [w](const Event& e) { return e.window == w && e.kind != EventKind::Quit; });
  // Windows it owns outlive it: Qt would delete them with their owner.
  for (auto& [handle, other] : frames_) {
    if (other->parentWidget() == f) {
      Qt::WindowFlags flags = other->windowFlags();
      QPoint at = other->pos();
      bool shown = other->isVisible();
      other->setParent(nullptr, flags);
      other->move(at);
      if (shown) other->show();
    }
  }
  f->hide();
  delete f;
}

void QtToolkit::window_move(Handle w, Point p) {
  if (Frame* f = frame(w)) f->move(p.x, p.y);
}

void QtToolkit::window_resize(Handle w, Size client) {
  if (Frame* f = frame(w)) f->set_client_size(client);
}

Point QtToolkit::window_position(Handle w) const {
  Frame* f = frame(w);
  return f != nullptr ? Point{f->x(), f->y()} : Point{};
}

Size QtToolkit::window_client(Handle w) const {
  Frame* f = frame(w);
  if (f == nullptr) return {};
  int scroll_w = f->scroll != nullptr && f->scroll->isVisible() ? kScrollWidth : 0;
  return {f->width() - scroll_w, f->height() - f->menu_height()};
}

void QtToolkit::window_title(Handle w, Text title) {
  if (Frame* f = frame(w)) f->setWindowTitle(to_qt(title));
}

void QtToolkit::window_enable(Handle w, bool enabled) {
  Frame* f = frame(w);
  if (f == nullptr) return;
  // Qt disables a window's child windows with it, and the windows a frame
  // owns are its children: only the frame's own contents are disabled, and
  // its keys and close button are refused while it is blocked.
  f->blocked = !enabled;
  f->client->setEnabled(enabled);
  if (f->menu_bar != nullptr) f->menu_bar->setEnabled(enabled);
  if (f->scroll != nullptr) f->scroll->setEnabled(enabled);
}

void QtToolkit::window_show(Handle w) {
  if (Frame* f = frame(w)) f->show();
}

void QtToolkit::window_activate(Handle w) {
  Frame* f = frame(w);
  if (f == nullptr) return;
  order_.erase(std::remove(order_.begin(), order_.end(), w), order_.end());
  order_.push_back(w);
  f->raise();
  f->activateWindow();
}

void QtToolkit::window_scroll_ranges(Handle w, int, int vertical) {
  Frame* f = frame(w);
  if (f == nullptr) return;
  Size client = window_client(w);
  if (vertical > 0 && f->scroll == nullptr) {
    f->scroll = new QScrollBar(Qt::Vertical, f);
    Handle h = w;
    QObject::connect(f->scroll, &QScrollBar::valueChanged, f, [this, h](int value) {
      Event e = event_of(EventKind::Scroll, h);
      e.param = kScrollThumb;
      e.value = value;
      push(e);
    });
  }
  if (f->scroll != nullptr) {
    f->scroll->setRange(0, std::max(0, vertical));
    f->scroll->setVisible(vertical > 0);
  }
  f->set_client_size(client);
}

void QtToolkit::window_scroll_to(Handle w, int vertical) {
  Frame* f = frame(w);
  if (f == nullptr) return;
  if (f->scroll != nullptr) {
    QSignalBlocker block(f->scroll);
    f->scroll->setValue(vertical);
  }
  f->client->move(0, f->menu_height() - vertical);
}

void QtToolkit::window_paint_text(Handle w, Text text) {
  Frame* f = frame(w);
  if (f == nullptr) return;
  f->client->painted = to_qt(text);
  f->client->update();
}

Handle QtToolkit::menu_create(bool) {
  Handle h = next_handle_++;
  menus_[h];
  return h;
}
void QtToolkit::menu_add_item(Handle menu, int id, Text caption) {
  auto it = menus_.find(menu);
  if (it != menus_.end()) it->second.push_back({id, std::string(caption.ok() ? caption.ptr : "", caption.ok() ? caption.len : 0), kNone});
}
void QtToolkit::menu_add_submenu(Handle menu, Handle submenu, Text caption) {
  auto it = menus_.find(menu);
  if (it != menus_.end()) it->second.push_back({0, std::string(caption.ok() ? caption.ptr : "", caption.ok() ? caption.len : 0), submenu});
}
void QtToolkit::menu_destroy(Handle menu) {
  auto it = menus_.find(menu);
  if (it == menus_.end()) return;
  std::vector<MenuItem> items = it->second;
  menus_.erase(it);
  for (const MenuItem& item : items) {
    if (item.submenu != kNone) menu_destroy(item.submenu);
  }
}

// The runtime's menu tree made into Qt menus under a bar or a pop-up.
void QtToolkit::build_menu(QWidget* target, Handle menu) {
  auto it = menus_.find(menu);
  if (it == menus_.end()) return;
  auto* bar = qobject_cast<QMenuBar*>(target);
  auto* popup = qobject_cast<QMenu*>(target);
  for (const MenuItem& item : it->second) {
    QString caption = to_qt(item.caption);
    if (item.submenu != kNone) {
      QMenu* sub = bar != nullptr ? bar->addMenu(caption) : popup->addMenu(caption);
      build_menu(sub, item.submenu);
      continue;
    }
    QAction* action = bar != nullptr ? bar->addAction(caption) : popup->addAction(caption);
    action->setData(item.id);
    Frame* f = nullptr;
    for (QWidget* w = target; w != nullptr && f == nullptr; w = w->parentWidget()) f = dynamic_cast<Frame*>(w);
    if (f != nullptr) {
      Handle h = f->handle;
      int id = item.id;
      QObject::connect(action, &QAction::triggered, action, [this, h, id]() { push(EventKind::Command, h, id); });
    }
  }
}

void QtToolkit::timer_start(Handle w, int id, int ms) {
  Frame* f = frame(w);
  if (f == nullptr) return;
  timer_stop(w, id);
  auto* timer = new QTimer(f);
  QObject::connect(timer, &QTimer::timeout, timer, [this, w, id]() { push(EventKind::Timer, w, id); });
  timer->start(std::max(ms, 1));
  f->timers[id] = timer;
}

void QtToolkit::timer_stop(Handle w, int id) {
  Frame* f = frame(w);
  if (f == nullptr) return;
  auto it = f->timers.find(id);
  if (it == f->timers.end()) return;
  delete it->second;
  f->timers.erase(it);
}

}  // namespace qtui
