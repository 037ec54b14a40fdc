#pragma once
#include <functional>

#include <QMap>
#include <QPointer>
#include <QWidget>

#include "platform/Status.h"

class QPrinter;
class QTextBrowser;

// The help viewer: a window that shows one topic of the help file at a time.
// The help file holds topics keyed by context number:
//   @topic <number> <title>
//   <HTML body up to the next @topic line>
class HelpViewer : public QWidget {
    Q_OBJECT
public:
    // The help file as the program names it for F1.
    static QString helpFileName() { return QStringLiteral("C:\\KEL\\VXHelp.hlp"); }
    // The help file as the Help/Tutorial entry names it.
    static QString tutorialFileName() { return QStringLiteral("c:\\kel\\VXhelp.hlp"); }

    // Opens the file at a context number, or at its contents.
    static Status showTopic(const QString& file, int context);
    static Status showContents(const QString& file);
    // F1 anywhere opens the topic of the focused control, else of its form.
    static void installF1Handler();
    static int contextFor(const QWidget* focus);
    // The open viewer, if any.
    static HelpViewer* current();

    int topic() const { return m_topic; }
    QString html() const;
    // Prints the shown topic through the platform's print dialog.
    void print();
    // Lays the printer out for the shown topic (before the print dialog), then prints on it.
    void preparePrinter(QPrinter* printer) const;
    Status printTo(QPrinter* printer);
    // A topic that goes to paper as something else than its screen text (a form
    // to fill in): setUp lays out the printer before the print dialog, print
    // paints it. Registered by the layer that owns that document.
    struct TopicPrinter {
        std::function<void(QPrinter*)> setUp;
        std::function<Status(QPrinter*)> print;
    };
    static void setTopicPrinter(int topic, const TopicPrinter& printer);

private:
    explicit HelpViewer();
    static Status loadFile(const QString& file, QMap<int, QPair<QString, QString>>* topics);
    void showHtml(int topic, const QString& title, const QString& html);
    QTextBrowser* m_browser;
    int m_topic = 0;
};
