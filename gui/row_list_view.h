#pragma once

#include <QTableView>

#include "gui/row_list_model.h"

namespace vantrel::gui {

// The preview's row list: whole rows are selected, Ctrl+C copies them with their headings as
// tab-separated text, and the right button offers Copy, Copy with headers and Select all.
// Rows that arrive while the list is scrolled to its end are fetched at once.
class RowListView : public QTableView {
  Q_OBJECT

 public:
  RowListView(RowListModel& model, QWidget* parent);

  // The selected rows, in list order, as the clipboard gets them.
  QString selectedRowsText(bool withHeadings) const;
  void copySelected(bool withHeadings);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  RowListModel& model_;
};

}  // namespace vantrel::gui
