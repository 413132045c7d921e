#pragma once

#include <QPushButton>
#include <functional>

namespace vantrel::gui {

// A hyperlink drawn as bold underlined text: the highlight colour, the link colour while the
// mouse is over it, purple once visited, gray when disabled; a hand cursor and a tooltip. A
// click, or Enter released on it, opens prefix + URL (the text when no URL is set) through
// `open`.
class CURLLinkButton : public QPushButton {
  Q_OBJECT

 public:
  CURLLinkButton(const QString& text, const QString& url, const QString& prefix,
                 std::function<void(const QString&)> open, QWidget* parent = nullptr);

  bool hovering() const { return hovering_; }
  bool visited() const { return visited_; }
  // The colour the text is drawn in now.
  QColor textColour() const;
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;

 private:
  void follow();
  QFont linkFont() const;

  QString url_;
  QString prefix_;
  std::function<void(const QString&)> open_;
  bool hovering_ = false;
  bool visited_ = false;
  bool enterPressed_ = false;
};

}  // namespace vantrel::gui
