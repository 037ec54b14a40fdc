#include "reports/ReportPreview.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Dialogs.h"
#include "platform/MousePointer.h"
#include "reports/ReportRenderer.h"

namespace {
void setUpPage(QPrinter* printer) {
    printer->setPageSize(QPageSize(QPageSize::Letter));
    printer->setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
}
}  // namespace

ReportPreview::ReportPreview(const ReportResult& result, QWidget* parent)
    : QWidget(parent, Qt::Window), m_result(result), m_printer(std::make_unique<QPrinter>(QPrinter::ScreenResolution)) {
    setObjectName(QStringLiteral("ReportPreview"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Varnex - ") + result.definition.title);
    // The preview is drawn the way the PDF export draws it.
    m_printer->setOutputFormat(QPrinter::PdfFormat);
    setUpPage(m_printer.get());
    m_view = new QPrintPreviewWidget(m_printer.get(), this);
    m_view->setObjectName(QStringLiteral("pvwReport"));
    connect(m_view, &QPrintPreviewWidget::paintRequested, this, [this](QPrinter* p) {
        const Status s = ReportRenderer::paint(m_result, p);
        if (!s)
            Dialogs::showError(s.error());
    });
    auto button = [this](const QString& name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        return b;
    };
    QPushButton* print = button(QStringLiteral("cmdPrint"), QStringLiteral("&Print..."));
    QPushButton* pdf = button(QStringLiteral("cmdExportPdf"), QStringLiteral("Export P&DF..."));
    QPushButton* csv = button(QStringLiteral("cmdExportCsv"), QStringLiteral("Export C&SV..."));
    QPushButton* zoomIn = button(QStringLiteral("cmdZoomIn"), QStringLiteral("Zoom &In"));
    QPushButton* zoomOut = button(QStringLiteral("cmdZoomOut"), QStringLiteral("Zoom &Out"));
    QPushButton* close = button(QStringLiteral("cmdClose"), QStringLiteral("&Close"));
    connect(print, &QPushButton::clicked, this, &ReportPreview::printReport);
    connect(pdf, &QPushButton::clicked, this, [this] { askExport(true); });
    connect(csv, &QPushButton::clicked, this, [this] { askExport(false); });
    connect(zoomIn, &QPushButton::clicked, m_view, [this] { m_view->zoomIn(); });
    connect(zoomOut, &QPushButton::clicked, m_view, [this] { m_view->zoomOut(); });
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    auto* bar = new QHBoxLayout;
    for (QPushButton* b : {print, pdf, csv, zoomIn, zoomOut})
        bar->addWidget(b);
    bar->addStretch();
    bar->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_view);
    resize(860, 900);
    m_view->fitToWidth();
}

ReportPreview::~ReportPreview() = default;

int ReportPreview::pageCount() const {
    m_view->updatePreview();
    return m_view->pageCount();
}

Status ReportPreview::exportPdf(const QString& path) { return ReportRenderer::writePdf(m_result, path); }
Status ReportPreview::exportCsv(const QString& path) { return ReportRenderer::writeCsv(m_result, path); }

void ReportPreview::printReport() {
    QPrinter printer(QPrinter::HighResolution);
    setUpPage(&printer);
    printer.setDocName(m_result.definition.title);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    MousePointer::hourglass();
    const Status s = ReportRenderer::paint(m_result, &printer);
    MousePointer::arrow();
    if (!s)
        Dialogs::showError(s.error());
}

void ReportPreview::askExport(bool pdf) {
    const QString base = m_result.definition.title.isEmpty() ? QStringLiteral("report") : m_result.definition.title;
    const QString path = QFileDialog::getSaveFileName(this, pdf ? QStringLiteral("Export PDF") : QStringLiteral("Export CSV"),
                                                      base + (pdf ? QStringLiteral(".pdf") : QStringLiteral(".csv")),
                                                      pdf ? QStringLiteral("PDF files (*.pdf)") : QStringLiteral("CSV files (*.csv)"));
    if (path.isEmpty())
        return;
    MousePointer::hourglass();
    const Status s = pdf ? exportPdf(path) : exportCsv(path);
    MousePointer::arrow();
    if (!s)
        Dialogs::showError(s.error());
}
