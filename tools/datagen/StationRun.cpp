#include "datagen/StationRun.h"

#include <QDate>
#include <QDateTime>
#include <QElapsedTimer>
#include <QPushButton>

#include "datagen/Prng.h"
#include "database/RecordNavigator.h"
#include "dataentry/DataEntryForm.h"
#include "platform/Dialogs.h"
#include "platform/FormRegistry.h"
#include "platform/MaskedDateBox.h"
#include "platform/TextBox.h"

namespace StationRun {

namespace {

const QString kForm = QStringLiteral("frmDataEntry");
const QString kAnotherDefect = QStringLiteral("Do you have another defect?");

// The inspector at the screen: answers the question after a defect's submit
// as the row calls for, says Yes to any other question, and notes every error box.
class Inspector : public Dialogs::Service {
public:
    Inspector() { Dialogs::install(this); }
    ~Inspector() override { Dialogs::install(nullptr); }
    Dialogs::Answer message(const Dialogs::Message& m) override {
        if (m.text == kAnotherDefect) {
            ++asked;
            return anotherDefect ? Dialogs::Answer::Yes : Dialogs::Answer::No;
        }
        if (m.buttons == Dialogs::Buttons::YesNo)
            return Dialogs::Answer::Yes;
        errors << m.text;
        return Dialogs::Answer::Ok;
    }
    QString input(const Dialogs::InputRequest&) override { return QString(); }
    void beep() override {}

    bool anotherDefect = false;
    int asked = 0;
    QStringList errors;
};

}  // namespace

Result run(const Plan& plan) {
    Result result;
    Inspector inspector;
    const Status shown = FormRegistry::instance().show(kForm);
    auto* form = FormRegistry::instance().formAs<DataEntryForm>(kForm);
    if (!shown || !form) {
        result.errors << (shown ? QStringLiteral("The data entry screen did not open.") : shown.error());
        return result;
    }
    auto text = [&](const char* name) { return form->findChild<TextBox*>(QString::fromLatin1(name)); };
    QPushButton* submit = form->findChild<QPushButton*>(QStringLiteral("cmdSubmit"));
    QPushButton* pass = form->findChild<QPushButton*>(QStringLiteral("cmdPass"));

    DataGen::Prng prng(plan.seed);
    QString serial, station;
    bool sameUnit = false;
    for (int i = 0; i < plan.rows; ++i) {
        if (!sameUnit) {
            serial = !plan.serial.isEmpty() ? plan.serial
                                            : QStringLiteral("U%1").arg(prng.below(plan.units) + 1, 2, 10, QLatin1Char('0'));
            station = plan.stations.value(prng.below(int(plan.stations.size())));
        }
        // The boxes the screen keeps between rows are typed again all the same:
        // after a refused submit the row is typed anew.
        text("txtFacility")->setText(plan.facility);
        text("txtModelNumber")->setText(plan.model);
        text("txtSerialNumber")->setText(serial);
        text("txtInspectorNumber")->setText(plan.inspector);
        form->findChild<MaskedDateBox*>(QStringLiteral("MaskEdBox1"))->setValue(plan.date);
        text("txtStation")->setText(station);
        const bool defect = prng.chance(plan.defectShare);
        if (defect) {
            text("txtPartNum")->setText(plan.part);
            text("txtDefectCode")->setText(plan.defect);
            text("txtLocationCode")->setText(plan.location);
        } else {
            pass->click();
        }
        inspector.anotherDefect = defect && prng.chance(plan.anotherShare);
        const qint64 written = form->navigator()->lastModified();
        QElapsedTimer t;
        t.start();
        submit->click();
        const double ms = t.nsecsElapsed() / 1e6;
        // A stored row is the navigator's last written one.
        if (form->navigator()->lastModified() == written)
            continue;
        ++result.submitted;
        result.millis << ms;
        result.storedAt << QDateTime::currentMSecsSinceEpoch();
        sameUnit = inspector.anotherDefect;
    }
    result.errors = inspector.errors;
    FormRegistry::instance().unload(kForm);
    return result;
}

}  // namespace StationRun
