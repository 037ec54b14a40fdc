#include "database/postgres/PgSql.h"

#include <QSet>

namespace PgSql {

namespace {

// Every table and its fields, in the schema's case.
const char* const kTables[][18] = {
    {"InspectionRecord", "InspectionID", "Facility", "ModelNumber", "SerialNum", "InspectorNum", "Date", "Station",
     "PartNum", "DefectCode", "LocationCode", "InspNum", "IDate", "OperatorNum", "ODate", "ReworkNum", "Notes"},
    {"defects", "defectcode", "defectdescription", "rowid"},
    {"Parts", "partnum", "partdescription", "rowid"},
    {"Model", "ModelNumber", "ModelDescription", "rowid"},
    {"location", "locationcode", "location description", "rowid"},
    {"Station", "StationID", "Station Description", "rowid"},
    {"Employees", "EmployeeID", "EmployeeNum", "FirstName", "LastName"},
    {"TableRows", "TableName", "Rows"},
    {"Upkeep", "Id", "CheckedChange", "CheckedPages"},
    {"AuditTrail", "EntryID", "At", "WhoID", "TableCode", "KeyID", "KeyCode", "Action", "Changes", "Hash"},
    {"AuditWho", "WhoID", "Login", "Station", "Program"},
    {"AuditTables", "TableCode", "TableName"},
    {"AuditEntries", "EntryID", "At", "Login", "Station", "Program", "TableName", "RowKey", "Action", "Changes", "Hash"},
    {"ControlLimit", "LimitID", "Facility", "Station", "ModelNumber", "BaselineBegin", "BaselineEnd", "PBar", "Days", "Units",
     "Rule1", "Rule2", "Rule3", "Rule4", "Rule4Count", "Rule4Units", "SetBy", "SetAt"},
    {"Alarm", "AlarmID", "Facility", "Station", "ModelNumber", "Rule", "PeriodDate", "Message", "RaisedAt", "AckBy",
     "AckAt", "Cause", "Action", "Observed", "Threshold", "LimitID"},
};

// Lower-case name -> schema name; per table ("parts" -> its fields), and of
// every table ("" -> tables and fields, the inspection table's spelling first).
const QHash<QString, QHash<QString, QString>>& names() {
    // Kept to the very end of the program (statements still run from static destructors).
    static const auto& map = *new const QHash<QString, QHash<QString, QString>>([] {
        QHash<QString, QHash<QString, QString>> m;
        for (const auto& t : kTables) {
            const QString table = QString::fromLatin1(t[0]);
            m[QString()].insert(table.toLower(), table);
            for (int i = 1; i < 18 && t[i]; ++i) {
                const QString field = QString::fromLatin1(t[i]);
                m[table.toLower()].insert(field.toLower(), field);
                if (!m[QString()].contains(field.toLower()))
                    m[QString()].insert(field.toLower(), field);
            }
        }
        return m;
    }());
    return map;
}

bool isSchemaName(const QString& name) { return names().value(QString()).contains(name.toLower()); }

enum class Kind { Word, Quoted, Parameter, Literal, Space, Other };

struct Token {
    Kind kind;
    QString text;  // Word/Quoted: the name without quotes; Parameter: "?" or ":name"
};

bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }

QList<Token> tokenize(const QString& sql) {
    QList<Token> out;
    const int n = int(sql.size());
    int i = 0;
    while (i < n) {
        const QChar c = sql[i];
        if (c == QLatin1Char('\'')) {
            int j = i + 1;
            while (j < n) {
                if (sql[j] == QLatin1Char('\'')) {
                    if (j + 1 < n && sql[j + 1] == QLatin1Char('\'')) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            out.append({Kind::Literal, sql.mid(i, j + 1 - i)});
            i = j + 1;
        } else if (c == QLatin1Char('"') || c == QLatin1Char('[') || c == QLatin1Char('`')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            int j = i + 1;
            QString name;
            while (j < n) {
                if (sql[j] == close) {
                    if (close != QLatin1Char(']') && j + 1 < n && sql[j + 1] == close) {
                        name += close;
                        j += 2;
                        continue;
                    }
                    break;
                }
                name += sql[j++];
            }
            out.append({Kind::Quoted, name});
            i = j + 1;
        } else if (c == QLatin1Char('-') && i + 1 < n && sql[i + 1] == QLatin1Char('-')) {
            int j = i;
            while (j < n && sql[j] != QLatin1Char('\n'))
                ++j;
            out.append({Kind::Space, QStringLiteral(" ")});
            i = j;
        } else if (c == QLatin1Char('?')) {
            int j = i + 1;
            while (j < n && sql[j].isDigit())
                ++j;
            out.append({Kind::Parameter, sql.mid(i, j - i)});
            i = j;
        } else if (c == QLatin1Char(':') && i + 1 < n && sql[i + 1] == QLatin1Char(':')) {
            out.append({Kind::Other, QStringLiteral("::")});
            i += 2;
        } else if ((c == QLatin1Char(':') || c == QLatin1Char('@') || c == QLatin1Char('$')) && i + 1 < n &&
                   (sql[i + 1].isLetter() || sql[i + 1] == QLatin1Char('_'))) {
            int j = i + 1;
            while (j < n && isWordChar(sql[j]))
                ++j;
            out.append({Kind::Parameter, sql.mid(i, j - i)});
            i = j;
        } else if (isWordChar(c)) {
            int j = i;
            while (j < n && (isWordChar(sql[j]) || (c.isDigit() && sql[j] == QLatin1Char('.'))))
                ++j;
            out.append({Kind::Word, sql.mid(i, j - i)});
            i = j;
        } else if (c.isSpace()) {
            int j = i;
            while (j < n && sql[j].isSpace())
                ++j;
            out.append({Kind::Space, sql.mid(i, j - i)});
            i = j;
        } else {
            out.append({Kind::Other, QString(c)});
            ++i;
        }
    }
    return out;
}

bool isWord(const Token& t, const char* word) {
    return t.kind == Kind::Word && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

bool isName(const Token& t) { return t.kind == Kind::Word || t.kind == Kind::Quoted; }

QString quote(const QString& name) {
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

// The next token that is not blank, from index i on; -1 when none.
int nextSolid(const QList<Token>& t, int i) {
    while (i < t.size() && t[i].kind == Kind::Space)
        ++i;
    return i < t.size() ? i : -1;
}

int previousSolid(const QList<Token>& t, int i) {
    while (i >= 0 && t[i].kind == Kind::Space)
        --i;
    return i;
}

}  // namespace

QString keyOf(const QString& table) {
    if (table.compare(QLatin1String("InspectionRecord"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("InspectionID");
    if (table.compare(QLatin1String("Employees"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("EmployeeID");
    if (table.compare(QLatin1String("AuditTrail"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("EntryID");
    if (table.compare(QLatin1String("AuditWho"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("WhoID");
    if (table.compare(QLatin1String("Alarm"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("AlarmID");
    if (table.compare(QLatin1String("ControlLimit"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("LimitID");
    return QStringLiteral("rowid");
}

QString schemaName(const QString& name, const QString& table) {
    const QString lower = name.toLower();
    const auto& all = names();
    const auto own = all.find(table.toLower());
    if (own != all.end() && own->contains(lower))
        return own->value(lower);
    return all.value(QString()).value(lower, name);
}

QString visibleFields(const QString& table) {
    // The code tables' hidden key is not one of their fields.
    for (const auto& t : kTables) {
        if (table.compare(QLatin1String(t[0]), Qt::CaseInsensitive) != 0)
            continue;
        QStringList fields;
        bool hidden = false;
        for (int i = 1; i < 18 && t[i]; ++i) {
            const QString field = QString::fromLatin1(t[i]).toLower();
            hidden = hidden || field == QLatin1String("rowid");
            if (field != QLatin1String("rowid"))
                fields << (field.contains(QLatin1Char(' ')) ? quote(field) : field);
        }
        return hidden ? fields.join(QStringLiteral(", ")) : QString();
    }
    return QString();
}

Translated translate(const QString& sql) {
    Translated out;
    const QList<Token> t = tokenize(sql);
    const int first = nextSolid(t, 0);
    const bool isInsert = first >= 0 && isWord(t[first], "INSERT");

    // The statement's table, and the aliases it gives its result columns.
    QHash<QString, QString> aliases;
    QList<bool> inCast;  // for each open parenthesis, whether it holds a CAST's "x AS type"
    for (int i = 0; i < t.size(); ++i) {
        if (t[i].text == QLatin1String("(")) {
            const int before = previousSolid(t, i - 1);
            inCast.append(before >= 0 && isWord(t[before], "CAST"));
        } else if (t[i].text == QLatin1String(")") && !inCast.isEmpty()) {
            inCast.removeLast();
        }
        if (out.table.isEmpty() && (isWord(t[i], "FROM") || isWord(t[i], "INTO") || isWord(t[i], "UPDATE"))) {
            const int k = nextSolid(t, i + 1);
            if (k >= 0 && isName(t[k]))
                out.table = schemaName(t[k].text);
        }
        if (isWord(t[i], "AS") && !(!inCast.isEmpty() && inCast.last())) {
            const int k = nextSolid(t, i + 1);
            // "AS MATERIALIZED (" and "AS NOT MATERIALIZED (" name no column.
            if (k >= 0 && isName(t[k]) && !isSchemaName(t[k].text) && !isWord(t[k], "MATERIALIZED") &&
                !isWord(t[k], "NOT"))
                aliases.insert(t[k].text.toLower(), t[k].text);
        }
    }
    const QString key = keyOf(out.table).toLower();

    QString result;
    QHash<QString, int> named;
    QString lastField;  // the field a following parameter is compared with or written into
    // SQLite puts NULLs first in ascending order and last in descending; the
    // server the other way round. Each ORDER BY term says it (but a key, which
    // holds no NULLs and is read along its index).
    struct Order {
        bool active = false;
        int depth = 0;
        int solid = 0;       // tokens in the term
        int end = 0;         // where the term's text ends in the result
        bool nulls = false;  // the term says where NULLs go
        bool desc = false;
        bool key = false;
    } order;
    int depth = 0;
    const auto endTerm = [&] {
        if (order.active && order.solid > 0 && !order.nulls && !(order.key && order.solid <= 2))
            result.insert(order.end, order.desc ? QStringLiteral(" NULLS LAST") : QStringLiteral(" NULLS FIRST"));
        order.solid = 0;
        order.nulls = order.desc = order.key = false;
    };
    for (int i = 0; i < t.size(); ++i) {
        const Token& tok = t[i];
        if (tok.kind != Kind::Space && order.active) {
            const bool closes = tok.text == QLatin1String(")") && depth == order.depth;
            const bool ends = (depth == order.depth &&
                               (tok.text == QLatin1String(";") || isWord(tok, "LIMIT") || isWord(tok, "OFFSET") ||
                                isWord(tok, "FETCH") || isWord(tok, "FOR") || isWord(tok, "UNION") ||
                                isWord(tok, "EXCEPT") || isWord(tok, "INTERSECT") || isWord(tok, "ROWS") ||
                                isWord(tok, "RANGE") || isWord(tok, "GROUPS")));
            if (closes || ends) {
                endTerm();
                order.active = false;
            } else if (tok.text == QLatin1String(",") && depth == order.depth) {
                endTerm();
                result += tok.text;
                continue;
            } else if (depth == order.depth) {
                ++order.solid;
                order.nulls = order.nulls || isWord(tok, "NULLS");
                order.desc = isWord(tok, "DESC") || (order.desc && !isWord(tok, "ASC") && !isWord(tok, "NULLS"));
                if (order.solid == 1)
                    order.key = isWord(tok, "rowid") || isWord(tok, "InspectionID") || isWord(tok, "EmployeeID");
            }
        }
        if (tok.text == QLatin1String("("))
            ++depth;
        else if (tok.text == QLatin1String(")"))
            --depth;
        if (isWord(tok, "BY")) {
            const int before = previousSolid(t, i - 1);
            if (before >= 0 && isWord(t[before], "ORDER")) {
                result += tok.text;
                order = Order();
                order.active = true;
                order.depth = depth;
                continue;
            }
        }
        switch (tok.kind) {
        case Kind::Word: {
            const int after = nextSolid(t, i + 1);
            if (isWord(tok, "IMMEDIATE") || isWord(tok, "DEFERRED") || isWord(tok, "EXCLUSIVE")) {
                const int before = previousSolid(t, i - 1);
                if (before >= 0 && isWord(t[before], "BEGIN"))
                    continue;
            }
            if (isWord(tok, "rowid")) {
                result += key;
                lastField = keyOf(out.table);
            } else if (isWord(tok, "LIKE")) {
                result += QStringLiteral("ILIKE");
            } else if (isWord(tok, "ifnull") && after >= 0 && t[after].text == QLatin1String("(")) {
                result += QStringLiteral("coalesce");
            } else if (aliases.contains(tok.text.toLower())) {
                result += quote(aliases.value(tok.text.toLower()));
            } else {
                result += tok.text;
                if (isSchemaName(tok.text))
                    lastField = schemaName(tok.text, out.table);
            }
            break;
        }
        case Kind::Quoted:
            if (aliases.contains(tok.text.toLower())) {
                result += quote(aliases.value(tok.text.toLower()));
            } else {
                result += quote(tok.text.toLower());
                if (isSchemaName(tok.text))
                    lastField = schemaName(tok.text, out.table);
            }
            break;
        case Kind::Parameter: {
            int n;
            if (tok.text == QLatin1String("?")) {
                out.parameters.append(QString());
                n = int(out.parameters.size());
            } else if (tok.text.startsWith(QLatin1Char('?'))) {
                n = tok.text.mid(1).toInt();
                while (out.parameters.size() < n)
                    out.parameters.append(QString());
            } else if (named.contains(tok.text)) {
                n = named.value(tok.text);
            } else {
                out.parameters.append(tok.text);
                n = int(out.parameters.size());
                named.insert(tok.text, n);
            }
            if (!lastField.isEmpty() && !out.parameterFields.contains(n))
                out.parameterFields.insert(n, lastField);
            result += QLatin1Char('$') + QString::number(n);
            break;
        }
        case Kind::Other:
            if (tok.text == QLatin1String("*") && !visibleFields(out.table).isEmpty()) {
                const int before = previousSolid(t, i - 1);
                if (before >= 0 && (isWord(t[before], "SELECT") || isWord(t[before], "DISTINCT"))) {
                    result += visibleFields(out.table);
                    break;
                }
            }
            // A field is written into or compared with the parameter that follows
            // it; a comma or parenthesis between them ends the relation.
            if (tok.text == QLatin1String(",") || tok.text == QLatin1String("(") || tok.text == QLatin1String(")"))
                lastField.clear();
            result += tok.text;
            break;
        default:
            result += tok.text;
        }
        if (order.active && tok.kind != Kind::Space && depth >= order.depth)
            order.end = int(result.size());
    }
    endTerm();

    if (isInsert) {
        // An INSERT's VALUES pair up with its field list.
        QStringList fields;
        int i = 0;
        for (; i < t.size() && t[i].text != QLatin1String("("); ++i) {}
        for (++i; i < t.size() && t[i].text != QLatin1String(")"); ++i)
            if (isName(t[i]))
                fields << schemaName(t[i].text, out.table);
        int column = 0;
        for (; i < t.size(); ++i) {
            if (t[i].text == QLatin1String(","))
                ++column;
            if (t[i].kind == Kind::Literal && column < fields.size())
                out.literalFields.insert(t[i].text.mid(1, t[i].text.size() - 2).replace(QLatin1String("''"), QLatin1String("'")),
                                         fields[column]);
            if (t[i].kind == Kind::Parameter && t[i].text == QLatin1String("?") && column < fields.size()) {
                // ? parameters are numbered in order of appearance.
                int n = 0;
                for (int j = 0; j <= i; ++j)
                    n += t[j].kind == Kind::Parameter && t[j].text == QLatin1String("?") ? 1 : 0;
                out.parameterFields.insert(n, fields[column]);
            }
        }
        // Several statements in one text return no single key.
        bool returning = false;
        bool ended = false;
        for (const Token& x : t) {
            returning = returning || isWord(x, "RETURNING") || (ended && x.kind != Kind::Space);
            ended = ended || x.text == QLatin1String(";");
        }
        if (!returning && !out.table.isEmpty()) {
            while (result.endsWith(QLatin1Char(';')) || (!result.isEmpty() && result.back().isSpace()))
                result.chop(1);
            result += QStringLiteral(" RETURNING ") + key;
            out.returnsKey = true;
        }
    }
    out.sql = result.trimmed();
    return out;
}

}  // namespace PgSql
