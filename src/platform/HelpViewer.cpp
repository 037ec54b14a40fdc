#include <QGuiApplication>

#include "platform/HelpViewer.h"

#include <QApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "platform/AppPaths.h"
#include "platform/Dialogs.h"
#include "platform/Form.h"

namespace {
QPointer<HelpViewer> viewerInstance;

QMap<int, HelpViewer::TopicPrinter>& topicPrinters() {
    static QMap<int, HelpViewer::TopicPrinter> printers;
    return printers;
}

class F1Filter : public QObject {
protected:
    bool eventFilter(QObject* obj, QEvent* e) override {
        if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_F1 && obj->isWidgetType()) {
            const int context = HelpViewer::contextFor(static_cast<QWidget*>(obj));
            // A window without a topic of its own opens the contents.
            const Status s = context ? HelpViewer::showTopic(HelpViewer::helpFileName(), context)
                                     : HelpViewer::showContents(HelpViewer::helpFileName());
            if (!s)
                Dialogs::showError(s);
            return true;
        }
        return false;
    }
};
}  // namespace

HelpViewer::HelpViewer() {
    setObjectName(QStringLiteral("HelpViewer"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Varnex Help"));
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("txtHelp"));
    m_browser->setOpenLinks(false);
    connect(m_browser, &QTextBrowser::anchorClicked, this, [](const QUrl& url) {
        bool ok = false;
        const int n = url.toString().remove(QStringLiteral("topic:")).toInt(&ok);
        if (ok)
            showTopic(helpFileName(), n);
    });
    auto* contents = new QPushButton(QStringLiteral("&Contents"), this);
    contents->setObjectName(QStringLiteral("cmdContents"));
    connect(contents, &QPushButton::clicked, this, [] { showContents(helpFileName()); });
    auto* print = new QPushButton(QStringLiteral("&Print"), this);
    print->setObjectName(QStringLiteral("cmdPrint"));
    connect(print, &QPushButton::clicked, this, &HelpViewer::print);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(contents);
    buttons->addWidget(print);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_browser);
    resize(640, 520);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);
}

HelpViewer* HelpViewer::current() { return viewerInstance; }

QString HelpViewer::html() const { return m_browser->toHtml(); }

Status HelpViewer::loadFile(const QString& file, QMap<int, QPair<QString, QString>>* topics) {
    const QString path = AppPaths::readable(file);
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return Status::fail(QStringLiteral("Unable to open the help file %1.").arg(file));
    int number = -1;
    QString title, body;
    auto flush = [&] {
        if (number >= 0)
            topics->insert(number, qMakePair(title, body));
    };
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1String("@topic "))) {
            flush();
            const QString rest = line.mid(7).trimmed();
            number = rest.section(QLatin1Char(' '), 0, 0).toInt();
            title = rest.section(QLatin1Char(' '), 1);
            body.clear();
        } else {
            body += line + QLatin1Char('\n');
        }
    }
    flush();
    if (topics->isEmpty())
        return Status::fail(QStringLiteral("The help file %1 is not a valid help file.").arg(file));
    return Status::ok();
}

void HelpViewer::showHtml(int topic, const QString& title, const QString& html) {
    m_topic = topic;
    setWindowTitle(QStringLiteral("Varnex Help - ") + title);
    m_browser->setHtml(html);
    show();
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))  // it cannot raise
        raise();
    activateWindow();
}

Status HelpViewer::showTopic(const QString& file, int context) {
    QMap<int, QPair<QString, QString>> topics;
    const Status s = loadFile(file, &topics);
    if (!s)
        return s;
    if (!topics.contains(context))
        return Status::fail(QStringLiteral("The help topic %1 does not exist in %2.").arg(context).arg(file));
    if (!viewerInstance)
        viewerInstance = new HelpViewer;
    const auto& t = topics.value(context);
    viewerInstance->showHtml(context, t.first, QStringLiteral("<h2>%1</h2>\n%2").arg(t.first.toHtmlEscaped(), t.second));
    return Status::ok();
}

Status HelpViewer::showContents(const QString& file) {
    QMap<int, QPair<QString, QString>> topics;
    const Status s = loadFile(file, &topics);
    if (!s)
        return s;
    QString html = QStringLiteral("<h2>Contents</h2>\n<ul>\n");
    for (auto it = topics.cbegin(); it != topics.cend(); ++it)
        html += QStringLiteral("<li><a href=\"topic:%1\">%2</a></li>\n").arg(it.key()).arg(it.value().first.toHtmlEscaped());
    html += QStringLiteral("</ul>\n");
    if (!viewerInstance)
        viewerInstance = new HelpViewer;
    viewerInstance->showHtml(0, QStringLiteral("Contents"), html);
    return Status::ok();
}

int HelpViewer::contextFor(const QWidget* focus) {
    for (const QWidget* w = focus; w; w = w->parentWidget()) {
        if (const int n = helpContextOf(w))
            return n;
        if (const auto* form = qobject_cast<const Form*>(w))
            return form->helpContext();
    }
    return 0;
}

void HelpViewer::installF1Handler() {
    static F1Filter* filter = nullptr;
    if (!filter) {
        filter = new F1Filter;
        qApp->installEventFilter(filter);
    }
}

void HelpViewer::setTopicPrinter(int topic, const TopicPrinter& printer) { topicPrinters().insert(topic, printer); }

void HelpViewer::print() {
    QPrinter printer(QPrinter::HighResolution);
    preparePrinter(&printer);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const Status s = printTo(&printer);
    if (!s)
        Dialogs::showError(s);
}

void HelpViewer::preparePrinter(QPrinter* printer) const {
    const auto special = topicPrinters().constFind(m_topic);
    if (special != topicPrinters().constEnd() && special->setUp)
        special->setUp(printer);
}

Status HelpViewer::printTo(QPrinter* printer) {
    const auto special = topicPrinters().constFind(m_topic);
    if (special != topicPrinters().constEnd())
        return special->print(printer);
    m_browser->print(printer);
    return Status::ok();
}
