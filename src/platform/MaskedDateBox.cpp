#include "platform/MaskedDateBox.h"

#include <QLocale>
#include <QRegularExpression>

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

QDate MaskedDateBox::parseMdy(const QString& text) {
    static const QRegularExpression mdy(QStringLiteral("^\\s*(\\d{1,2})/(\\d{1,2})/(\\d{2,4})\\s*$"));
    const auto m = mdy.match(text);
    if (!m.hasMatch())
        return QDate();
    int year = m.captured(3).toInt();
    if (m.captured(3).size() == 2)
        year += year < 30 ? 2000 : 1900;
    return QDate(year, m.captured(1).toInt(), m.captured(2).toInt());
}

QString MaskedDateBox::shortDate(const QDate& d) {
    QString format = QLocale().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy")))
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return QLocale().toString(d, format);
}

QVariant MaskedDateBox::value() const {
    const QString t = typedText();
    QString digits = t;
    digits.remove(QLatin1Char('_')).remove(QLatin1Char('/')).remove(QLatin1Char(' '));
    if (digits.isEmpty())
        return QVariant();
    QDate d = parseMdy(QString(t).replace(QLatin1Char('_'), QString()));
    if (!d.isValid() && m_pattern.isEmpty())
        d = QLocale().toDate(t, QLocale::ShortFormat);
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
