// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TextApplier.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTabWidget>

namespace vantaro {

namespace {

QTabWidget* pageControlOf(QWidget* page) {
    for (QWidget* parent = page->parentWidget(); parent; parent = parent->parentWidget())
        if (auto* tabs = qobject_cast<QTabWidget*>(parent))
            return tabs;
    return nullptr;
}

bool applyCaption(QObject* control, const QString& text) {
    if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(text);
    else if (auto* group = qobject_cast<QGroupBox*>(control))
        group->setTitle(text);
    else if (auto* action = qobject_cast<QAction*>(control))
        action->setText(text);
    else
        return false;
    return true;
}

bool applyText(QWidget& window, QObject* control, TextKind kind, const QString& text) {
    auto* widget = qobject_cast<QWidget*>(control);
    switch (kind) {
    case TextKind::Title:
        if (control != &window)
            return false;
        window.setWindowTitle(text);
        return true;
    case TextKind::Caption:
        return applyCaption(control, text);
    case TextKind::TabCaption: {
        QTabWidget* tabs = widget ? pageControlOf(widget) : nullptr;
        if (!tabs || tabs->indexOf(widget) < 0)
            return false;
        tabs->setTabText(tabs->indexOf(widget), text);
        return true;
    }
    case TextKind::Hint:
        if (!widget)
            return false;
        widget->setToolTip(text);
        widget->setAccessibleName(text);
        return true;
    case TextKind::InitialText:
        if (auto* edit = qobject_cast<QLineEdit*>(control))
            edit->setText(text);
        else if (auto* memo = qobject_cast<QPlainTextEdit*>(control))
            memo->setPlainText(text);
        else
            return false;
        return true;
    case TextKind::StatusText:
        if (auto* bar = qobject_cast<QStatusBar*>(control))
            bar->showMessage(text);
        else if (auto* label = qobject_cast<QLabel*>(control))
            label->setText(text);
        else
            return false;
        return true;
    }
    return false;
}

} // namespace

QStringList applyWindowTexts(QWidget& window, const WindowTextTable& table, Language language,
                             const QHash<QString, QString>& aliases) {
    QStringList missing;
    for (const WindowText& entry : table) {
        QString name = QString::fromStdString(entry.control);
        name = aliases.value(name, name);
        QObject* control = window.objectName() == name ? &window : window.findChild<QObject*>(name);
        const QString text = QString::fromUtf8(entry.text(language));
        if (!control || !applyText(window, control, entry.kind, text))
            missing << name;
    }
    return missing;
}

} // namespace vantaro
