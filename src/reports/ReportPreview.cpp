#include "reports/ReportPreview.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "platform/AppPaths.h"
#include "platform/Dialogs.h"
#include "platform/MousePointer.h"
#include "reports/ReportRenderer.h"

ReportPreview::ReportPreview() : QWidget(nullptr, Qt::Window), m_printer(std::make_unique<QPrinter>(QPrinter::ScreenResolution)) {
    build();
    m_preparing = true;
    setWindowTitle(QStringLiteral("Varnex - Preparing the report"));
    // While the report is prepared nothing else may start a run or close the form that asked for it.
    setWindowModality(Qt::ApplicationModal);
    m_progress->show();
    for (QPushButton* b : m_pageButtons)
        b->setEnabled(false);
    m_shown.start();
}

ReportPreview::ReportPreview(const ReportResult& result, QWidget* parent)
    : QWidget(parent, Qt::Window), m_printer(std::make_unique<QPrinter>(QPrinter::ScreenResolution)) {
    build();
    setResult(result);
}

ReportPreview::~ReportPreview() = default;

void ReportPreview::build() {
    setObjectName(QStringLiteral("ReportPreview"));
    setAttribute(Qt::WA_DeleteOnClose);
    // The preview is drawn the way the PDF export draws it.
    m_printer->setOutputFormat(QPrinter::PdfFormat);
    auto button = [this](const QString& name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        return b;
    };
    QPushButton* print = button(QStringLiteral("cmdPrint"), QStringLiteral("&Print..."));
    QPushButton* pdf = button(QStringLiteral("cmdExportPdf"), QStringLiteral("Export P&DF..."));
    QPushButton* csv = button(QStringLiteral("cmdExportCsv"), QStringLiteral("Export C&SV..."));
    QPushButton* xlsx = button(QStringLiteral("cmdExportXlsx"), QStringLiteral("Export &XLSX..."));
    QPushButton* zoomIn = button(QStringLiteral("cmdZoomIn"), QStringLiteral("Zoom &In"));
    QPushButton* zoomOut = button(QStringLiteral("cmdZoomOut"), QStringLiteral("Zoom &Out"));
    QPushButton* close = button(QStringLiteral("cmdClose"), QStringLiteral("&Close"));
    m_pageButtons = {print, pdf, csv, xlsx, zoomIn, zoomOut};
    connect(print, &QPushButton::clicked, this, &ReportPreview::printReport);
    connect(pdf, &QPushButton::clicked, this, [this] { askExport(Export::Pdf); });
    connect(csv, &QPushButton::clicked, this, [this] { askExport(Export::Csv); });
    connect(xlsx, &QPushButton::clicked, this, [this] { askExport(Export::Xlsx); });
    connect(zoomIn, &QPushButton::clicked, this, [this] { if (m_view) m_view->zoomIn(); });
    connect(zoomOut, &QPushButton::clicked, this, [this] { if (m_view) m_view->zoomOut(); });
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    // Escape closes, as Close does (while the report is prepared: cancels it).
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);
    auto* bar = new QHBoxLayout;
    for (QPushButton* b : m_pageButtons)
        bar->addWidget(b);
    bar->addStretch();
    bar->addWidget(close);

    // The progress line: what is happening, for how long, and a way out.
    m_progress = new QWidget(this);
    m_progress->setObjectName(QStringLiteral("picProgress"));
    m_progressText = new QLabel(QStringLiteral("Preparing the report..."), m_progress);
    m_progressText->setObjectName(QStringLiteral("lblProgress"));
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), m_progress);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(cancel, &QPushButton::clicked, this, [this] { m_cancel = true; });
    auto* line = new QHBoxLayout(m_progress);
    line->addWidget(m_progressText, 1);
    line->addWidget(cancel);
    m_progress->hide();

    m_layout = new QVBoxLayout(this);
    m_layout->addLayout(bar);
    m_layout->addWidget(m_progress);
    m_layout->addStretch(1);
    resize(860, 900);
}

