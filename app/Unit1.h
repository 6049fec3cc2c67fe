// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QLabel;

namespace vantaro {

// The main window.
class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);

private:
    void FormCreate();

    QLabel* m_statusBar = nullptr;
};

} // namespace vantaro
