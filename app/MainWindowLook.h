// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Language.h"

#include <QColor>
#include <QStringList>

class QWidget;

namespace Ui {
class MainWindow;
}

namespace vantaro {

// The colours of the banner's page-switch labels: navy when idle, blue while lit.
inline const QColor SwitchLabelIdle(0, 0, 128);
inline const QColor SwitchLabelLit(0, 0, 255);
// The very light grey of the main window's fields and of its format list.
inline const QColor FieldColour(0xF9, 0xF9, 0xF9);

// Dresses the main window in the given language: the banner's pictures and labels, the
// command pictures (the English download pictures in English), the texts of every control, the
// tab images, the colour and width of the two lists and the stacking of the page switches.
// Returns the controls of the text table that the window lacks (none, for a complete window).
QStringList dressMainWindow(Ui::MainWindow& ui, QWidget& window, Language language);

} // namespace vantaro
