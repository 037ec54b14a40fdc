#include "platform/MaskedDateBox.h"

#include "platform/DateText.h"

MaskedDateBox::MaskedDateBox(const QString& name, QWidget* parent) : QLineEdit(parent) {
    setObjectName(name);
    setToolTip(QStringLiteral("A date in the form %1").arg(DateText::pattern()));
}

void MaskedDateBox::setInputPattern(const QString& pattern) {
    m_pattern = pattern;
    m_displaying = false;
    // Both patterns take digits only in the eight places; '_' marks an empty place.
    setInputMask(pattern.isEmpty() ? QString() : DateText::inputMask());
    setPlaceholderText(pattern.isEmpty() ? QString() : DateText::pattern());
    if (!hasFocus())
        showOrder();
}

void MaskedDateBox::setDisplayFormat(const QString& format) {
    m_format = format;
    if (!hasFocus())
        showDisplayForm();
}

void MaskedDateBox::reset() {
    setInputPattern(QString());
    m_format.clear();
    clear();
    setInputPattern(QStringLiteral("##/##/####"));
    setDisplayFormat(QStringLiteral("ddddd"));
}

QString MaskedDateBox::typedText() const {
    if (m_displaying)
        return m_typed;
    return m_pattern.isEmpty() ? text() : displayText();
}

QVariant MaskedDateBox::value() const {
    const QString t = typedText();
    QString digits = t;
    digits.remove(QLatin1Char('_')).remove(DateText::separator()).remove(QLatin1Char(' '));
    if (digits.isEmpty())
        return QVariant();
    // In the order the box shows, as every date of the program.
    const QDate d = DateText::parse(QString(t).remove(QLatin1Char('_')), true);
    if (d.isValid())
        return d;
    return t;
}

void MaskedDateBox::setValue(const QVariant& v) {
    showEditForm();
    QDate d = v.typeId() == QMetaType::QDate ? v.toDate() : QDate::fromString(v.toString(), Qt::ISODate);
    if (v.isNull() || !v.isValid()) {
        setText(QString());
    } else if (!d.isValid()) {
        // Not a date: shown as it is, which a mask would mangle.
        setInputPattern(QString());
        setText(v.toString());
    } else {
        // A date shown takes the pattern, so that typing over it follows the
        // mask as the first typing did.
        if (m_pattern.isEmpty())
            setInputPattern(QStringLiteral("##/##/####"));
        showEditForm();
        setText(DateText::shown(d));
    }
    if (!hasFocus())
        showDisplayForm();
}

void MaskedDateBox::showOrder() {
    // An empty masked box without the focus shows the order instead of blanks.
    if (!m_pattern.isEmpty() && !m_displaying && value().isNull()) {
        m_typed = typedText();
        m_displaying = true;
        const bool blocked = blockSignals(true);
        setInputMask(QString());
        setText(QString());
        blockSignals(blocked);
    }
}

void MaskedDateBox::showDisplayForm() {
    if (m_displaying || m_pattern.isEmpty())
        return;
    const QVariant v = value();
    if (v.isNull())
        return showOrder();
    if (m_format.isEmpty() || v.typeId() != QMetaType::QDate)
        return;  // nothing to format: the pattern stays in view
    m_typed = typedText();
    m_displaying = true;
    const bool blocked = blockSignals(true);
    setInputMask(QString());
    setText(DateText::shown(v.toDate()));
    blockSignals(blocked);
}

void MaskedDateBox::showEditForm() {
    if (!m_displaying)
        return;
    m_displaying = false;
    const bool blocked = blockSignals(true);
    setInputMask(DateText::inputMask());
    setText(m_typed);
    if (value().isNull())
        setCursorPosition(0);  // typing into an empty box starts at its first place
    blockSignals(blocked);
}

void MaskedDateBox::focusInEvent(QFocusEvent* e) {
    showEditForm();
    QLineEdit::focusInEvent(e);
}

void MaskedDateBox::focusOutEvent(QFocusEvent* e) {
    QLineEdit::focusOutEvent(e);
    showDisplayForm();
}
