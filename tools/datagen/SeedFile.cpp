#include "datagen/SeedFile.h"

namespace DataGen {

namespace {

// Splits one entry line into fields, resolving escapes; false with `error`
// set when the line holds an escape that means nothing.
bool splitFields(const QString& line, QStringList& fields, QString& error) {
    QString field;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c == QLatin1Char('|')) {
            fields << field.trimmed();
            field.clear();
        } else if (c == QLatin1Char('\\')) {
            const QChar e = i + 1 < line.size() ? line[++i] : QChar();
            if (e == QLatin1Char('n'))
                field += QLatin1Char('\n');
            else if (e == QLatin1Char('|') || e == QLatin1Char('\\'))
                field += e;
            else {
                error = e.isNull() ? QStringLiteral("a backslash ends the line")
                                   : QStringLiteral("unknown escape \\%1").arg(e);
                return false;
            }
        } else {
            field += c;
        }
    }
    fields << field.trimmed();
    return true;
}

}  // namespace

QString SeedFile::at(int line, const QString& what) const {
    return QStringLiteral("%1, line %2: %3").arg(m_source).arg(line).arg(what);
}

const SeedFile::Section* SeedFile::section(const QString& name) const {
    for (const Section& s : m_sections)
        if (s.name == name)
            return &s;
    return nullptr;
}

Status SeedFile::parse(const QString& text, const QString& source, SeedFile& out) {
    out = SeedFile();
    out.m_source = source;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const int number = i + 1;
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')))
            continue;
        if (trimmed.startsWith(QLatin1Char('['))) {
            if (!trimmed.endsWith(QLatin1Char(']')))
                return Status::fail(out.at(number, QStringLiteral("a section name needs a closing ']'")));
            const QString name = trimmed.mid(1, trimmed.size() - 2).trimmed();
            if (name.isEmpty())
                return Status::fail(out.at(number, QStringLiteral("a section needs a name")));
            if (const Section* earlier = out.section(name))
                return Status::fail(out.at(number, QStringLiteral("section [%1] again (first on line %2)")
                                                       .arg(name).arg(earlier->line)));
            out.m_sections.push_back(Section{name, number, {}});
            continue;
        }
        if (out.m_sections.empty())
            return Status::fail(out.at(number, QStringLiteral("an entry before the first [section]")));
        Entry entry{number, {}};
        QString error;
        if (!splitFields(trimmed, entry.fields, error))
            return Status::fail(out.at(number, error));
        out.m_sections.back().entries.push_back(entry);
    }
    return Status::ok();
}

}  // namespace DataGen
