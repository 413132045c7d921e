#include "gui/ole_value_dialog.h"

#include <QByteArray>
#include <QDialogButtonBox>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QScrollArea>
#include <QVBoxLayout>

#include "app/ole_extraction.h"

namespace vantrel::gui {

OleValueDialog::OleValueDialog(const QString& title, const std::optional<OlePayload>& payload,
                               QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("oleValue"));
  setWindowTitle(title);
  auto* layout = new QVBoxLayout(this);
  QImage image;
  if (payload && payload->isPicture &&
      image.loadFromData(
          QByteArray::fromRawData(reinterpret_cast<const char*>(payload->bytes.data()),
                                  static_cast<qsizetype>(payload->bytes.size())))) {
    auto* picture = new QLabel;
    picture->setObjectName(QStringLiteral("picture"));
    picture->setPixmap(QPixmap::fromImage(image));
    auto* area = new QScrollArea(this);
    area->setWidget(picture);
    area->setAlignment(Qt::AlignCenter);
    area->setMinimumSize(std::min(image.width() + 24, 800), std::min(image.height() + 24, 600));
    layout->addWidget(area, 1);
    showsPicture_ = true;
  }
  auto* text = new QLabel(QString::fromStdString(olePayloadText(payload)), this);
  text->setObjectName(QStringLiteral("oleText"));
  // The names come from the file: never markup.
  text->setTextFormat(Qt::PlainText);
  text->setWordWrap(true);
  text->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(text);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

}  // namespace vantrel::gui
