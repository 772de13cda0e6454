// The program's help: HTML pages built into the program, shown in one help window.
#pragma once

#include <QString>

class QWidget;

namespace kyn::app {

// Shows the help window at `topic` (a page, optionally with an anchor: "options.html#c1006").
void ShowHelp(QWidget* parent, const QString& topic);
// The topic shown last (empty before any help was shown).
QString LastHelpTopic();

}  // namespace kyn::app
