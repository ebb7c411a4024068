// The Qt backend's controls: labels, edits, buttons, lists, progress bars.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QHeaderView>
#include <QTableWidget>
#include <functional>
#include <QTextBlock>
#include <QTextCursor>

#include "core/arena.h"
#include "ui/qt/qt_internal.h"

namespace qtui {

namespace {

// A label over a picture: light letters inside a dark outline, legible over
// dark and light parts of any picture alike.
class OutlinedLabel : public QLabel {
 public:
  using QLabel::QLabel;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setFont(font());
    painter.setRenderHint(QPainter::TextAntialiasing);
    QRect area = contentsRect();
    painter.setPen(QColor(0x10, 0x10, 0x10));
    for (int dx = -1; dx <= 1; ++dx) {
      for (int dy = -1; dy <= 1; ++dy) {
        if (dx != 0 || dy != 0) painter.drawText(area.translated(dx, dy), static_cast<int>(alignment()), text());
      }
    }
    painter.setPen(Qt::white);
    painter.drawText(area, static_cast<int>(alignment()), text());
  }
};

// A picture that fills its control without being distorted: scaled to
// cover it, the middle shown, as a desktop's wallpaper is.
class PictureLabel : public QLabel {
 public:
  using QLabel::QLabel;
  void set_picture(const QString& path) {
    picture_ = QPixmap(path);
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    if (picture_.isNull()) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QSize size = picture_.size().scaled(this->size(), Qt::KeepAspectRatioByExpanding);
    QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    painter.drawPixmap(target, picture_);
  }

 private:
  QPixmap picture_;
};

// A table of rows as a desktop list view shows one: a header of titles,
// grid lines, one whole row selected at a time, no editing in place; a
// double click views the row. The background is the runtime's light blue.
QTableWidget* make_grid(QWidget* parent, const std::function<void()>& on_double_click) {
  auto* table = new QTableWidget(parent);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setSelectionMode(QAbstractItemView::SingleSelection);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setShowGrid(true);
  table->setTabKeyNavigation(false);
  table->verticalHeader()->setVisible(false);
  table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 4);
  table->horizontalHeader()->setStretchLastSection(true);
  table->horizontalHeader()->setHighlightSections(false);
  QPalette palette = table->palette();
  palette.setColor(QPalette::Base, QColor(0xE0, 0xE0, 0xFF));
  palette.setColor(QPalette::Text, Qt::black);
  table->setPalette(palette);
  QObject::connect(table, &QTableWidget::cellDoubleClicked, table, [on_double_click](int, int) { on_double_click(); });
  return table;
}

bool has_picture(const Frame* f) {
  for (const auto& [id, w] : f->controls) {
    if (w->property("picture").toBool()) return true;
  }
  return false;
}

// Controls one character row high that stand in a row of their own: the
// edits, buttons and combo boxes, which keep the gap between rows free.
bool one_row_control(const QWidget* w) {
  return qobject_cast<const QLineEdit*>(w) != nullptr || qobject_cast<const QPushButton*>(w) != nullptr ||
         qobject_cast<const QComboBox*>(w) != nullptr;
}

}  // namespace

// The widget's place for the cells it was given: a one-row control is
// centred in its row, the gap to the next row left free; everything else
// fills its cells. The cells stay the control's rectangle for the runtime.
QRect QtToolkit::placed(const QWidget* widget, Rect cells) const {
  QRect r(cells.x, cells.y, cells.w, cells.h);
  if (one_row_control(widget) && cells.h > row_.gap && cells.h <= cell_.h) {
    r.setTop(cells.y + row_.gap / 2);
    r.setHeight(cells.h - row_.gap);
  }
  return r;
}

