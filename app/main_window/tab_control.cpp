#include "app/main_window/tab_control.h"

#include <QPainter>
#include <QStyleOptionTabWidgetFrame>
#include <QStylePainter>

namespace kelvara::app {

TTabControl::TTabControl(QWidget* parent) : QWidget(parent), tabs_(new QTabBar(this)) {
  tabs_->setDrawBase(false);
  tabs_->setExpanding(false);
  tabs_->setUsesScrollButtons(false);
  tabs_->setFocusPolicy(Qt::TabFocus);
  connect(tabs_, &QTabBar::currentChanged, this, &TTabControl::OnCurrentChanged);
}

void TTabControl::SetTabIndex(int index) {
  silent_ = true;
  tabs_->setCurrentIndex(index);
  silent_ = false;
  shownIndex_ = tabs_->currentIndex();
}

void TTabControl::OnCurrentChanged(int index) {
  const int leaving = shownIndex_;
  shownIndex_ = index;
  if (silent_) return;
  if (leaving >= 0) emit Changing(leaving);
  emit Change(index);
}

void TTabControl::resizeEvent(QResizeEvent*) { tabs_->setGeometry(2, 0, width() - 4, tabs_->sizeHint().height()); }

void TTabControl::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionTabWidgetFrame frame;
  frame.initFrom(this);
  const int top = tabs_->geometry().bottom() - 1;
  frame.rect = QRect(0, top, width(), height() - top);
  frame.shape = QTabBar::RoundedNorth;
  frame.tabBarSize = tabs_->sizeHint();
  frame.tabBarRect = tabs_->geometry();
  frame.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
  painter.drawPrimitive(QStyle::PE_FrameTabWidget, frame);
}

}  // namespace kelvara::app
