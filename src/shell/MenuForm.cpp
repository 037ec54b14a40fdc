#include "shell/MenuForm.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Dialogs.h"
#include "platform/FormRegistry.h"

namespace {
QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}
}  // namespace

MenuForm::MenuForm(const MenuDefinition& definition) : Form(definition.form), m_def(definition) {
    setHelpContext(definition.helpContext);
    setCaption(QString());
    auto* layout = new QVBoxLayout(this);
    auto* header = makeLabel(this, QStringLiteral("lblHeader"), QStringLiteral("KEL Manufacturing Software"));
    header->setAlignment(Qt::AlignCenter);
    layout->addWidget(header);

    auto* titleRow = new QHBoxLayout;
    auto* title = makeLabel(this, QStringLiteral("lbltitle"), definition.title);
    QFont big = title->font();
    big.setPointSize(26);
    big.setBold(true);
    title->setFont(big);
    auto* tm = makeLabel(this, QStringLiteral("lblTM"), QStringLiteral("TM"));
    QFont small = tm->font();
    small.setPointSize(7);
    tm->setFont(small);
    tm->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    titleRow->addStretch();
    titleRow->addWidget(title);
    titleRow->addWidget(tm, 0, Qt::AlignTop);
    titleRow->addStretch();
    layout->addLayout(titleRow);

    auto* frame = new QGroupBox(definition.frameCaption, this);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto* grid = new QGridLayout(frame);
    grid->setColumnStretch(1, 1);
    QList<QPair<int, QPushButton*>> tabOrder;
    int row = 0;
    for (const MenuEntry& entry : definition.entries) {
        auto* button = new QPushButton(frame);
        button->setObjectName(entry.button);
        button->setFixedSize(24, 24);
        // Return on the focused entry runs it, as Space does.
        button->setAutoDefault(true);
        button->setAccessibleName(entry.text);
        if (entry.helpContext)
            ::setHelpContext(button, entry.helpContext);
        auto* label = makeLabel(frame, entry.label, entry.text);
        label->setBuddy(button);
        grid->addWidget(button, row, 0);
        grid->addWidget(label, row, 1);
        connect(button, &QPushButton::clicked, this, [this, entry] { activate(entry); });
        tabOrder.append({entry.tabIndex >= 0 ? entry.tabIndex : row, button});
        ++row;
    }
    std::stable_sort(tabOrder.begin(), tabOrder.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (int i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1].second, tabOrder[i].second);
    layout->addWidget(frame);
    setFixedSize(380, 150 + 34 * row);
}

void MenuForm::onLoad() {
    if (m_def.centreOnBackground) {
        // Centred in the background window's client area.
        QWidget* w = window_();
        if (QMdiArea* area = FormRegistry::instance().mdiArea(); area && w != this) {
            w->adjustSize();
            const float top = (float(area->height()) - float(w->height())) / 2.0f;
            const float left = (float(area->width()) - float(w->width())) / 2.0f;
            w->move(int(left), int(top));
        } else {
            centreOnScreen();
        }
    } else {
        window_()->adjustSize();
        centreOnScreen();
    }
}

void MenuForm::onUnload() {
    // Leaving a sub-menu, by any way, brings back the main menu.
    if (m_def.form != QLatin1String("frmMain"))
        FormRegistry::instance().showMainMenu();
}

void MenuForm::activate(const MenuEntry& entry) {
    FormRegistry& forms = FormRegistry::instance();
    switch (entry.action) {
    case MenuEntry::Action::Open:
        forms.open(entry.target, m_def.form);
        break;
    case MenuEntry::Action::OpenKeepMenu: {
        const Status s = forms.show(entry.target);
        if (!s)
            Dialogs::showError(s);
        break;
    }
    case MenuEntry::Action::ExitMenu:
        forms.unload(m_def.form);
        forms.showMainMenu();
        break;
    case MenuEntry::Action::Run:
        runEntry(entry);
        break;
    case MenuEntry::Action::ExitProgram:
        forms.hide(QStringLiteral("MDIBackground"));
        forms.unload(QStringLiteral("MDIBackground"));
        break;
    }
}
