#pragma once

#include <QString>

#include "gui/session.h"

class QWidget;

namespace vantrel::gui {

// View Log: the very file the log writer writes, in the desktop's program for text files.
void viewLog(Session& session);
// Clear Log after `question` was answered Yes.
void clearLog(Session& session, QWidget* owner, const QString& question);
// Help Contents and F1: the manual from the application folder, in one help window.
void showHelp(Session& session, QWidget* owner);
// The About box.
void showAbout(Session& session, QWidget* owner);

}  // namespace vantrel::gui
