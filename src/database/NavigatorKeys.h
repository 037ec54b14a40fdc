#pragma once
#include <QObject>
#include <QPointer>

class QAbstractButton;
class QWidget;

// The keys of a record navigator's arrows, wherever the focus is on the form
// that holds it: Page Up and Page Down step to the previous and next row,
// Ctrl+Home and Ctrl+End go to the first and last. Each key clicks its arrow,
// so it writes and asks exactly what the arrow does. The keys are taken before
// the box with the focus sees them (a box would move its caret instead).
class NavigatorKeys : public QObject {
    Q_OBJECT
public:
    // The arrows in the order first, previous, next, last; the form is the
    // navigator's parent at the time of a key.
    NavigatorKeys(QWidget* navigator, QAbstractButton* const arrows[4]);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_navigator;
    QPointer<QAbstractButton> m_arrows[4];
};
