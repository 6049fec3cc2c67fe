// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

namespace vantaro {

// The add-link dialog (a plain stand-in until the real dialog arrives).
class TForm3 : public QDialog {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);
};

} // namespace vantaro
