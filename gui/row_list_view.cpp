#include "gui/row_list_view.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <algorithm>
#include <string>
#include <vector>

#include "app/copied_rows.h"

namespace vantrel::gui {
namespace {

std::string lineOf(const std::vector<QString>& cells) {
  std::vector<std::string> texts;
  texts.reserve(cells.size());
  for (const QString& cell : cells)
    texts.push_back(cell.toStdString());
  const std::vector<std::string_view> fields(texts.begin(), texts.end());
  return copiedRowLine(fields);
}

}  // namespace

RowListView::RowListView(RowListModel& model, QWidget* parent) : QTableView(parent), model_(model) {
  setModel(&model_);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setTabKeyNavigation(false);  // Tab leaves the list for the next control
  setWordWrap(false);
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  horizontalHeader()->setDefaultSectionSize(100);
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeft);

  setContextMenuPolicy(Qt::ActionsContextMenu);
  auto* copy = new QAction(QStringLiteral("Copy"), this);
  copy->setObjectName(QStringLiteral("copyRows"));
  auto* copyWithHeadings = new QAction(QStringLiteral("Copy with headers"), this);
  copyWithHeadings->setObjectName(QStringLiteral("copyRowsWithHeaders"));
  copyWithHeadings->setShortcut(QKeySequence::Copy);
  copyWithHeadings->setShortcutContext(Qt::WidgetShortcut);
  auto* selectEvery = new QAction(QStringLiteral("Select all"), this);
  selectEvery->setObjectName(QStringLiteral("selectAllRows"));
  selectEvery->setShortcut(QKeySequence::SelectAll);
  selectEvery->setShortcutContext(Qt::WidgetShortcut);
  addActions({copy, copyWithHeadings, selectEvery});
  connect(copy, &QAction::triggered, this, [this] { copySelected(false); });
  connect(copyWithHeadings, &QAction::triggered, this, [this] { copySelected(true); });
  connect(selectEvery, &QAction::triggered, this, &QTableView::selectAll);

  // The view fetches more rows when it is scrolled to the end of what it has; rows that come
  // while it already is there would otherwise wait for the next scroll.
  connect(&model_, &RowListModel::rowsWaiting, this, [this] {
    const QScrollBar* bar = verticalScrollBar();
    if (bar->value() == bar->maximum()) model_.fetchMore({});
  });
}

QString RowListView::selectedRowsText(bool withHeadings) const {
  std::vector<int> rows;
  for (const QModelIndex& index : selectionModel()->selectedRows())
    rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  const int columns = model_.columnCount();
  std::string text;
  std::vector<QString> cells(static_cast<size_t>(columns));
  if (withHeadings && !rows.empty()) {
    for (int c = 0; c < columns; ++c)
      cells[static_cast<size_t>(c)] = model_.heading(c);
    text += lineOf(cells);
  }
  for (const int row : rows) {
    for (int c = 0; c < columns; ++c)
      cells[static_cast<size_t>(c)] = model_.cell(row, c);
    text += lineOf(cells);
  }
  return QString::fromStdString(text);
}

void RowListView::copySelected(bool withHeadings) {
  const QString text = selectedRowsText(withHeadings);
  if (!text.isEmpty()) QApplication::clipboard()->setText(text);
}

void RowListView::keyPressEvent(QKeyEvent* event) {
  // The view's own Ctrl+C copies one cell; the whole rows are meant.
  if (event == QKeySequence::Copy) {
    copySelected(true);
    return;
  }
  QTableView::keyPressEvent(event);
}

}  // namespace vantrel::gui
