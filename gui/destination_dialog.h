#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <string>

#include "app/chosen_destination.h"
#include "gui/worker.h"

namespace vantrel::gui {

// "Save into": a folder (a SQLite database per file) or a PostgreSQL database (a schema per
// file), with Test, which connects and says what it found. The address never holds a
// password: libpq's own sources give it (PGPASSWORD, ~/.pgpass, a service file).
class DestinationDialog : public QDialog {
  Q_OBJECT

 public:
  DestinationDialog(const DestinationChoice& choice, QWidget* parent);
  ~DestinationDialog() override;

  DestinationChoice choice() const;
  // Reaches the server named and shows what it found (on a worker; the dialog stays usable).
  void test();
  bool testing() const { return tester_.running(); }
  QString testResult() const { return result_->text(); }

 private:
  void updateStates();

  QRadioButton* toFolder_ = nullptr;
  QRadioButton* toServer_ = nullptr;
  QLineEdit* folder_ = nullptr;
  QLineEdit* server_ = nullptr;
  QPushButton* browse_ = nullptr;
  QPushButton* test_ = nullptr;
  QPushButton* ok_ = nullptr;
  QLabel* result_ = nullptr;
  std::string tested_;  // what the worker found, handed over when it has finished
  Worker tester_;       // last: joined before what it writes goes
};

}  // namespace vantrel::gui
