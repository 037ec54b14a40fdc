#include "platform/MaskedDateBox.h"

#include "platform/DateText.h"

MaskedDateBox::MaskedDateBox(const QString& name, QWidget* parent) : QLineEdit(parent) { setObjectName(name); }

void MaskedDateBox::setInputPattern(const QString& pattern) {
    m_pattern = pattern;
    m_displaying = false;
    // Both patterns take digits only in the eight places; '_' marks an empty place.
    setInputMask(pattern.isEmpty() ? QString() : QStringLiteral("00/00/0000;_"));
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

QDate MaskedDateBox::parseMdy(const QString& text) { return DateText::parse(text, true); }

QString MaskedDateBox::shortDate(const QDate& d) { return DateText::shown(d); }

QVariant MaskedDateBox::value() const {
    const QString t = typedText();
    QString digits = t;
    digits.remove(QLatin1Char('_')).remove(QLatin1Char('/')).remove(QLatin1Char(' '));
    if (digits.isEmpty())
        return QVariant();
    // Month/day/year whatever the locale: the box shows its dates that way.
    const QDate d = parseMdy(QString(t).replace(QLatin1Char('_'), QString()));
    if (d.isValid())
        return d;
    return t;
}

void MaskedDateBox::setValue(const QVariant& v) {
    m_displaying = false;
    QDate d = v.typeId() == QMetaType::QDate ? v.toDate() : QDate::fromString(v.toString(), Qt::ISODate);
    if (v.isNull() || !v.isValid()) {
        setText(QString());
    } else if (!d.isValid()) {
        setText(v.toString());
    } else if (m_pattern.isEmpty()) {
        setText(shortDate(d));
    } else {
        setText(d.toString(QStringLiteral("MM/dd/yyyy")));
    }
    if (!hasFocus())
        showDisplayForm();
}

void MaskedDateBox::showDisplayForm() {
    if (m_displaying || m_format.isEmpty() || m_pattern.isEmpty())
        return;
    const QVariant v = value();
    if (v.typeId() != QMetaType::QDate)
        return;  // nothing to format: the pattern stays in view
    m_typed = typedText();
    m_displaying = true;
    const bool blocked = blockSignals(true);
    setInputMask(QString());
    setText(shortDate(v.toDate()));
    blockSignals(blocked);
}

void MaskedDateBox::showEditForm() {
    if (!m_displaying)
        return;
    m_displaying = false;
    const bool blocked = blockSignals(true);
    setInputMask(QStringLiteral("00/00/0000;_"));
    setText(m_typed);
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
