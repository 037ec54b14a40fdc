#pragma once
#include <vector>

#include <QString>
#include <QStringList>

#include "platform/Status.h"

namespace DataGen {

// A seed text split into its parts: "[name]" starts a section, each other
// line is one entry of '|'-separated fields with the blanks around them
// dropped, and lines that are blank or start with '#' are skipped. In a field,
// "\n" is a line break, "\|" a '|' and "\\" a backslash. Every entry keeps its
// line number, so whoever reads the fields can name the line it rejects.
class SeedFile {
public:
    struct Entry {
        int line = 0;
        QStringList fields;
    };
    struct Section {
        QString name;
        int line = 0;  // of its "[name]"
        std::vector<Entry> entries;
    };

    // Splits `text`; `source` names it in error messages. A line that cannot
    // be split (an entry before any section, a section named twice, an
    // unknown escape) is an error naming that line.
    static Status parse(const QString& text, const QString& source, SeedFile& out);

    const QString& source() const { return m_source; }
    const std::vector<Section>& sections() const { return m_sections; }
    // The section of that name, or null.
    const Section* section(const QString& name) const;
    // "plant.seed, line 12: <what>".
    QString at(int line, const QString& what) const;

private:
    QString m_source;
    std::vector<Section> m_sections;
};

}  // namespace DataGen
