#include "database/ServerUri.h"

#include <algorithm>

#include <QRegularExpression>

namespace ServerUri {
namespace {

const QString kHidden = QStringLiteral("****");

// The parts of a URI as libpq cuts them, still percent-encoded. A scheme with
// any number of slashes counts, so that a mistyped URI is read the same way.
struct Parts {
    bool isUri = false;
    QString password;  // after the first ":" of user:password@
    QString hosts;     // up to the database or the parameters
    QString database;
    QList<std::pair<QString, QString>> parameters;
};

Parts parse(const QString& text) {
    static const QRegularExpression scheme(QStringLiteral("^\\s*[A-Za-z][A-Za-z0-9+.-]*:/+"));
    Parts p;
    const auto m = scheme.match(text);
    if (!m.hasMatch())
        return p;
    p.isUri = true;
    QString rest = text.mid(m.capturedEnd());
    // The user part ends at the first "@" that comes before any "/".
    static const QRegularExpression userEnd(QStringLiteral("[@/]"));
    const int at = rest.indexOf(userEnd);
    if (at >= 0 && rest.at(at) == QLatin1Char('@')) {
        const int colon = rest.left(at).indexOf(QLatin1Char(':'));
        if (colon >= 0)
            p.password = rest.mid(colon + 1, at - colon - 1);
        rest = rest.mid(at + 1);
    }
    const int question = rest.indexOf(QLatin1Char('?'));
    const QString location = question < 0 ? rest : rest.left(question);
    const int slash = location.indexOf(QLatin1Char('/'));
    p.hosts = location.left(slash);
    p.database = slash < 0 ? QString() : location.mid(slash + 1);
    if (question >= 0)
        for (const QString& pair : rest.mid(question + 1).split(QLatin1Char('&'), Qt::SkipEmptyParts))
            p.parameters.append({pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1)});
    return p;
}

// Percent-decoded; a text with a broken %-sequence (which libpq refuses) as it is.
QString decoded(const QString& raw) {
    static const QRegularExpression broken(QStringLiteral("%(?![0-9A-Fa-f]{2})"));
    return raw.contains(broken) ? raw : QString::fromUtf8(QByteArray::fromPercentEncoding(raw.toUtf8()));
}

QString parameter(const Parts& p, const QString& key) {
    for (const auto& [k, v] : p.parameters)
        if (decoded(k) == key)
            return v;
    return QString();
}

// password = value in a keyword/value text: the value bare or in single quotes.
const QRegularExpression& passwordKey() {
    static const QRegularExpression re(QStringLiteral("(\\bpassword\\s*=\\s*)('(?:[^'\\\\]|\\\\.)*'?|[^\\s&]+)"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re;
}

// Every form in which the connection's passwords can appear in a text,
// longest first, so that a password inside another is hidden with it.
QStringList secrets(const QString& connection) {
    const Parts p = parse(connection);
    QStringList raw;
    if (p.isUri) {
        raw << p.password;
        for (const auto& [k, v] : p.parameters)
            if (decoded(k) == QLatin1String("password"))
                raw << v;
    } else {
        for (auto it = passwordKey().globalMatch(connection); it.hasNext();) {
            const QString value = it.next().captured(2);
            raw << value;
            if (value.startsWith(QLatin1Char('\''))) {
                static const QRegularExpression quotes(QStringLiteral("^'|'$")), escape(QStringLiteral("\\\\(.)"));
                const QString inner = QString(value).remove(quotes);
                raw << inner << QString(inner).replace(escape, QStringLiteral("\\1"));
            }
        }
    }
    QStringList all;
    for (const QString& r : raw)
        all << r << decoded(r);
    all.removeAll(QString());
    all.removeDuplicates();
    std::sort(all.begin(), all.end(), [](const QString& a, const QString& b) { return a.size() > b.size(); });
    return all;
}

}  // namespace

QString host(const QString& uri) {
    const Parts p = parse(uri);
    QString first = p.hosts.section(QLatin1Char(','), 0, 0);
    first = first.startsWith(QLatin1Char('[')) ? first.mid(1).section(QLatin1Char(']'), 0, 0)
                                               : first.section(QLatin1Char(':'), 0, 0);
    if (first.isEmpty())
        first = parameter(p, QStringLiteral("host"));
    return first.isEmpty() ? QStringLiteral("localhost") : decoded(first);
}

QString database(const QString& uri) { return decoded(parse(uri).database); }

bool hasPassword(const QString& connection) { return !secrets(connection).isEmpty(); }

QString masked(const QString& text, const QString& connection) {
    QString out = text;
    for (const QString& secret : secrets(connection))
        out.replace(secret, kHidden);
    // user:password@ in a word, also of a URI typed wrong.
    static const QRegularExpression userinfo(QStringLiteral("((?:^|[\\s\"'/])[^\\s\"'/:@]*:)[^\\s/@]*@"));
    out.replace(userinfo, QStringLiteral("\\1") + kHidden + QLatin1Char('@'));
    return out.replace(passwordKey(), QStringLiteral("\\1") + kHidden);
}

Status checkCommandLine(const QString& connection) {
    if (!hasPassword(connection))
        return Status::ok();
    return Status::fail(QStringLiteral(
        "The server's URI holds a password, which every user of this computer can read on a command line (ps "
        "shows it); nothing was connected. Leave the password out of the URI and keep it in ~/.pgpass "
        "(HOST:PORT:DATABASE:USER:PASSWORD, chmod 600) or in the PGPASSWORD environment variable."));
}

}  // namespace ServerUri
