#include "gui/about_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "gui/skin.h"
#include "gui/url_link_button.h"

namespace vantrel::gui {
namespace {

struct Link {
  const char* id;
  const char* text;
  const char* url;
  const char* prefix;
};
constexpr Link kLinks[] = {
    {"1026", "www.vantrel.org", "https://www.vantrel.org", ""},
    {"1027", "Download the latest version", "https://www.vantrel.org/download", ""},
    {"1028", "sales@vantrel.org", "sales@vantrel.org", "mailto:"},
    {"1029", "support@vantrel.org", "support@vantrel.org", "mailto:"},
};

}  // namespace

CAboutDlg::CAboutDlg(const std::filesystem::path& applicationFolder,
                     std::function<void(const QString&)> open, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("CAboutDlg"));
  setWindowTitle(QStringLiteral("About Vantrel for Microsoft Access"));
  applySkin(this, applicationFolder, kDialogSkin);

  auto* layout = new QGridLayout(this);
  auto* icon = new QLabel(this);
  icon->setPixmap(QPixmap(QString::fromStdString((applicationFolder / "vantrel.png").string()))
                      .scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation));
  layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
  auto* product = new QLabel(QStringLiteral("Vantrel For Microsoft Access v.1.0"), this);
  QFont bold = product->font();
  bold.setBold(true);
  product->setFont(bold);
  layout->addWidget(product, 0, 1, 1, 2);

  const char* headings[] = {"Websites :", nullptr, "Sales       :", "Support   :"};
  int row = 1;
  for (size_t i = 0; i < std::size(kLinks); ++i, ++row) {
    if (headings[i] != nullptr)
      layout->addWidget(new QLabel(QString::fromUtf8(headings[i]), this), row, 1);
    auto* link =
        new CURLLinkButton(QString::fromUtf8(kLinks[i].text), QString::fromUtf8(kLinks[i].url),
                           QString::fromUtf8(kLinks[i].prefix), open, this);
    link->setObjectName(QString::fromUtf8(kLinks[i].id));
    layout->addWidget(link, row, 2);
  }
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("1031"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(ok, row, 2, Qt::AlignRight);
}

}  // namespace vantrel::gui