bool QtToolkit::control_create(Handle w, const ControlSpec& spec) {
  Frame* f = frame(w);
  if (f == nullptr || f->controls.count(spec.id) != 0) return false;
  QWidget* widget = nullptr;
  QString text = to_qt(spec.text);
  Handle h = w;
  int id = spec.id;
  switch (spec.kind) {
    case ControlKind::Static: {
      // Labels put on a picture (the main window's background) are outlined.
      auto* label = has_picture(f) ? new OutlinedLabel(text, f->client) : new QLabel(text, f->client);
      label->setAlignment(((spec.flags & kCentred) != 0 ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter);
      widget = label;
      break;
    }
    case ControlKind::Edit: {
      if ((spec.flags & kMultiLine) != 0) {
        auto* page = new QPlainTextEdit(text, f->client);
        page->setReadOnly(true);
        page->setLineWrapMode(QPlainTextEdit::NoWrap);
        page->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        page->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        widget = page;
        break;
      }
      auto* edit = new QLineEdit(text, f->client);
      // The edit is the row's text height and its inner margins (see
      // placed); the text stands centred in it.
      edit->setTextMargins(1, 0, 1, 0);
      edit->setStyleSheet("QLineEdit { padding: 0px; }");
      if (spec.width_chars > 0) edit->setMaxLength(spec.width_chars);
      edit->setAlignment(((spec.flags & kAlignRight) != 0 ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
      if ((spec.flags & kPassword) != 0) edit->setEchoMode(QLineEdit::Password);
      edit->setReadOnly((spec.flags & kReadOnly) != 0);
      widget = edit;
      break;
    }
    case ControlKind::Button: {
      auto* button = new QPushButton(text, f->client);
      button->setAutoDefault(false);
      button->setDefault((spec.flags & kDefaultButton) != 0);
      QObject::connect(button, &QPushButton::clicked, button, [this, h, id]() { push(EventKind::Command, h, id); });
      widget = button;
      break;
    }
    case ControlKind::ListBox: {
      auto* list = new QListWidget(f->client);
      QObject::connect(list, &QListWidget::itemDoubleClicked, list,
                       [this, h, id](QListWidgetItem*) { push(EventKind::ListActivate, h, id); });
      widget = list;
      break;
    }
    case ControlKind::ComboBox: {
      auto* combo = new QComboBox(f->client);
      // Only the user's choice: a selection the runtime makes is not told back.
      QObject::connect(combo, &QComboBox::activated, combo, [this, h, id](int) { push(EventKind::ListSelect, h, id); });
      widget = combo;
      break;
    }
    case ControlKind::Picture: {
      // The text names a picture file, drawn to fill the control.
      auto* picture = new PictureLabel(f->client);
      picture->set_picture(text);
      picture->setProperty("picture", true);
      widget = picture;
      break;
    }
    case ControlKind::Progress: {
      auto* bar = new QProgressBar(f->client);
      bar->setTextVisible(false);
      widget = bar;
      break;
    }
    case ControlKind::Grid:
      widget = make_grid(f->client, [this, h, id]() { push_grid(h, id, kGridView); });
      break;
  }
  widget->setFont((spec.flags & kSystemFont) != 0 ? QApplication::font() : font_);
  widget->setGeometry(placed(widget, spec.rect));
  widget->setProperty("cells", QRect(spec.rect.x, spec.rect.y, spec.rect.w, spec.rect.h));
  widget->installEventFilter(filter_.get());
  widget->show();
  f->controls[spec.id] = widget;
  return true;
}

void QtToolkit::control_destroy(Handle w, int id) {
  Frame* f = frame(w);
  QWidget* c = control(w, id);
  if (c == nullptr) return;
  f->controls.erase(id);
  delete c;
}

bool QtToolkit::control_exists(Handle w, int id) const { return control(w, id) != nullptr; }

void QtToolkit::control_text_set(Handle w, int id, Text text) {
  QWidget* c = control(w, id);
  if (auto* edit = qobject_cast<QLineEdit*>(c)) edit->setText(to_qt(text));
  if (auto* label = qobject_cast<QLabel*>(c)) {
    if (auto* picture = dynamic_cast<PictureLabel*>(label)) {
      picture->set_picture(to_qt(text));
    } else {
      label->setText(to_qt(text));
    }
  }
  if (auto* button = qobject_cast<QPushButton*>(c)) button->setText(to_qt(text));
}

Text QtToolkit::control_text(Handle w, int id) {
  QWidget* c = control(w, id);
  QString s;
  if (auto* edit = qobject_cast<QLineEdit*>(c)) s = edit->text();
  if (auto* label = qobject_cast<QLabel*>(c)) s = label->text();
  if (auto* button = qobject_cast<QPushButton*>(c)) s = button->text();
  if (auto* combo = qobject_cast<QComboBox*>(c)) s = combo->currentText();
  std::string bytes = from_qt(s);
  return core::text_copy(core::text_view(bytes.data(), bytes.size()));
}

void QtToolkit::control_enable(Handle w, int id, bool enabled) {
  if (QWidget* c = control(w, id)) c->setEnabled(enabled);
}
void QtToolkit::control_show(Handle w, int id, bool shown) {
  if (QWidget* c = control(w, id)) c->setVisible(shown);
}
void QtToolkit::control_read_only(Handle w, int id, bool read_only) {
  if (auto* edit = qobject_cast<QLineEdit*>(control(w, id))) edit->setReadOnly(read_only);
}
void QtToolkit::control_focus(Handle w, int id) {
  if (QWidget* c = control(w, id)) c->setFocus(Qt::OtherFocusReason);
}
int QtToolkit::control_focused(Handle w) const {
  Frame* f = frame(w);
  if (f == nullptr || f->focusWidget() == nullptr) return 0;
  for (const auto& [id, c] : f->controls) {
    if (c == f->focusWidget() || c->isAncestorOf(f->focusWidget())) return id;
  }
  return 0;
}
void QtToolkit::control_select_all(Handle w, int id) {
  if (auto* edit = qobject_cast<QLineEdit*>(control(w, id))) edit->selectAll();
}
void QtToolkit::control_move(Handle w, int id, Rect r) {
  if (QWidget* c = control(w, id)) {
    c->setGeometry(placed(c, r));
    c->setProperty("cells", QRect(r.x, r.y, r.w, r.h));
  }
}
Rect QtToolkit::control_rect(Handle w, int id) const {
  QWidget* c = control(w, id);
  if (c == nullptr) return Rect{};
  QRect r = c->property("cells").toRect();
  return Rect{r.x(), r.y(), r.width(), r.height()};
}
void QtToolkit::list_add(Handle w, int id, Text item) {
  QWidget* c = control(w, id);
  if (auto* list = qobject_cast<QListWidget*>(c)) list->addItem(to_qt(item));
  if (auto* combo = qobject_cast<QComboBox*>(c)) combo->addItem(to_qt(item));
  if (auto* page = qobject_cast<QPlainTextEdit*>(c)) page->appendPlainText(to_qt(item));
}
void QtToolkit::list_clear(Handle w, int id) {
  QWidget* c = control(w, id);
  if (auto* list = qobject_cast<QListWidget*>(c)) list->clear();
  if (auto* combo = qobject_cast<QComboBox*>(c)) combo->clear();
  if (auto* page = qobject_cast<QPlainTextEdit*>(c)) page->clear();
  if (auto* table = qobject_cast<QTableWidget*>(c)) table->setRowCount(0);
}
int QtToolkit::list_selected(Handle w, int id) const {
  QWidget* c = control(w, id);
  if (auto* list = qobject_cast<QListWidget*>(c)) return list->currentRow();
  if (auto* combo = qobject_cast<QComboBox*>(c)) return combo->currentIndex();
  if (auto* table = qobject_cast<QTableWidget*>(c)) return table->selectedItems().isEmpty() ? -1 : table->currentRow();
  return -1;
}
void QtToolkit::list_select(Handle w, int id, int index) {
  QWidget* c = control(w, id);
  if (auto* list = qobject_cast<QListWidget*>(c)) list->setCurrentRow(index);
  if (auto* combo = qobject_cast<QComboBox*>(c)) combo->setCurrentIndex(index);
  if (auto* table = qobject_cast<QTableWidget*>(c)) {
    if (index >= 0 && index < table->rowCount()) {
      table->selectRow(index);
      table->scrollToItem(table->item(index, 0));
    } else {
      table->clearSelection();
    }
  }
  if (auto* page = qobject_cast<QPlainTextEdit*>(c)) {
    // A page of text: its line `index` comes into view, at the top.
    QTextCursor at(page->document()->findBlockByNumber(std::max(index, 0)));
    page->setTextCursor(at);
    page->verticalScrollBar()->setValue(std::max(index, 0));
    page->horizontalScrollBar()->setValue(0);
  }
}
void QtToolkit::grid_columns(Handle w, int id, const std::vector<GridColumn>& columns) {
  auto* table = qobject_cast<QTableWidget*>(control(w, id));
  if (table == nullptr) return;
  table->setColumnCount(static_cast<int>(columns.size()));
  QVariantList right;
  for (size_t i = 0; i < columns.size(); ++i) {
    auto* head = new QTableWidgetItem(to_qt(columns[i].title));
    head->setTextAlignment((columns[i].right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    table->setHorizontalHeaderItem(static_cast<int>(i), head);
    table->setColumnWidth(static_cast<int>(i), columns[i].width);
    right.push_back(columns[i].right);
  }
  table->setProperty("right", right);
}
void QtToolkit::grid_cell_set(Handle w, int id, int row, int column, Text text) {
  auto* table = qobject_cast<QTableWidget*>(control(w, id));
  if (table == nullptr || row < 0 || column < 0 || column >= table->columnCount()) return;
  if (table->rowCount() <= row) table->setRowCount(row + 1);
  auto* item = new QTableWidgetItem(to_qt(text).trimmed());
  bool right = table->property("right").toList().value(column).toBool();
  item->setTextAlignment((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
  table->setItem(row, column, item);
}
void QtToolkit::grid_row_delete(Handle w, int id, int row) {
  if (auto* table = qobject_cast<QTableWidget*>(control(w, id))) table->removeRow(row);
}
int QtToolkit::grid_rows(Handle w, int id) const {
  auto* table = qobject_cast<QTableWidget*>(control(w, id));
  return table != nullptr ? table->rowCount() : 0;
}
void QtToolkit::progress_set(Handle w, int id, int range, int position) {
  if (auto* bar = qobject_cast<QProgressBar*>(control(w, id))) {
    bar->setRange(0, std::max(range, 1));
    bar->setValue(std::clamp(position, 0, std::max(range, 1)));
  }
}

}  // namespace qtui
