#pragma once

// A tab control with one shared client area: a row of tabs over a framed
// panel that holds the controls of whatever the selected tab stands for.
// A tab chosen by the user is announced twice: Changing with the tab being
// left (before anything else happens) and Change with the tab entered.
// Selecting a tab from code announces nothing.

#include <QTabBar>
#include <QWidget>

namespace kelvara::app {

class TTabControl : public QWidget {
  Q_OBJECT

 public:
  explicit TTabControl(QWidget* parent = nullptr);

  QTabBar* Tabs() const { return tabs_; }
  int TabIndex() const { return tabs_->currentIndex(); }
  /// Selects a tab without announcing it.
  void SetTabIndex(int index);

 signals:
  void Changing(int leavingIndex);
  void Change(int enteredIndex);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void OnCurrentChanged(int index);

  QTabBar* tabs_;
  int shownIndex_ = -1;
  bool silent_ = false;
};

}  // namespace kelvara::app
