// Dialog units: the layout of the dialogs is given in units of the dialog font (a quarter of its
// average character width across, an eighth of its height down), so that it keeps its proportions
// whatever font the desktop uses.
#pragma once

#include <QFontMetrics>
#include <QWidget>
#include <cmath>

namespace kyn::app {

inline int DluX(const QWidget* w, double units) {
    return static_cast<int>(std::lround(units * QFontMetrics(w->font()).averageCharWidth() / 4.0));
}

inline int DluY(const QWidget* w, double units) {
    return static_cast<int>(std::lround(units * QFontMetrics(w->font()).height() / 8.0));
}

// Tags a control with its id (used by the help contexts and by tests).
inline void SetControlId(QWidget* w, int id) { w->setProperty("controlId", id); }
inline int ControlId(const QWidget* w) { return w->property("controlId").toInt(); }

}  // namespace kyn::app
