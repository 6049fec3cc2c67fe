// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

namespace vantaro {

// The about dialog: the promotional picture cut to its panel, the version, the maker's address
// and "OK". French in both languages. Created once; closing it only hides it.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);

    // Centres the dialog on the desktop, then shows it modally.
    int exec() override;

    void okPressed();
};

} // namespace vantaro
