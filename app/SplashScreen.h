// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

namespace vantaro {

// The splash window shown during start-up (a plain stand-in until the real one arrives).
class TForm5 : public QWidget {
    Q_OBJECT
public:
    explicit TForm5(QWidget* parent = nullptr);
};

} // namespace vantaro
