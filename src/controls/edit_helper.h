// CEditHelper: the in-place editor of a CListBoxXI row. Enter (on its release) and
// leaving the editor commit the edit, Escape cancels it; either way the list is told
// at once, and the list decides what the end means.
#pragma once

#include <QLineEdit>

#include <functional>

class CEditHelper : public QLineEdit {
  Q_OBJECT
 public:
  explicit CEditHelper(QWidget* parent = nullptr);
  // Called with true (commit) or false (cancel) when the edit ends.
  void SetEndHandler(std::function<void(bool commit)> handler) { end_ = std::move(handler); }

 protected:
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void End(bool commit);
  std::function<void(bool)> end_;
};
