// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <cstdint>

namespace vantaro {

// The modify-entry dialog (a plain stand-in until the real dialog arrives). It works on the
// list entry it is given before it opens.
class TForm4 : public QDialog {
    Q_OBJECT
public:
    explicit TForm4(QWidget* parent = nullptr);

    void setEntryId(std::uint64_t entryId) { m_entryId = entryId; }
    std::uint64_t entryId() const { return m_entryId; }

private:
    std::uint64_t m_entryId = 0;
};

} // namespace vantaro
