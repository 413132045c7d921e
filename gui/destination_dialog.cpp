#include "gui/destination_dialog.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QVBoxLayout>

#include "gui/texts.h"

namespace vantrel::gui {

DestinationDialog::DestinationDialog(const DestinationChoice& choice, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("destinationDialog"));
  setWindowTitle(QStringLiteral("Save into"));
  toFolder_ = new QRadioButton(QStringLiteral("A &folder (SQLite databases)"), this);
  toFolder_->setObjectName(QStringLiteral("toFolder"));
  toServer_ = new QRadioButton(QStringLiteral("A &PostgreSQL database"), this);
  toServer_->setObjectName(QStringLiteral("toServer"));
  folder_ = new QLineEdit(QString::fromStdString(choice.folder), this);
  folder_->setObjectName(QStringLiteral("folder"));
  server_ = new QLineEdit(QString::fromStdString(choice.server), this);
  server_->setObjectName(QStringLiteral("server"));
  server_->setPlaceholderText(QStringLiteral("postgresql://user@host:5432/database"));
  server_->setToolTip(
      QStringLiteral("No password here: it comes from PGPASSWORD, ~/.pgpass or a service file"));
  browse_ = new QPushButton(QStringLiteral("&Browse..."), this);
  test_ = new QPushButton(QStringLiteral("&Test"), this);
  test_->setObjectName(QStringLiteral("test"));
  result_ = new QLabel(this);
  result_->setObjectName(QStringLiteral("testResult"));
  result_->setWordWrap(true);
  result_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);

  auto* grid = new QGridLayout;
  grid->addWidget(toFolder_, 0, 0, 1, 2);
  grid->addWidget(folder_, 1, 0);
  grid->addWidget(browse_, 1, 1);
  grid->addWidget(toServer_, 2, 0, 1, 2);
  grid->addWidget(server_, 3, 0);
  grid->addWidget(test_, 3, 1);
  grid->setColumnMinimumWidth(0, 360);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(result_);
  layout->addWidget(buttons);

  (choice.kind == DestinationChoice::Kind::kServer ? toServer_ : toFolder_)->setChecked(true);
  connect(toFolder_, &QRadioButton::toggled, this, &DestinationDialog::updateStates);
  connect(folder_, &QLineEdit::textChanged, this, &DestinationDialog::updateStates);
  connect(server_, &QLineEdit::textChanged, this, [this] {
    result_->clear();
    updateStates();
  });
  connect(browse_, &QPushButton::clicked, this, [this] {
    const QString chosen = QFileDialog::getExistingDirectory(this, kFolderTitle, folder_->text());
    if (!chosen.isEmpty()) folder_->setText(chosen);
  });
  connect(test_, &QPushButton::clicked, this, &DestinationDialog::test);
  connect(&tester_, &Worker::finished, this, [this] {
    result_->setText(QString::fromStdString(tested_));
    updateStates();
  });
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  updateStates();
}

DestinationDialog::~DestinationDialog() = default;

DestinationChoice DestinationDialog::choice() const {
  return {.kind = toServer_->isChecked() ? DestinationChoice::Kind::kServer
                                         : DestinationChoice::Kind::kFolder,
          .folder = folder_->text().toStdString(),
          .server = server_->text().trimmed().toStdString()};
}

void DestinationDialog::test() {
  if (tester_.running() || server_->text().trimmed().isEmpty()) return;
  result_->setText(QStringLiteral("Connecting..."));
  updateStates();
  tester_.start([this, address = server_->text().trimmed().toStdString()] {
    tested_ = testDestinationText(address);
  });
}

void DestinationDialog::updateStates() {
  const bool server = toServer_->isChecked();
  folder_->setEnabled(!server);
  browse_->setEnabled(!server);
  server_->setEnabled(server);
  test_->setEnabled(server && !tester_.running() && !server_->text().trimmed().isEmpty());
  ok_->setEnabled(server ? !server_->text().trimmed().isEmpty() : !folder_->text().isEmpty());
}

}  // namespace vantrel::gui
