// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

namespace vantaro {

// The about dialog (a plain stand-in until the real one arrives).
class TForm6 : public QDialog {
    Q_OBJECT
public:
    explicit TForm6(QWidget* parent = nullptr);
};

} // namespace vantaro
