#include <QFile>
#include <QRegularExpression>
#include <QtTest>

#include "datagen/InspectionSim.h"
#include "datagen/PlantCatalogue.h"

using namespace DataGen;

// The plant seed: the file under data/seed reads, and every kind of malformed
// seed is refused with a message naming its line, the catalogue untouched;
// and what the seed says is what the generator does.
class TestPlantSeed : public QObject {
    Q_OBJECT

    QString m_text;  // data/seed/plant.seed as it stands in the source tree

    // The seed with its first `from` replaced by `to` (which must be there).
    QString changed(const QString& from, const QString& to) const {
        const int at = m_text.indexOf(from);
        return at < 0 ? QString() : QString(m_text).replace(at, from.size(), to);
    }
    // `text` with the last field of the entry `key` in `section` set to `value`.
    static QString setLast(QString text, const QString& section, const QString& key, const QString& value) {
        const int start = text.indexOf(QLatin1Char('[') + section + QLatin1Char(']'));
        int end = text.indexOf(QRegularExpression(QStringLiteral("^\\["), QRegularExpression::MultilineOption), start + 1);
        if (start < 0)
            return QString();
        if (end < 0)
            end = text.size();
        QString body = text.mid(start, end - start);
        body.replace(QRegularExpression(QStringLiteral("^(%1 *\\|(?:[^|\\n]*\\|)*)[^|\\n]*$").arg(QRegularExpression::escape(key)),
                                        QRegularExpression::MultilineOption),
                     QStringLiteral("\\1 ") + value);
        return text.replace(start, end - start, body);
    }
    // The number of the first line of `text` that contains `marker`.
    static int lineOf(const QString& text, const QString& marker) {
        const int at = text.indexOf(marker);
        return at < 0 ? -1 : text.left(at).count(QLatin1Char('\n')) + 1;
    }

