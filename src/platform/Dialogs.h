#pragma once
#include <functional>

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>

#include "platform/Status.h"

// Every message box, input box and beep of the program goes through the one
// dialog service, so tests can answer them and check what was shown.
namespace Dialogs {

enum class Buttons { Ok, OkCancel, YesNo };
enum class Icon { None, Critical, Question, Exclamation, Information };
enum class Answer { Ok, Cancel, Yes, No };

QString appTitle();  // "Varnex"

struct Message {
    QString text;
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::None;
    QString title;
    Answer defaultButton = Answer::Ok;
    // Shown behind the box's Details button (empty: no button).
    QString details = QString();
};

struct InputRequest {
    QString prompt;
    QString title;
    QString defaultText;
};

class Service {
public:
    virtual ~Service() = default;
    virtual Answer message(const Message& m) = 0;
    // Returns the typed text, or an empty text on Cancel.
    virtual QString input(const InputRequest& r) = 0;
    // A folder chooser (title, starting folder in defaultText): the folder
    // chosen, or an empty text on Cancel.
    virtual QString folder(const InputRequest& r) { Q_UNUSED(r); return QString(); }
    virtual void beep() = 0;
};

// The service in use (the real one unless a test installed another).
Service& service();
// Installs a service; nullptr restores the real one. The caller keeps ownership.
void install(Service* s);

// A message box with the given text; the title is the application's unless given.
Answer show(const QString& text, Buttons buttons = Buttons::Ok, Icon icon = Icon::None,
            const QString& title = appTitle(), Answer defaultButton = Answer::Ok);
// The usual error report: the description, OK only, no icon, the application's title.
void showError(const QString& description);
// The same for a failure; a server that cannot be reached is said in one
// plain sentence (serverAwaySentence), with the server's words behind Details.
void showError(const Status& failure);
QString serverAwaySentence();
// "Delete this record?" (Yes/No, No the default): true when the user said Yes.
bool confirmDelete();
QString input(const QString& prompt, const QString& title, const QString& defaultText = QString());
QString chooseFolder(const QString& title, const QString& start);
void beep();

// A service for tests: records everything shown and answers from queues.
// With an empty queue a message gets its default button and an input box Cancel.
class Scripted : public Service {
public:
    Scripted() { install(this); }
    ~Scripted() override { install(nullptr); }
    Answer message(const Message& m) override;
    QString input(const InputRequest& r) override;
    QString folder(const InputRequest& r) override;
    void beep() override { ++beeps; }

    QQueue<Answer> answers;
    QQueue<QString> inputAnswers;
    QList<Message> messages;
    QList<InputRequest> inputs;
    QQueue<QString> folderAnswers;
    QList<InputRequest> folders;
    int beeps = 0;
    // Runs inside message(), before it returns: a test can look at the screen
    // as it stands while the box is up.
    std::function<void(const Message&)> onMessage;

    QStringList texts() const;
    void clear() { messages.clear(); inputs.clear(); folders.clear(); beeps = 0; }
};

}  // namespace Dialogs
