#include "database/NavigatorKeys.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>

NavigatorKeys::NavigatorKeys(QWidget* navigator, QAbstractButton* const arrows[4])
    : QObject(navigator), m_navigator(navigator) {
    for (int i = 0; i < 4; ++i)
        m_arrows[i] = arrows[i];
    const char* const keys[4] = {"Ctrl+Home", "Page Up", "Page Down", "Ctrl+End"};
    const char* const names[4] = {"First record", "Previous record", "Next record", "Last record"};
    for (int i = 0; i < 4; ++i)
        arrows[i]->setToolTip(QStringLiteral("%1 (%2)").arg(QLatin1String(names[i]), QLatin1String(keys[i])));
    qApp->installEventFilter(this);
}

bool NavigatorKeys::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    QWidget* form = m_navigator->parentWidget();
    auto* w = static_cast<QWidget*>(watched);
    if (!form || !m_navigator->isVisible() || (w != form && !form->isAncestorOf(w)))
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    int arrow = -1;
    if (mods == Qt::NoModifier && key->key() == Qt::Key_PageUp)
        arrow = 1;
    else if (mods == Qt::NoModifier && key->key() == Qt::Key_PageDown)
        arrow = 2;
    else if (mods == Qt::ControlModifier && key->key() == Qt::Key_Home)
        arrow = 0;
    else if (mods == Qt::ControlModifier && key->key() == Qt::Key_End)
        arrow = 3;
    if (arrow < 0 || !m_arrows[arrow])
        return false;
    m_arrows[arrow]->click();
    return true;
}
