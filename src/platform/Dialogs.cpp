#include "platform/Dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace Dialogs {
namespace {

class RealService : public Service {
public:
    Answer message(const Message& m) override {
        QMessageBox box(QApplication::activeWindow());
        box.setText(m.text);
        // An empty title stays empty (the window system would put the program's name there).
        box.setWindowTitle(m.title.isEmpty() ? QStringLiteral(" ") : m.title);
        switch (m.icon) {
        case Icon::Critical: box.setIcon(QMessageBox::Critical); break;
        case Icon::Question: box.setIcon(QMessageBox::Question); break;
        case Icon::Exclamation: box.setIcon(QMessageBox::Warning); break;
        case Icon::Information: box.setIcon(QMessageBox::Information); break;
        case Icon::None: break;
        }
        QMessageBox::StandardButtons buttons;
        switch (m.buttons) {
        case Buttons::Ok: buttons = QMessageBox::Ok; break;
        case Buttons::OkCancel: buttons = QMessageBox::Ok | QMessageBox::Cancel; break;
        case Buttons::YesNo: buttons = QMessageBox::Yes | QMessageBox::No; break;
        }
        box.setStandardButtons(buttons);
        if (!m.details.isEmpty())
            box.setDetailedText(m.details);
        box.setDefaultButton(toStandard(m.defaultButton));
        switch (box.exec()) {
        case QMessageBox::Cancel: return Answer::Cancel;
        case QMessageBox::Yes: return Answer::Yes;
        case QMessageBox::No: return Answer::No;
        case QMessageBox::Ok: return Answer::Ok;
        default: return m.buttons == Buttons::Ok ? Answer::Ok : (m.buttons == Buttons::YesNo ? Answer::No : Answer::Cancel);
        }
    }
    QString input(const InputRequest& r) override {
        bool ok = false;
        const QString text = QInputDialog::getText(QApplication::activeWindow(), r.title, r.prompt,
                                                   QLineEdit::Normal, r.defaultText, &ok);
        return ok ? text : QString();
    }
    QString folder(const InputRequest& r) override {
        return QFileDialog::getExistingDirectory(QApplication::activeWindow(), r.title, r.defaultText);
    }
    void beep() override { QApplication::beep(); }

private:
    static QMessageBox::StandardButton toStandard(Answer a) {
        switch (a) {
        case Answer::Cancel: return QMessageBox::Cancel;
        case Answer::Yes: return QMessageBox::Yes;
        case Answer::No: return QMessageBox::No;
        case Answer::Ok: break;
        }
        return QMessageBox::Ok;
    }
};

RealService& realService() {
    static RealService s;
    return s;
}
Service* current = nullptr;

}  // namespace

QString appTitle() { return QStringLiteral("Varnex"); }

Service& service() { return current ? *current : realService(); }
void install(Service* s) { current = s; }

Answer show(const QString& text, Buttons buttons, Icon icon, const QString& title, Answer defaultButton) {
    return service().message(Message{text, buttons, icon, title, defaultButton});
}

void showError(const QString& description) { show(description); }

QString serverAwaySentence() {
    return QStringLiteral("The plant server cannot be reached, so nothing was read or changed; try again when it is back.");
}

void showError(const Status& failure) {
    if (!failure.isUnreachable()) {
        show(failure.error());
        return;
    }
    Message m{serverAwaySentence(), Buttons::Ok, Icon::None, appTitle(), Answer::Ok};
    m.details = failure.error();
    service().message(m);
}

bool confirmDelete() {
    return show(QStringLiteral("Delete this record?"), Buttons::YesNo, Icon::Question, appTitle(), Answer::No) ==
           Answer::Yes;
}

QString input(const QString& prompt, const QString& title, const QString& defaultText) {
    return service().input(InputRequest{prompt, title, defaultText});
}

QString chooseFolder(const QString& title, const QString& start) {
    return service().folder(InputRequest{QString(), title, start});
}

void beep() { service().beep(); }

Answer Scripted::message(const Message& m) {
    messages.append(m);
    if (onMessage)
        onMessage(m);
    if (!answers.isEmpty())
        return answers.dequeue();
    return m.defaultButton;
}

QString Scripted::input(const InputRequest& r) {
    inputs.append(r);
    return inputAnswers.isEmpty() ? QString() : inputAnswers.dequeue();
}

QString Scripted::folder(const InputRequest& r) {
    folders.append(r);
    return folderAnswers.isEmpty() ? QString() : folderAnswers.dequeue();
}

QStringList Scripted::texts() const {
    QStringList t;
    for (const Message& m : messages)
        t << m.text;
    return t;
}

}  // namespace Dialogs
