#include "gui/common_actions.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "app/configuration.h"
#include "gui/about_dialog.h"
#include "gui/texts.h"

namespace vantrel::gui {
namespace {

// Esc and Ctrl+W close a window of text (which takes every key itself, as it has the focus).
class ClosesWithKeys : public QObject {
 public:
  explicit ClosesWithKeys(QWidget* window) : QObject(window), window_(window) {
    window->installEventFilter(this);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != window_ || event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Escape && key->keyCombination() != (Qt::CTRL | Qt::Key_W) &&
        !key->matches(QKeySequence::Close)) {
      return false;
    }
    window_->close();
    return true;
  }

 private:
  QWidget* window_;
};

void closesWithKeys(QWidget* window) {
  new ClosesWithKeys(window);
}

}  // namespace

QWidget* viewLog(Session& session, QWidget* owner) {
  const QString path = QString::fromStdString(session.log.path().string());
  if (session.prompts.openExternally(path)) return nullptr;
  auto* viewer = new QPlainTextEdit(owner);
  viewer->setWindowFlag(Qt::Window);
  viewer->setAttribute(Qt::WA_DeleteOnClose);
  viewer->setObjectName(QStringLiteral("logViewer"));
  viewer->setWindowTitle(QStringLiteral("Activity Log.txt - ") + kMessageCaption);
  viewer->setReadOnly(true);
  viewer->setLineWrapMode(QPlainTextEdit::NoWrap);
  viewer->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  QFile file(path);
  if (file.open(QIODevice::ReadOnly)) {
    viewer->setPlainText(QString::fromUtf8(file.readAll()));
  } else {
    viewer->setPlainText(QStringLiteral("The activity log cannot be read: ") + path);
  }
  closesWithKeys(viewer);
  fitOnScreen(viewer, QSize(760, 520));
  viewer->show();
  return viewer;
}

void setCaption(QWidget* window) {
  window->setWindowTitle(kWindowTitle);
  // Title bars draw the caption in a bold face about the size of the text's, beside the
  // window's icon and buttons (each about as wide as the bar is high).
  QFont bold = window->font();
  bold.setBold(true);
  const QFontMetrics metrics(bold);
  const int needed = metrics.horizontalAdvance(kWindowTitle) + 6 * metrics.height();
  window->setMinimumWidth(std::max(window->minimumWidth(), needed));
}

void fitOnScreen(QWidget* window, QSize wanted) {
  const QScreen* screen =
      window->parentWidget() != nullptr ? window->parentWidget()->screen() : window->screen();
  if (screen == nullptr) {
    window->resize(wanted);
    return;
  }
  const QRect room = screen->availableGeometry();
  // The frame the window manager adds comes on top: leave it a margin.
  const QSize size = wanted.boundedTo(room.size() - QSize(32, 64));
  window->resize(size);
  window->move(room.center() - QPoint(size.width() / 2, size.height() / 2));
}

void clearLog(Session& session, QWidget* owner, const QString& question) {
  if (session.prompts.question(owner, question)) session.log.clear();
}

void showHelp(Session& session, QWidget* owner) {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window->windowTitle() == kHelpTitle && window->isVisible()) {
      window->raise();
      return;
    }
  }
  auto* help = new QTextBrowser(owner);
  help->setWindowFlag(Qt::Window);
  help->setAttribute(Qt::WA_DeleteOnClose);
  help->setObjectName(QStringLiteral("help"));
  help->setWindowTitle(kHelpTitle);
  const auto manual = manualFolder(session.applicationFolder) / "index.html";
  help->setSource(QUrl::fromLocalFile(QString::fromStdString(manual.string())));
  if (help->toPlainText().isEmpty()) {
    help->setPlainText(QStringLiteral("The manual was not found: ") +
                       QString::fromStdString(manual.string()));
  }
  closesWithKeys(help);
  fitOnScreen(help, QSize(700, 500));
  help->show();
}

void showAbout(Session& session, QWidget* owner) {
  auto* about = new CAboutDlg(
      session.applicationFolder,
      [&session](const QString& address) { session.prompts.openExternally(address); }, owner);
  about->setAttribute(Qt::WA_DeleteOnClose);
  about->setModal(true);
  about->open();
}

}  // namespace vantrel::gui
