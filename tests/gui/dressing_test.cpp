#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <filesystem>
#include <memory>

#include "gui/about_dialog.h"
#include "gui/main_window.h"
#include "gui/skin.h"
#include "gui/splash_screen.h"
#include "gui/url_link_button.h"
#include "gui/user_prompts.h"
#include "tests/support/temp_dir.h"

namespace vantrel::gui {
namespace {

namespace fs = std::filesystem;

// The application folder of the build tree, with the skins and the splash bitmap.
const fs::path kResources = fs::path(VANTREL_BINARY_DIR) / "share" / "vantrel";

class RecordingPrompts : public UserPrompts {
 public:
  bool question(QWidget*, const QString&) override { return false; }
  void notice(QWidget*, const QString&) override {}
  OverwriteAnswer overwriteAll(QWidget*) override { return OverwriteAnswer::No; }
  QStringList chooseFiles(QWidget*) override { return {}; }
  QString chooseFolder(QWidget*) override { return {}; }
  QString chooseDestination(QWidget*) override { return {}; }
  bool openExternally(const QString& path) override {
    opened << path;
    return true;
  }
  QStringList opened;
};

// One application for the whole run, gone before the process ends (so that what the window
// system holds is released too).
class QtApplication : public ::testing::Environment {
 public:
  void SetUp() override {
    // No display is needed: the windows are drawn offscreen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "dressing_tests";
    static char* argv[] = {name, nullptr};
    application_ = std::make_unique<QApplication>(argc, argv);
  }
  void TearDown() override { application_.reset(); }

 private:
  std::unique_ptr<QApplication> application_;
};
const auto* const kApplication = ::testing::AddGlobalTestEnvironment(new QtApplication);

class DressingTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directory(dir.path() / "reports"); }
  Session session(const fs::path& folder) {
    return Session{prompts, ActivityLog(dir.path() / "Activity Log.txt"),
                   folder,  dir.path() / "reports",
                   [] {},   std::chrono::milliseconds(0)};
  }

  test::TempDir dir;
  RecordingPrompts prompts;
};

TEST_F(DressingTest, WindowsWearTheirSkinAndKeepTheDefaultLookWithoutIt) {
  Session skinned = session(kResources);
  MainWindow dressed(skinned);
  dressed.show();
  EXPECT_EQ(dressed.property("skin").toString().toStdString(),
            (kResources / "Vantrel-Access1.bmp").string());
  // The bitmap's corners lie on the window's corners whatever its size: no edge of the
  // picture shows inside a window larger or of other proportions than it.
  const QImage skin((kResources / "Vantrel-Access1.bmp").c_str());
  const auto near = [](QColor a, QColor b) {
    return std::abs(a.red() - b.red()) < 16 && std::abs(a.green() - b.green()) < 16 &&
           std::abs(a.blue() - b.blue()) < 16;
  };
  for (const QSize size : {QSize(skin.width() + 200, skin.height() / 2), QSize(500, 400)}) {
    dressed.resize(size);
    const QImage shown = dressed.grab().toImage();
    // The menu bar covers the top; the bottom corners and the right edge's middle show.
    for (const auto& [x, y] : {std::pair{0.0, 1.0}, std::pair{1.0, 1.0}, std::pair{1.0, 0.5}}) {
      const QPoint there(static_cast<int>(x * (dressed.width() - 1)),
                         static_cast<int>(y * (dressed.height() - 1)));
      const QPoint own(static_cast<int>(x * (skin.width() - 1)),
                       static_cast<int>(y * (skin.height() - 1)));
      EXPECT_TRUE(near(shown.pixelColor(there), skin.pixelColor(own)))
          << there.x() << "," << there.y() << " of " << size.width() << "x" << size.height();
    }
  }

  Session plain = session(dir.path());  // no bitmaps here
  MainWindow undressed(plain);
  undressed.show();
  EXPECT_FALSE(undressed.property("skin").isValid());
  EXPECT_TRUE(undressed.isVisible());
}

TEST_F(DressingTest, TheSplashFadesOnTimersWhileTheEventLoopRuns) {
  bool done = false;
  int ticks = 0;
  QElapsedTimer clock;
  clock.start();
  auto* splash = new CSplashScreenEx(kResources, 300, [&] { done = true; });
  EXPECT_TRUE(splash->hasBitmap());
  // The colour key's pixels are left out of the window: its corner is outside the mask.
  EXPECT_FALSE(splash->mask().contains(QPoint(0, 0)));
  EXPECT_TRUE(splash->mask().contains(splash->rect().center()));
  splash->show();
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
  ticker.start(20);
  while (!done && clock.elapsed() < 5000)
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_TRUE(done);
  EXPECT_GE(clock.elapsed(), 300);  // not before its display time
  EXPECT_GT(ticks, 5);              // other timers kept firing while it was up
}

TEST_F(DressingTest, TheAboutBoxIsReachedFromTheHelpMenuAndItsLinksOpen) {
  Session skinned = session(kResources);
  MainWindow window(skinned);
  window.show();
  auto* about = window.findChild<QAction*>(QStringLiteral("about"));
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(about->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F1));
  about->trigger();
  auto* box = window.findChild<CAboutDlg*>(QStringLiteral("CAboutDlg"));
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(box->isVisible());
  EXPECT_TRUE(box->property("skin").toString().endsWith(QStringLiteral("Skin2.bmp")));
  auto* sales = box->findChild<CURLLinkButton*>(QStringLiteral("1028"));
  ASSERT_NE(sales, nullptr);
  EXPECT_EQ(sales->textColour(), sales->palette().color(QPalette::Active, QPalette::Highlight));
  sales->click();
  EXPECT_EQ(prompts.opened, QStringList{QStringLiteral("mailto:sales@vantrel.org")});
  EXPECT_EQ(sales->textColour(), QColor(128, 0, 128));
  sales->setEnabled(false);
  EXPECT_EQ(sales->textColour(), sales->palette().color(QPalette::Disabled, QPalette::Text));
  box->findChild<QPushButton*>(QStringLiteral("1031"))->click();
  EXPECT_FALSE(box->isVisible());
}

}  // namespace
}  // namespace vantrel::gui
