#pragma once

#include <QSize>
#include <QString>

#include "gui/session.h"

class QWidget;

namespace vantrel::gui {

// View Log: the very file the log writer writes, in the desktop's program for text files;
// where the desktop has none, in a read-only window of its own, which is returned (else null).
QWidget* viewLog(Session& session, QWidget* owner);
// Clear Log after `question` was answered Yes.
void clearLog(Session& session, QWidget* owner, const QString& question);
// Help Contents and F1: the manual from the application folder, in one help window, placed
// on the owner's screen; Esc and Ctrl+W close it.
void showHelp(Session& session, QWidget* owner);
// Gives a window the program's caption, and the width to show it whole in the title bar.
void setCaption(QWidget* window);
// Sizes a window to `wanted`, but never larger than the screen it opens on, and centres it
// there.
void fitOnScreen(QWidget* window, QSize wanted);
// The About box.
void showAbout(Session& session, QWidget* owner);

}  // namespace vantrel::gui
