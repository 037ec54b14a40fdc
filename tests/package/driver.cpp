// Drives an installed varnex as an inspector would, for the package test: loaded
// into the program with LD_PRELOAD, so the program under test is the packaged
// binary itself, unchanged. It opens the data entry screen from the menus,
// types one pass row from VARNEX_DRIVER_ROW
// ("FACILITY|MODEL|SERIAL|INSPECTOR|MM/DD/YYYY|STATION"), submits it, answers
// No to "Do you have another defect?" and closes the main window. Any other
// message box is printed and answered with its default button. Each step waits
// for the widgets it needs; a run that never gets there ends the process (3).
#include <cstdio>
#include <functional>

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QPointer>
#include <QTest>
#include <QTimer>

namespace {

bool within(const QWidget* w, const char* form) {
    for (; w; w = w->parentWidget())
        if (w->objectName() == QLatin1String(form))
            return true;
    return false;
}

// The visible widget of that name on that form.
template <class T>
T* visible(const char* name, const char* form) {
    for (QWidget* w : QApplication::allWidgets())
        if (w->objectName() == QLatin1String(name) && w->isVisible() && within(w, form))
            if (auto* t = qobject_cast<T*>(w))
                return t;
    return nullptr;
}

void say(const QString& text) { std::fprintf(stderr, "driver: %s\n", qPrintable(text)); }

// Clicked from the event loop, so a dialog the click opens does not hold up the driver.
void click(QAbstractButton* b) { QMetaObject::invokeMethod(b, "click", Qt::QueuedConnection); }

struct Step {
    const char* what = nullptr;
    std::function<bool()> done;  // true once the step could be taken
};

class Driver : public QObject {
public:
    Driver() {
        const QStringList row = qEnvironmentVariable("VARNEX_DRIVER_ROW").split(QLatin1Char('|'));
        const char* boxes[] = {"txtFacility", "txtModelNumber", "txtSerialNumber", "txtInspectorNumber", "MaskEdBox1", "txtStation"};
        auto press = [](const char* name, const char* form) {
            return [=] {
                auto* b = visible<QAbstractButton>(name, form);
                if (b)
                    click(b);
                return b != nullptr;
            };
        };
        m_steps = {
            {"Data Entry", press("cmdDataEntry", "frmMain")},
            {"Enter Inspection Data", press("cmdInspectionData", "frmDataEntMenu")},
            {"Add", press("cmdAdd", "frmDataEntry")},
            {"type the row", [=] {
                 for (int i = 0; i < 6; ++i) {
                     auto* box = visible<QLineEdit>(boxes[i], "frmDataEntry");
                     if (!box)
                         return false;
                     box->setFocus();
                     box->selectAll();
                     QTest::keyClicks(box, row.value(i));
                 }
                 return true;
             }},
            {"Pass", press("cmdPass", "frmDataEntry")},
            {"Submit Record", press("cmdSubmit", "frmDataEntry")},
            // A pass row is stored without a question; the next unit is prepared at once.
            {"the next unit", [] {
                 auto* serial = visible<QLineEdit>("txtSerialNumber", "frmDataEntry");
                 return serial && serial->text().isEmpty();
             }},
            // The main window's close box: the program's exit sequence, as Exit on the main menu.
            {"close the main window", [] {
                 auto* submit = visible<QWidget>("cmdSubmit", "frmDataEntry");
                 if (submit)
                     QMetaObject::invokeMethod(submit->window(), "close", Qt::QueuedConnection);
                 return submit != nullptr;
             }},
        };
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, &Driver::tick);
        timer->start(50);
        // Not a time limit on the program: only a guard against waiting forever.
        QTimer::singleShot(180000, this, [this] {
            say(QStringLiteral("gave up waiting for: %1").arg(QString::fromLatin1(m_steps.value(m_next).what)));
            std::_Exit(3);
        });
    }

private:
    void tick() {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            if (m_boxesSeen.contains(box))
                return;
            m_boxesSeen << box;
            const bool question = box->text() == QLatin1String("Do you have another defect?");
            say(QStringLiteral("message box: %1").arg(box->text()));
            QAbstractButton* answer = question ? box->button(QMessageBox::No) : static_cast<QAbstractButton*>(box->defaultButton());
            if (!answer && !box->buttons().isEmpty())
                answer = box->buttons().first();
            if (answer)
                click(answer);
            return;
        }
        if (m_next < m_steps.size() && m_steps[m_next].done()) {
            say(QString::fromLatin1(m_steps[m_next].what));
            ++m_next;
        }
    }

    QList<Step> m_steps;
    int m_next = 0;
    QList<QPointer<QMessageBox>> m_boxesSeen;
};

// Called while the application object is being made: the driver starts once
// its event loop runs, and only in a program with widgets.
void start() {
    QMetaObject::invokeMethod(QCoreApplication::instance(), [] {
        if (qobject_cast<QApplication*>(QCoreApplication::instance()))
            new Driver;
    }, Qt::QueuedConnection);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(start)
