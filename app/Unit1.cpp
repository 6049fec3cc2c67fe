// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Unit1.h"

#include "core/Constants.h"
#include "core/Language.h"
#include "core/SharedState.h"

#include <QLabel>

namespace vantaro {

TForm1::TForm1(QWidget* parent) : QWidget(parent) {
    setFixedSize(782, 603);
    setStyleSheet("background: white;");
    m_statusBar = new QLabel(this);
    m_statusBar->setGeometry(0, 574, 782, 29);
    FormCreate();
}

void TForm1::FormCreate() {
    LanguageCode = "FR";
    setWindowTitle(QString::fromUtf8(DesignCaption) + "-" + QString::fromStdString(LanguageCode));
    ListRunning = false;
    StopRequested = false;
    m_statusBar->setText(QString::fromUtf8(pickText("Prêt", "Ready")));
}

} // namespace vantaro
