#include "widgets/caption_button_bar.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHelpEvent>
#include <QMainWindow>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QResizeEvent>
#include <QToolTip>
#include <algorithm>

#include "widgets/bitmap_helpers.h"

namespace imbrino {

CaptionButtonBar::CaptionButtonBar(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setAttribute(Qt::WA_TransparentForMouseEvents, true);  // until it has a button
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  relayout();
}

void CaptionButtonBar::attach(QWidget* host) {
  if (host == nullptr || host_ != nullptr) return;
  host_ = host;

  // A main window's menu bar is its menu widget; other windows may carry one
  // in their layout.
  QMenuBar* menuBar = nullptr;
  if (auto* mainWindow = qobject_cast<QMainWindow*>(host))
    menuBar = qobject_cast<QMenuBar*>(mainWindow->menuWidget());
  if (menuBar == nullptr) {
    for (QMenuBar* candidate : host->findChildren<QMenuBar*>()) {
      if (candidate->window() == host->window()) {
        menuBar = candidate;
        break;
      }
    }
  }

  // A menu bar the desktop shows outside the window (a global menu) has no
  // corner in the window: the bar then sits on the window itself.
  if (menuBar != nullptr && menuBar->isNativeMenuBar()) menuBar = nullptr;

  if (menuBar != nullptr) {
    menuBar_ = menuBar;
    menuBar->setCornerWidget(this, Qt::TopRightCorner);
    show();
  } else {
    setParent(host);
    host->installEventFilter(this);
    placeOnHost();
    show();
  }
  relayout();
}

void CaptionButtonBar::setSlotOffset(int count) {
  slotOffset_ = std::max(count, 0);
  relayout();
}

void CaptionButtonBar::setColourKey(ColorRef key) {
  colourKey_ = key;
  update();
}

void CaptionButtonBar::setPressedImage(const QImage& image) {
  pressedImage_ = image;
  relayout();
}

bool CaptionButtonBar::addButton(int id, std::optional<QImage> hot, const QImage& normal,
                                 const QString& toolTip, int insertPosition) {
  const bool taken = std::any_of(buttons_.begin(), buttons_.end(),
                                 [id](const Button& button) { return button.id == id; });
  if (taken) return false;

  Button button{id, normal, hot && !hot->isNull() ? *hot : normal, toolTip};
  const int count = buttonCount();
  const int at = insertPosition < 0 || insertPosition > count ? count : insertPosition;
  buttons_.insert(buttons_.begin() + at, std::move(button));
  // Indexes past the insertion now name other buttons.
  hotIndex_ = -1;
  pressedIndex_ = -1;
  capturing_ = false;
  relayout();
  return true;
}

int CaptionButtonBar::buttonId(int index) const {
  if (index < 0 || index >= buttonCount()) return -1;
  return buttons_[static_cast<std::size_t>(index)].id;
}

QPoint CaptionButtonBar::centredOffset(QSize image) const {
  return {(kSlotWidth - image.width()) / 2, (kSlotHeight - image.height()) / 2};
}

int CaptionButtonBar::leftMargin() const {
  int margin = std::max(0, -centredOffset(pressedImage_.size()).x());
  for (const Button& button : buttons_)
    margin = std::max(margin, -centredOffset(button.normal.size()).x());
  return margin;
}

int CaptionButtonBar::topMargin() const {
  int margin = std::max(0, -centredOffset(pressedImage_.size()).y());
  for (const Button& button : buttons_)
    margin = std::max(margin, -centredOffset(button.normal.size()).y());
  return margin;
}

QSize CaptionButtonBar::sizeHint() const {
  const int top = topMargin();
  int bottom = top + kSlotHeight;
  bottom = std::max(bottom, top + centredOffset(pressedImage_.size()).y() + pressedImage_.height());
  for (const Button& button : buttons_)
    bottom =
        std::max(bottom, top + centredOffset(button.normal.size()).y() + button.normal.height());
  return {leftMargin() + (slotOffset_ + buttonCount()) * kSlotWidth, bottom};
}

QRect CaptionButtonBar::slotRect(int index) const {
  if (index < 0 || index >= buttonCount()) return {};
  // Counted from the right edge; a bar stretched taller than it needs keeps
  // its slots in the middle.
  const int slot = slotOffset_ + index + 1;
  const int top = topMargin() + std::max(0, (height() - sizeHint().height()) / 2);
  return {width() - slot * kSlotWidth, top, kSlotWidth, kSlotHeight};
}

QRect CaptionButtonBar::imageRect(int index) const {
  if (index < 0 || index >= buttonCount()) return {};
  const QSize size = buttons_[static_cast<std::size_t>(index)].normal.size();
  return {slotRect(index).topLeft() + centredOffset(size), size};
}

int CaptionButtonBar::buttonAt(QPoint pos) const {
  for (int i = 0; i < buttonCount(); ++i)
    if (slotRect(i).contains(pos)) return i;
  return -1;
}

QString CaptionButtonBar::toolTipAt(QPoint pos) const {
  const int index = buttonAt(pos);
  return index < 0 ? QString() : buttons_[static_cast<std::size_t>(index)].toolTip;
}

void CaptionButtonBar::relayout() {
  setFixedSize(sizeHint());
  updateGeometry();
  if (menuBar_ != nullptr) {
    // The menu bar places its corner widgets only when it is laid out anew
    // (resized, or a corner widget shown or hidden); a bar that changes size
    // on a window already shown would keep its old room.
    QResizeEvent relayoutMenu(menuBar_->size(), menuBar_->size());
    QCoreApplication::sendEvent(menuBar_, &relayoutMenu);
    menuBar_->updateGeometry();
  }
  placeOnHost();

  // Only the pictures and slots belong to the bar: the empty slots and the
  // gaps let the mouse through to whatever lies beneath.
  setAttribute(Qt::WA_TransparentForMouseEvents, buttons_.empty());
  QRegion shape;
  for (int i = 0; i < buttonCount(); ++i) {
    shape += slotRect(i);
    shape += imageRect(i);
    shape +=
        QRect(slotRect(i).topLeft() + centredOffset(pressedImage_.size()), pressedImage_.size());
  }
  if (shape.isEmpty())
    clearMask();
  else
    setMask(shape);
  update();
}

void CaptionButtonBar::placeOnHost() {
  if (host_ == nullptr || menuBar_ != nullptr || parentWidget() != host_) return;
  move(host_->width() - width(), 0);
  raise();
}

bool CaptionButtonBar::eventFilter(QObject* watched, QEvent* event) {
  if (watched == host_ && menuBar_ == nullptr) {
    switch (event->type()) {
      case QEvent::Resize:
      case QEvent::Show:
        placeOnHost();
        break;
      case QEvent::ChildAdded:
        // Controls created after the bar would otherwise cover it.
        if (static_cast<QChildEvent*>(event)->child() != this) raise();
        break;
      default:
        break;
    }
  }
  return QWidget::eventFilter(watched, event);
}

bool CaptionButtonBar::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const int index = buttonAt(help->pos());
    if (index >= 0) {
      QToolTip::showText(help->globalPos(), buttons_[static_cast<std::size_t>(index)].toolTip, this,
                         slotRect(index));
    } else {
      QToolTip::hideText();
      event->ignore();
    }
    return true;
  }
  return QWidget::event(event);
}

