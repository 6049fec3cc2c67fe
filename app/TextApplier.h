// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/WindowTexts.h"

#include <QHash>
#include <QStringList>

class QWidget;

namespace vantaro {

// Puts the texts of a table, in the given language, on the controls of a window, found by their
// object names (the window itself for its title, menu items as actions). Returns the controls
// that the window does not have, or that cannot carry that kind of text. A control named in
// `aliases` is looked for under the other name (a command picture carries the hint of its
// highlighted picture).
QStringList applyWindowTexts(QWidget& window, const WindowTextTable& table, Language language,
                             const QHash<QString, QString>& aliases = {});

} // namespace vantaro
