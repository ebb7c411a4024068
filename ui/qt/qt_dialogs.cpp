// Qt dialogs: message boxes, file dialogs, pop-up menus and pictures. With a
// script their answers come from it, given through the dialogs' own buttons.
#include <QAbstractButton>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QTimer>

#include "core/arena.h"
#include "ui/qt/qt_internal.h"

namespace qtui {

namespace {

QMessageBox::StandardButtons standard(BoxButtons b) {
  switch (b) {
    case BoxButtons::Ok: return QMessageBox::Ok;
    case BoxButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case BoxButtons::RetryCancel: return QMessageBox::Retry | QMessageBox::Cancel;
    case BoxButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case BoxButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
  }
  return QMessageBox::Ok;
}

QMessageBox::Icon icon_of(BoxIcon i) {
  switch (i) {
    case BoxIcon::Information: return QMessageBox::Information;
    case BoxIcon::Warning: return QMessageBox::Warning;
    case BoxIcon::Error: return QMessageBox::Critical;
    case BoxIcon::Question: return QMessageBox::Question;
  }
  return QMessageBox::Information;
}

QMessageBox::StandardButton scripted_button(const std::string& answer) {
  QString a = QString::fromUtf8(answer.c_str()).toLower();
  if (a == "ok") return QMessageBox::Ok;
  if (a == "cancel") return QMessageBox::Cancel;
  if (a == "retry") return QMessageBox::Retry;
  if (a == "yes") return QMessageBox::Yes;
  if (a == "no") return QMessageBox::No;
  return QMessageBox::NoButton;  // the close button
}

// "Description,mask,Description,mask" as Qt's "Description (mask);;...".
QString qt_filters(Text filters) {
  core::ArenaScope scope;
  QStringList out;
  core::TextArray items = core::list_split(filters, ',');
  for (uint16_t i = 1; i + 1 <= items.count; i += 2) {
    QString description = to_qt(items.at(i));
    QString mask = to_qt(items.at(static_cast<uint16_t>(i + 1)));
    // The description already names its mask in parentheses.
    out << (description.contains(QLatin1Char('(')) ? description : description + " (" + mask + ")");
  }
  return out.join(";;");
}

}  // namespace

BoxAnswer QtToolkit::message_box(Handle owner, Text caption, Text text, BoxButtons buttons, BoxIcon icon) {
  QMessageBox box(icon_of(icon), to_qt(caption), to_qt(text), standard(buttons), frame(owner));
  // The buttons speak the runtime's language, not the desktop's.
  const std::pair<QMessageBox::StandardButton, const std::string*> labels[] = {
      {QMessageBox::Ok, &box_labels_.ok},       {QMessageBox::Cancel, &box_labels_.cancel},
      {QMessageBox::Retry, &box_labels_.retry}, {QMessageBox::Yes, &box_labels_.yes},
      {QMessageBox::No, &box_labels_.no}};
  for (const auto& [which, label] : labels) {
    QAbstractButton* button = box.button(which);
    if (button != nullptr && !label->empty()) button->setText(to_qt(*label));
  }
  if (scripted()) {
    // Answered through the box's own buttons once it is up; the steps that
    // only look at it (show, shot) are taken first and leave it open.
    QMessageBox* b = &box;
    QTimer::singleShot(0, b, [this, b, owner, buttons]() {
      while (next_step_ < steps_.size() && ui::platform::step_looks(steps_[next_step_])) {
        const ScriptStep& look = steps_[next_step_++];
        if (look.op == StepOp::Shot) save_picture(owner, look.arg, b);
      }
      const ScriptStep* step = take_step(StepOp::Answer);
      QMessageBox::StandardButton wanted = step != nullptr ? scripted_button(step->arg)
                                           : buttons == BoxButtons::YesNo || buttons == BoxButtons::YesNoCancel ? QMessageBox::Yes
                                           : buttons == BoxButtons::RetryCancel ? QMessageBox::Retry
                                                                               : QMessageBox::Ok;
      QAbstractButton* button = wanted != QMessageBox::NoButton ? b->button(wanted) : nullptr;
      if (button != nullptr) {
        button->click();
      } else {
        b->reject();
      }
    });
  }
  int result = box.exec();
  switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok: return BoxAnswer::Ok;
    case QMessageBox::Yes: return BoxAnswer::Yes;
    case QMessageBox::No: return BoxAnswer::No;
    case QMessageBox::Retry: return BoxAnswer::Retry;
    case QMessageBox::Cancel: return BoxAnswer::Cancel;
    default: return result == QMessageBox::Ok ? BoxAnswer::Ok : BoxAnswer::Closed;
  }
}