void ReportPreview::showProgress(qint64 elapsedMs, int rows) {
    // A quick report never shows its progress line; a slow one shows it as soon as it is seen to be slow.
    if (!isVisible()) {
        show();
        raise();
        activateWindow();
    }
    QString text = QStringLiteral("Preparing the report... %1 s").arg(elapsedMs / 1000);
    if (rows > 0)
        text += QStringLiteral(", %1 lines read").arg(QLocale(QLocale::English).toString(rows));
    m_progressText->setText(text);
    QCoreApplication::processEvents();
}

void ReportPreview::abandon() {
    m_preparing = false;
    hide();
    deleteLater();
}

void ReportPreview::setResult(const ReportResult& result) {
    m_result = result;
    m_preparing = false;
    // A change of modality takes effect when the window is shown again (the caller shows it).
    if (isVisible())
        hide();
    setWindowModality(Qt::NonModal);
    setWindowTitle(QStringLiteral("Varnex - ") + result.definition.title);
    ReportRenderer::setUpPage(m_result.definition, m_printer.get());
    m_progress->hide();
    delete m_layout->takeAt(m_layout->count() - 1);  // the stretch that held the progress line up
    m_view = new QPrintPreviewWidget(m_printer.get(), this);
    m_view->setObjectName(QStringLiteral("pvwReport"));
    connect(m_view, &QPrintPreviewWidget::paintRequested, this, [this](QPrinter* p) {
        const Status s = ReportRenderer::paint(m_result, p);
        if (!s)
            Dialogs::showError(s);
    });
    m_layout->addWidget(m_view, 1);
    for (QPushButton* b : m_pageButtons)
        b->setEnabled(true);
    m_view->fitToWidth();
}

void ReportPreview::closeEvent(QCloseEvent* event) {
    // Closing the window while the report is prepared cancels the run; the
    // window goes when the run has stopped.
    if (m_preparing) {
        m_cancel = true;
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

int ReportPreview::pageCount() const {
    if (!m_view)
        return 0;
    m_view->updatePreview();
    return m_view->pageCount();
}

Status ReportPreview::exportPdf(const QString& path) { return ReportRenderer::writePdf(m_result, path); }
Status ReportPreview::exportCsv(const QString& path) { return ReportRenderer::writeCsv(m_result, path); }
Status ReportPreview::exportXlsx(const QString& path) { return ReportRenderer::writeXlsx(m_result, path); }

void ReportPreview::printReport() {
    QPrinter printer(QPrinter::HighResolution);
    ReportRenderer::setUpPage(m_result.definition, &printer);
    printer.setDocName(m_result.definition.title);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    MousePointer::hourglass();
    const Status s = ReportRenderer::paint(m_result, &printer);
    MousePointer::arrow();
    if (!s)
        Dialogs::showError(s);
}

QString ReportPreview::suggestedExportPath(const QString& suffix) const {
    const QString base = m_result.definition.title.isEmpty() ? QStringLiteral("report") : m_result.definition.title;
    return AppPaths::documentsFile(base + suffix);
}

void ReportPreview::askExport(Export format) {
    static const struct { const char* name; const char* suffix; const char* filter; } kinds[] = {
        {"PDF", ".pdf", "PDF files (*.pdf)"}, {"CSV", ".csv", "CSV files (*.csv)"}, {"XLSX", ".xlsx", "Spreadsheets (*.xlsx)"}};
    const auto& kind = kinds[int(format)];
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export ") + QLatin1String(kind.name),
                                                      suggestedExportPath(QLatin1String(kind.suffix)), QLatin1String(kind.filter));
    if (path.isEmpty())
        return;
    MousePointer::hourglass();
    const Status s = format == Export::Pdf ? exportPdf(path) : format == Export::Csv ? exportCsv(path) : exportXlsx(path);
    MousePointer::arrow();
    if (!s)
        Dialogs::showError(s);
}