    // Rows the generator makes from a catalogue, with the demo's settings.
    static std::vector<InspectionRow> simulate(const PlantCatalogue& plant, std::int64_t rows) {
        SimConfig config;
        config.seed = plant.demo.seed;
        config.first = plant.demo.first;
        config.last = plant.demo.last;
        config.unitsPerDayLow = plant.demo.unitsPerDayLow;
        config.unitsPerDayHigh = plant.demo.unitsPerDayHigh;
        config.rowLimit = rows;
        std::vector<InspectionRow> out;
        InspectionSim(config, plant).run([&](const InspectionRow& r) {
            out.push_back(r);
            return true;
        });
        return out;
    }

private slots:
    void initTestCase() {
        QFile f(QStringLiteral(VARNEX_SOURCE_DIR "/data/seed/plant.seed"));
        QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(f.errorString()));
        m_text = QString::fromUtf8(f.readAll());
        QVERIFY(!m_text.isEmpty());
        // The compiled-in seed read without fault.
        QVERIFY2(PlantCatalogue::status().isOk(), qPrintable(PlantCatalogue::status().error()));
    }

    void escapesAndWindowsLineEnds() {
        // A '|' and a backslash can be written inside a field; CR LF reads as LF.
        const QString text = changed(QStringLiteral("Harness routed over standoff"),
                                     QStringLiteral("Pin 3 \\| pin 4 bridged, C:\\\\TEST"))
                                 .replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        PlantCatalogue c;
        const Status s = PlantCatalogue::parse(text, QStringLiteral("plant.seed"), c);
        QVERIFY2(s.isOk(), qPrintable(s.error()));
        QCOMPARE(c.notes[8], QStringLiteral("Pin 3 | pin 4 bridged, C:\\TEST"));
        QCOMPARE(c.notes[4], QStringLiteral("Customer-visible surface\nSent to paint touch-up"));
        QCOMPARE(c.models.size(), PlantCatalogue::instance().models.size());
    }

    void aMalformedSeedNamesItsLine_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("marker");  // finds the faulty line; empty: no line is named
        QTest::addColumn<QString>("message");
        const auto row = [](const char* name, const char* from, const char* to, const char* marker, const char* message) {
            QTest::newRow(name) << QString::fromUtf8(from) << QString::fromUtf8(to) << QString::fromUtf8(marker)
                                << QString::fromUtf8(message);
        };
        // Lines the reader cannot split.
        row("entry before a section", "[models]", "STRAY | LINE\n[models]", "STRAY", "before the first [section]");
        row("unclosed section", "[models]", "[models", "[models", "closing ']'");
        row("section twice", "[notes]", "[models]", "[models]\nReworked", "section [models] again (first on line");
        row("unknown section", "[routes]", "[routs]", "[routs]", "unknown section [routs]");
        row("unknown escape", "Harness routed over standoff", "Harness\\troute", "Harness", "unknown escape \\t");
        row("backslash at the end", "Harness routed over standoff", "Harness \\", "Harness", "a backslash ends the line");
        // Entries of the wrong shape or value.
        row("too few fields", "VX-210 | COMPACT CONTROLLER+  | 12", "VX-210 | 12", "VX-210", "[models] entries have 3 field(s)");
        row("share not a number", "VX-210 | COMPACT CONTROLLER+  | 12", "VX-210 | COMPACT CONTROLLER+ | twelve", "VX-210",
            "the share must be a whole number of 0 or more, not 'twelve'");
        row("negative share", "VX-210 | COMPACT CONTROLLER+  | 12", "VX-210 | COMPACT CONTROLLER+ | -1", "VX-210", "not '-1'");
        row("empty description", "HX-800 | HEATER CABINET       | 14", "HX-800 | | 14", "HX-800", "the description is empty");
        row("model twice", "HX-820 | HEATER CABINET XL    | 8", "VX-400 | SAME NUMBER | 8", "VX-400 | SAME",
            "model 'VX-400' again (first on line");
        row("unknown location", "114 | FAN ASSEMBLY       | 3", "114 | FAN ASSEMBLY | 77", "114 | FAN", "no location '77'");
        row("defect at the pass location", "114 | FAN ASSEMBLY       | 3", "114 | FAN ASSEMBLY | 1", "114 | FAN",
            "cannot be the pass location");
        row("unknown part", "LBL | MISSING LABEL        | 5  | EARLY | 116", "LBL | MISSING LABEL | 5 | EARLY | 116 999",
            "LBL |", "no part '999'");
        row("pass part on a defect", "LBL | MISSING LABEL        | 5  | EARLY | 116", "LBL | MISSING LABEL | 5 | EARLY | 001",
            "LBL |", "the pass part '001' cannot carry a defect");
        row("defect without parts", "LBL | MISSING LABEL        | 5  | EARLY | 116", "LBL | MISSING LABEL | 5 | EARLY |",
            "LBL |", "needs the parts it is found on");
        row("visibility", "LBL | MISSING LABEL        | 5  | EARLY | 116", "LBL | MISSING LABEL | 5 | SOON | 116",
            "LBL |", "the visibility must be LATE or EARLY, not 'SOON'");
        row("pass code found as a defect", "1   | PASS - NO DEFECT     | 0  | LATE  |", "1 | PASS - NO DEFECT | 4 | LATE |",
            "1 | PASS - NO DEFECT | 4", "its share must be 0");
        row("fail rate above 1", "PNT   | PAINT INSPECTION           | 0.13", "PNT | PAINT INSPECTION | 1.3", "PNT | PAINT INSPECTION | 1.3",
            "the fail rate must be a number from 0 to 1, not '1.3'");
        row("unknown facility", "B | PNT  | 0.20", "C | PNT  | 0.20", "C | PNT  | 0.20", "the facility must be A or B, not 'C'");
        row("route to an unknown station", "B | PNT  | 0.20", "B | PAINT | 0.20", "B | PAINT", "no station 'PAINT'");
        row("route to the final station", "B | PNT  | 0.20", "B | FINAL | 0.20", "B | FINAL", "ends every route already");
        row("route shares above 1", "B | PNT  | 0.20", "B | PNT  | 0.60", "B | PNT", "add up to more than 1");
        row("role", "2207 | HANS  | WEBER      | B | OPERATOR  | 1.0", "2207 | HANS | WEBER | B | FITTER | 1.0", "2207",
            "the role must be OPERATOR or INSPECTOR, not 'FITTER'");
        row("employee twice", "2207 | HANS  | WEBER      | B | OPERATOR  | 1.0", "1101 | HANS | WEBER | B | OPERATOR | 1.0",
            "1101 | HANS", "employee '1101' again (first on line");
        // Settings.
        row("bad seed", "0x5641524E4558", "0xVARNEX", "0xVARNEX", "the seed must be a whole number");
        row("impossible date", "2026-06-30", "2026-06-31", "2026-06-31", "'2026-06-31' is not a date written YYYY-MM-DD");
        row("last day first", "2026-01-02", "2026-07-02", "last day      | 2026-06-30", "the last day is before the first day");
        row("no working day", "2026-01-02\nlast day      | 2026-06-30", "2026-01-03\nlast day | 2026-01-04",
            "last day | 2026-01-04", "no working day");
        row("units per day reversed", "units per day | 2 6", "units per day | 6 2", "units per day", "the first not above the second");
        row("units per day not whole", "units per day | 2 6", "units per day | 2 6.5", "units per day", "must be whole numbers");
        row("unknown setting", "escape rate             | 0.6", "escape rat | 0.6", "escape rat |", "unknown setting 'escape rat' in [simulation]");
        row("setting twice", "note rate               | 0.12", "note rate | 0.12\nnote rate | 0.2", "note rate | 0.2",
            "setting 'note rate' again (first on line");
        row("setting without value", "note rate               | 0.12", "note rate", "note rate\n", "a setting is written 'name | value'");
        row("missing setting", "rows per unit        | 1.93\n", "", "[large]", "[large] has no 'rows per unit'");
        row("unknown final station", "final station           | FINAL", "final station | LAST", "final station | LAST", "no station 'LAST'");
        row("no defects per failure", "defects per failure     | 65 25 10", "defects per failure | 0 0", "defects per failure | 0 0",
            "at least one share above 0");
    }

    void aMalformedSeedNamesItsLine() {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, marker);
        QFETCH(QString, message);
        const QString text = changed(from, to);
        QVERIFY2(!text.isEmpty(), qPrintable(QStringLiteral("not in the seed: ") + from));
        PlantCatalogue c;
        c.notes = {QStringLiteral("untouched")};
        const Status s = PlantCatalogue::parse(text, QStringLiteral("plant.seed"), c);
        QVERIFY(!s.isOk());
        if (!marker.isEmpty()) {
            const int line = lineOf(text, marker);
            QVERIFY(line > 0);
            QVERIFY2(s.error().startsWith(QStringLiteral("plant.seed, line %1: ").arg(line)), qPrintable(s.error()));
            QVERIFY2(s.error().contains(message), qPrintable(s.error()));
        }
        // A refused seed leaves the catalogue as it was.
        QCOMPARE(c.notes, std::vector<QString>({QStringLiteral("untouched")}));
    }

    void faultsOfAWholeSection() {
        PlantCatalogue c;
        // A facility left without an inspector: the section's header is named.
        Status s = PlantCatalogue::parse(QString(m_text).replace(QStringLiteral("| B | INSPECTOR"), QStringLiteral("| A | INSPECTOR")),
                                         QStringLiteral("plant.seed"), c);
        QCOMPARE(s.error(), QStringLiteral("plant.seed, line %1: facility B needs at least one inspector and one operator")
                                .arg(lineOf(m_text, QStringLiteral("[employees]"))));
        // A missing section.
        const int large = m_text.indexOf(QStringLiteral("[large]"));
        s = PlantCatalogue::parse(m_text.left(large), QStringLiteral("plant.seed"), c);
        QCOMPARE(s.error(), QStringLiteral("plant.seed: no [large] section"));
        // Too few entries: the pass location alone leaves nowhere for a defect.
        const int from = m_text.indexOf(QStringLiteral("2  | FRONT"));
        const int to = m_text.indexOf(QStringLiteral("\n\n"), from);
        s = PlantCatalogue::parse(QString(m_text).remove(from, to - from), QStringLiteral("plant.seed"), c);
        QCOMPARE(s.error(), QStringLiteral("plant.seed, line %1: [locations] needs at least 2 entries, it has 1")
                                .arg(lineOf(m_text, QStringLiteral("[locations]"))));
        // No model is ever built.
        QString none = m_text;
        for (const Model& m : PlantCatalogue::instance().models)
            none = setLast(none, QStringLiteral("models"), m.number, QStringLiteral("0"));
        s = PlantCatalogue::parse(none, QStringLiteral("plant.seed"), c);
        QCOMPARE(s.error(), QStringLiteral("plant.seed, line %1: no model has a share of the production")
                                .arg(lineOf(m_text, QStringLiteral("[models]"))));
        // The name given is the one used.
        s = PlantCatalogue::parse(QStringLiteral("[modles]\n"), QStringLiteral("other.seed"), c);
        QCOMPARE(s.error(), QStringLiteral("other.seed, line 1: unknown section [modles]"));
        s = PlantCatalogue::parse(QString(), QStringLiteral("empty.seed"), c);
        QVERIFY2(s.error().startsWith(QStringLiteral("empty.seed: no [")), qPrintable(s.error()));
    }


    // What the seed says is what the generator does.
    void theSeedDrivesTheGenerator() {
        const std::vector<InspectionRow> base = simulate(PlantCatalogue::instance(), 3000);
        QCOMPARE(int(base.size()), 3000);
        int notes = 0;
        for (const InspectionRow& r : base)
            notes += r.notes.isEmpty() ? 0 : 1;
        QVERIFY(notes > 0);

        // Only one model built, no notes, every unit failing once at every
        // station and its rework passing.
        const QString simulation = QStringLiteral("simulation");
        QString text = m_text;
        for (const Model& m : PlantCatalogue::instance().models)
            if (m.number != QLatin1String("KL-150"))
                text = setLast(text, QStringLiteral("models"), m.number, QStringLiteral("0"));
        for (const Station& st : PlantCatalogue::instance().stations)
            text = setLast(text, QStringLiteral("stations"), st.id, QStringLiteral("1"));
        text = setLast(text, simulation, QStringLiteral("note rate"), QStringLiteral("0"));
        text = setLast(text, simulation, QStringLiteral("rework fail rate"), QStringLiteral("0"));
        text = setLast(text, simulation, QStringLiteral("defects per failure"), QStringLiteral("0 1"));
        PlantCatalogue plant;
        const Status s = PlantCatalogue::parse(text, QStringLiteral("plant.seed"), plant);
        QVERIFY2(s.isOk(), qPrintable(s.error()));
        QCOMPARE(plant.stations[2].failRate, 1.0);
        QCOMPARE(plant.stations[2].id, QStringLiteral("PNT"));

        const std::vector<InspectionRow> rows = simulate(plant, 3000);
        QCOMPARE(int(rows.size()), 3000);
        QMap<QString, QMap<QString, QStringList>> byUnit;  // unit -> station -> defect codes in order
        for (const InspectionRow& r : rows) {
            QCOMPARE(r.model, QStringLiteral("KL-150"));
            QVERIFY(r.notes.isEmpty());
            byUnit[r.serial][r.station] << r.defect;
        }
        // Two defects, then the pass: complete visits only (the last units may be cut off).
        int complete = 0;
        for (const auto& stations : byUnit)
            for (const QStringList& codes : stations)
                if (codes.size() == 3) {
                    QVERIFY(codes[0] != QLatin1String("1") && codes[1] != QLatin1String("1"));
                    QCOMPARE(codes[2], QStringLiteral("1"));
                    ++complete;
                }
        QVERIFY2(complete > 500, qPrintable(QString::number(complete)));
    }
};

QTEST_GUILESS_MAIN(TestPlantSeed)
#include "tst_plantseed.moc"