Text QtToolkit::file_dialog(Handle owner, bool save, Text filters, Text offered_name) {
  QFileDialog dialog(frame(owner));
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setNameFilters(qt_filters(filters).split(";;"));
  dialog.setOption(QFileDialog::ReadOnly, false);
  dialog.selectFile(to_qt(offered_name));
  if (scripted()) {
    // The script names the file: no question of existence or overwriting.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setFileMode(QFileDialog::AnyFile);
    const ScriptStep* step = take_step(StepOp::File);
    QString path = step != nullptr ? QString::fromUtf8(step->arg.c_str()) : QString();
    QFileDialog* d = &dialog;
    QTimer::singleShot(0, d, [d, path]() {
      if (path.isEmpty()) {
        d->reject();
        return;
      }
      d->selectFile(path);
      QMetaObject::invokeMethod(d, "accept");
    });
  }
  std::string chosen;
  if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
    chosen = from_qt(dialog.selectedFiles().first());
  }
  return core::text_copy(core::text_view(chosen.data(), chosen.size()));
}

int QtToolkit::menu_track(Handle owner, Handle menu) {
  if (scripted()) {
    const ScriptStep* step = take_step(StepOp::Menu);
    return step != nullptr ? menu_find(menu, *step) : 0;
  }
  QMenu popup(frame(owner));
  build_menu(&popup, menu);
  QAction* chosen = popup.exec(QCursor::pos());
  return chosen != nullptr ? chosen->data().toInt() : 0;
}

namespace {

// A top-level widget as a picture under a bar with its title: the offscreen
// platform draws no frames, and the title is the main window's status line.
QImage titled_picture(QWidget* w) {
  QPixmap content = w->grab();
  // In the screen's device pixels: on a high-density screen (device-pixel
  // ratio 2) the picture has twice the pixels of the window's layout.
  qreal ratio = content.devicePixelRatio();
  QSize logical = content.deviceIndependentSize().toSize();
  QFontMetrics metrics(QApplication::font());
  int bar = metrics.height() + 8;
  QImage picture((QSizeF(logical.width(), logical.height() + bar) * ratio).toSize(), QImage::Format_RGB32);
  picture.fill(QColor(0x3c, 0x3f, 0x41));
  QPainter painter(&picture);
  painter.scale(ratio, ratio);
  painter.setPen(Qt::white);
  painter.setFont(QApplication::font());
  painter.drawText(QRect(8, 0, logical.width() - 16, bar), Qt::AlignVCenter | Qt::AlignLeft, w->windowTitle());
  painter.drawPixmap(QPointF(0, bar), content);
  return picture;
}

}  // namespace

bool QtToolkit::save_picture(Handle w, const std::string& path, QWidget* box) const {
  Frame* f = frame(w);
  if (f == nullptr && box == nullptr) return false;
  QImage picture = f != nullptr ? titled_picture(f) : titled_picture(box);
  if (f != nullptr && box != nullptr) {
    // The box over the middle of its window, as the user sees it, with a
    // line round it; a window smaller than the box grows to hold it.
    QImage over = titled_picture(box);
    QSize size = picture.size().expandedTo(over.size() + QSize(2, 2));
    if (size != picture.size()) {
      QImage bigger(size, QImage::Format_RGB32);
      bigger.fill(QColor(0x3c, 0x3f, 0x41));
      QPainter(&bigger).drawImage(0, 0, picture);
      picture = bigger;
    }
    QPainter painter(&picture);
    QPoint at((picture.width() - over.width()) / 2, (picture.height() - over.height()) / 2);
    painter.drawImage(at, over);
    painter.setPen(QColor(0x20, 0x20, 0x20));
    painter.drawRect(QRect(at - QPoint(1, 1), over.size() + QSize(1, 1)));
  }
  return picture.save(QString::fromStdString(path), "PNG");
}

bool save_picture(ui::platform::Toolkit* toolkit, ui::platform::Handle window, const std::string& path) {
  auto* qt = dynamic_cast<QtToolkit*>(toolkit);
  return qt != nullptr && qt->save_picture(window, path);
}

}  // namespace qtui
