#include "TestAppFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTest>

#include "datagen/DataGen.h"
#include "platform/AppPaths.h"
#include "platform/FormRegistry.h"
#include "shell/FormCatalog.h"

TestAppFolder::TestAppFolder(Data data) {
    QDir root(m_dir.path());
    for (const char* sub : {"temp", "temp2", "DemoDb", "KEL"})
        root.mkpath(QString::fromLatin1(sub));
    if (data == Data::Blank)
        DataGen::createBlank(livePath());
    else if (data == Data::Demo)
        DataGen::createDemo(livePath());
    DataGen::createBlank(file(QStringLiteral("DemoDb/kelid1.mdb")));
    const QString source = QStringLiteral(VARNEX_SOURCE_DIR);
    QFile::copy(source + QStringLiteral("/data/help/VXHelp.hlp"), file(QStringLiteral("KEL/VXHelp.hlp")));
    const QStringList reports = QDir(source + QStringLiteral("/data/reports")).entryList({QStringLiteral("*.rpt")});
    for (const QString& r : reports)
        QFile::copy(source + QStringLiteral("/data/reports/") + r, file(r));
    AppPaths::setFolder(m_dir.path());
}

TestAppFolder::~TestAppFolder() { unloadAllForms(); }

void TestAppFolder::exec(const QString& sql) const {
    Database db;
    QVERIFY2(db.open(livePath()).isOk(), qPrintable(db.lastError()));
    const Status s = db.exec(sql);
    QVERIFY2(s.isOk(), qPrintable(s.error()));
}

QVariant TestAppFolder::scalar(const QString& sql) const {
    Database db;
    if (!db.open(livePath()))
        return QVariant();
    SqlStatement st(db, sql);
    return st.next() ? st.value(0) : QVariant();
}

QStringList TestAppFolder::rows(const QString& sql) const {
    Database db;
    QStringList out;
    if (!db.open(livePath()))
        return out;
    SqlStatement st(db, sql);
    while (st.next()) {
        QStringList cols;
        for (int i = 0; i < st.columnCount(); ++i)
            cols << (st.value(i).isNull() ? QStringLiteral("NULL") : st.value(i).toString());
        out << cols.join(QLatin1Char('|'));
    }
    return out;
}

void unloadAllForms() {
    FormRegistry::instance().unloadAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

void initFormTests() {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    static bool registered = false;
    if (!registered)
        registerAllForms();
    registered = true;
}
