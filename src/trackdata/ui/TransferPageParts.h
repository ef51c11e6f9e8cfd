#pragma once
// What the two pages with a block transfer (waypoint 134, track-log setting 130) share: the
// percentage on a bar and its label, the result in a status line and a stop message, and the
// port the user chose on the update page.
#include "app/Progress.h"
#include "app/Status.h"

#include <QString>

#include <string>

class QLabel;
class QProgressBar;
class QWidget;

namespace divuzo {

class PageBase;

// A report's percentage on `bar` (range 0 to 100) and as "N%" on `label`.
void ShowPercent(const Progress& p, QProgressBar* bar, QLabel* label);

// The text of a finished transfer: the status text, with the detail where the text names a
// file or a reason after it.
QString StatusText(const Status& status);

// The status text in `line`; a failure also in a stop message, with `more` (if any) after it.
void ShowOutcome(PageBase* page, const Status& status, QLabel* line,
                 const QString& more = QString());

// The port chosen on the update page (the session's link settings) of the page's host.
std::string ChosenPort(PageBase* page);

}  // namespace divuzo