void CaptionButtonBar::paintEvent(QPaintEvent*) {
  // Drawn on a clear canvas: the key leaves holes through which the menu bar
  // or the window shows.
  QImage canvas(size(), QImage::Format_ARGB32_Premultiplied);
  if (canvas.isNull()) return;
  canvas.fill(Qt::transparent);
  for (int i = 0; i < buttonCount(); ++i) {
    const Button& button = buttons_[static_cast<std::size_t>(i)];
    const bool hot = i == hotIndex_ && (pressedIndex_ == -1 || pressedIndex_ == i);
    const QPoint at = imageRect(i).topLeft();
    drawTransparent(canvas, hot ? button.hot : button.normal, at.x(), at.y(), colourKey_);
  }
  if (pressedIndex_ >= 0 && !pressedImage_.isNull()) {
    const QPoint at = slotRect(pressedIndex_).topLeft() + centredOffset(pressedImage_.size());
    drawTransparent(canvas, pressedImage_, at.x(), at.y(), colourKey_);
  }
  QPainter painter(this);
  painter.drawImage(0, 0, canvas);
}

void CaptionButtonBar::setHot(int index) {
  if (index == hotIndex_) return;
  hotIndex_ = index;
  update();
}

void CaptionButtonBar::mousePressEvent(QMouseEvent* event) {
  const int index = event->button() == Qt::LeftButton ? buttonAt(event->position().toPoint()) : -1;
  if (index < 0) {
    event->ignore();
    return;
  }
  // The press grabs the mouse implicitly: moves and the release come here
  // wherever they happen.
  capturing_ = true;
  pressedIndex_ = index;
  update();
  event->accept();
}

void CaptionButtonBar::mouseMoveEvent(QMouseEvent* event) {
  setHot(buttonAt(event->position().toPoint()));
  event->accept();
}

void CaptionButtonBar::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !capturing_) {
    event->ignore();
    return;
  }
  capturing_ = false;
  const int pressed = pressedIndex_;
  pressedIndex_ = -1;
  hotIndex_ = -1;
  const QPoint pos = event->position().toPoint();
  if (pressed >= 0 && slotRect(pressed).contains(pos)) {
    const int id = buttons_[static_cast<std::size_t>(pressed)].id;
    const QPoint screenPos = event->globalPosition().toPoint();
    // Posted, as the window system would: the host reacts after this handler
    // has returned, so a click that closes the host cannot pull the bar from
    // under its own mouse handling.
    QMetaObject::invokeMethod(
        this, [this, id, screenPos] { emit buttonClicked(id, screenPos); }, Qt::QueuedConnection);
    hotIndex_ = pressed;
  }
  update();
  event->accept();
}

void CaptionButtonBar::leaveEvent(QEvent* event) {
  if (!capturing_) setHot(-1);
  QWidget::leaveEvent(event);
}

}  // namespace imbrino
