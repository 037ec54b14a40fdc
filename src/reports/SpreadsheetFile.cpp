#include "reports/SpreadsheetFile.h"

#include <cmath>

#include <QDate>
#include <QFile>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include "database/Schema.h"
#include "platform/DateText.h"
#include "platform/OutputFile.h"
#include "reports/ReportRenderer.h"

SpreadsheetFile::SpreadsheetFile(const QString& title, const QStringList& headings) : m_title(title), m_headings(headings) {}

void SpreadsheetFile::addRow(const QVariantList& cells) { m_lines.append({cells, false}); }
void SpreadsheetFile::addTotal(const QVariantList& cells) { m_lines.append({cells, true}); }

namespace {
// A sheet's name: at most 31 characters, none of []:*?/\ .
QByteArray sheetName(QString title) {
    for (const QChar c : QStringLiteral("[]:*?/\\"))
        title.replace(c, QLatin1Char(' '));
    title = title.simplified().left(31);
    return (title.isEmpty() ? QStringLiteral("Sheet1") : title).toUtf8();
}

bool isNumber(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Double: case QMetaType::Float: return true;
    default: return false;
    }
}

}  // namespace

QString SpreadsheetFile::build(const QString& file, const QString& tempDir) const {
    const QStringList& headings = m_headings;
    QByteArray dir = QFile::encodeName(tempDir);
    lxw_workbook_options options{};
    options.tmpdir = dir.data();
    lxw_workbook* book = workbook_new_opt(QFile::encodeName(file).constData(), &options);
    if (!book)
        return QStringLiteral("the spreadsheet could not be started");
    lxw_worksheet* sheet = workbook_add_worksheet(book, sheetName(m_title).constData());
    lxw_format* heading = workbook_add_format(book);
    format_set_bold(heading);
    format_set_bottom(heading, LXW_BORDER_THIN);
    const QByteArray datePattern = DateText::pattern().toUtf8();
    lxw_format *date = workbook_add_format(book), *dateBold = workbook_add_format(book);
    lxw_format *fraction = workbook_add_format(book), *fractionBold = workbook_add_format(book);
    lxw_format* bold = workbook_add_format(book);
    for (lxw_format* f : {date, dateBold})
        format_set_num_format(f, datePattern.constData());
    for (lxw_format* f : {fraction, fractionBold})
        format_set_num_format(f, "0.0#");
    for (lxw_format* f : {dateBold, fractionBold, bold})
        format_set_bold(f);

    lxw_error e = LXW_NO_ERROR;
    auto keep = [&e](lxw_error r) {
        if (e == LXW_NO_ERROR)
            e = r;
    };
    QList<int> widths;
    for (int c = 0; c < headings.size(); ++c) {
        keep(worksheet_write_string(sheet, 0, lxw_col_t(c), headings.at(c).toUtf8().constData(), heading));
        widths << qMax(8, int(headings.at(c).size()) + 2);
    }
    lxw_row_t row = 1;
    for (const Line& line : m_lines) {
        const QVariantList& cells = line.cells;
        const bool total = line.total;
        for (int c = 0; c < cells.size(); ++c) {
            const QVariant& v = cells.at(c);
            if (v.isNull() || !v.isValid())
                continue;
            int width = 0;
            if (v.typeId() == QMetaType::QDate && v.toDate().isValid()) {
                const QDate d = v.toDate();
                lxw_datetime dt{d.year(), d.month(), d.day(), 0, 0, 0};
                keep(worksheet_write_datetime(sheet, row, lxw_col_t(c), &dt, total ? dateBold : date));
                width = int(datePattern.size());
            } else if (isNumber(v)) {
                const double n = v.toDouble();
                const bool whole = std::fabs(n - std::round(n)) < 1e-9;
                keep(worksheet_write_number(sheet, row, lxw_col_t(c), n,
                                            whole ? (total ? bold : nullptr) : (total ? fractionBold : fraction)));
                width = int(QString::number(n, 'f', whole ? 0 : 2).size());
            } else {
                const QString text = v.toString();
                keep(worksheet_write_string(sheet, row, lxw_col_t(c), text.toUtf8().constData(), total ? bold : nullptr));
                width = int(text.section(QLatin1Char('\n'), 0, 0).size());
            }
            while (widths.size() <= c)
                widths << 8;
            widths[c] = qMin(60, qMax(widths.at(c), width + 2));
        }
        ++row;
    }
    for (int c = 0; c < widths.size(); ++c)
        keep(worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), widths.at(c), nullptr));
    worksheet_freeze_panes(sheet, 1, 0);  // the headings stay in view
    const lxw_error closed = workbook_close(book);
    keep(closed);
    return e == LXW_NO_ERROR ? QString() : QString::fromUtf8(lxw_strerror(e));
}

Status SpreadsheetFile::write(const QString& path, const QString& databasePath) const {
    Status s = ReportRenderer::checkOutputPath(path, databasePath.isEmpty() ? Schema::databaseFile() : databasePath, QString());
    if (!s)
        return s;
    // The library writes a file by name; it is made in a private folder and
    // then copied to the target the way every output of the program is.
    QTemporaryDir work;
    if (!work.isValid())
        return Status::fail(QStringLiteral("The spreadsheet was not written: no temporary folder (%1).").arg(work.errorString()));
    const QString built = work.filePath(QStringLiteral("sheet.xlsx"));
    const QString error = build(built, work.path());
    if (!error.isEmpty())
        return Status::fail(QStringLiteral("The spreadsheet was not written: %1.").arg(error));
    QFile in(built);
    if (!in.open(QIODevice::ReadOnly))
        return Status::fail(QStringLiteral("The spreadsheet was not written: %1.").arg(in.errorString()));
    OutputFile out(path);
    s = out.open();
    if (s)
        s = out.write(in.readAll());
    if (s)
        s = out.commit();
    return s;
}
