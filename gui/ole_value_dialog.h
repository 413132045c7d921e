#pragma once

#include <QDialog>
#include <optional>

#include "reader/ole_payload.h"

namespace vantrel::gui {

// One OLE Object value of the row list: its picture when it holds one, and what it is.
class OleValueDialog : public QDialog {
  Q_OBJECT

 public:
  OleValueDialog(const QString& title, const std::optional<OlePayload>& payload, QWidget* parent);

  // Whether a picture is shown (its bytes made an image).
  bool showsPicture() const { return showsPicture_; }

 private:
  bool showsPicture_ = false;
};

}  // namespace vantrel::gui
