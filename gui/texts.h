#pragma once

#include <QString>

namespace vantrel::gui {

// The windows' own texts. Many messages end in a run of blanks that widens their box; the
// counts are part of the text.
inline QString padded(const char* text, int blanks) {
  return QString::fromUtf8(text) + QString(blanks, QLatin1Char(' '));
}

inline const QString kWindowTitle = QStringLiteral(" Vantrel for Microsoft Access");
inline const QString kMessageCaption = QStringLiteral("Vantrel for Microsoft Access");
inline const QString kAlreadyRunning =
    QStringLiteral("Vantrel For Microsoft Access is already running");
inline const QString kAlreadyRunningCaption = QStringLiteral("Vantrel For Microsoft Access");

inline const QString kOpenFilesTitle = QStringLiteral(" Open Access files");
inline const QString kOpenFilesFilter = QStringLiteral("Microsoft Access Document (*.mdb *.accdb)");
inline const QString kFolderTitle = QStringLiteral("Select the Destination Path");
inline const QString kHelpTitle = QStringLiteral("Help - Vantrel for Microsoft Access");

inline const QString kExitQuestion = QStringLiteral("Do you want to exit ?");
inline constexpr int kMaxFiles = 850;

}  // namespace vantrel::gui
