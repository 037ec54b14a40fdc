#include "monitor/LineBoardForm.h"

#include <cmath>

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QShortcut>
#include <QTime>
#include <QVBoxLayout>

#include "database/Schema.h"
#include "monitor/ChangeWatcher.h"
#include "monitor/LineBoardTile.h"
#include "platform/DateText.h"
#include "platform/FormRegistry.h"
#include "platform/MousePointer.h"

namespace {
bool g_standAlone = false;

const QColor kBackground(0x15, 0x18, 0x1d);

void styleLabel(QLabel* label, const QColor& colour) {
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, colour);
    label->setPalette(pal);
}
}  // namespace

void LineBoardForm::setStandAlone(bool on) { g_standAlone = on; }
bool LineBoardForm::isStandAlone() { return g_standAlone; }

LineBoardForm::LineBoardForm() : Form(QStringLiteral("frmLineBoard"), Kind::TopLevel) {
    setCaption(QStringLiteral("Line Board"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kBackground);
    setPalette(pal);

    auto* bar = new QHBoxLayout;
    auto* title = new QLabel(QStringLiteral("Line Board"), this);
    title->setObjectName(QStringLiteral("lblTitle"));
    styleLabel(title, Qt::white);
    auto* facilityLabel = new QLabel(QStringLiteral("&Facility"), this);
    facilityLabel->setObjectName(QStringLiteral("lblFacility"));
    styleLabel(facilityLabel, QColor(0xb8, 0xc0, 0xcc));
    m_facility = new QComboBox(this);
    m_facility->setObjectName(QStringLiteral("cboFacility"));
    m_facility->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    facilityLabel->setBuddy(m_facility);
    m_today = new QLabel(this);
    m_today->setObjectName(QStringLiteral("lblToday"));
    styleLabel(m_today, Qt::white);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("lblStatus"));
    styleLabel(m_status, QColor(0xb8, 0xc0, 0xcc));
    bar->addWidget(title);
    bar->addSpacing(40);
    bar->addWidget(facilityLabel);
    bar->addWidget(m_facility);
    bar->addSpacing(40);
    bar->addWidget(m_today);
    bar->addStretch(1);
    bar->addWidget(m_status);

    m_area = new QWidget(this);
    m_grid = new QGridLayout(m_area);
    m_grid->setContentsMargins(0, 0, 0, 0);
    m_grid->setSpacing(12);
    m_empty = new QLabel(this);
    m_empty->setObjectName(QStringLiteral("lblEmpty"));
    m_empty->setAlignment(Qt::AlignCenter);
    m_empty->setWordWrap(true);
    styleLabel(m_empty, QColor(0xb8, 0xc0, 0xcc));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 10, 16, 16);
    layout->addLayout(bar);
    layout->addWidget(m_area, 1);
    layout->addWidget(m_empty, 1);
    resize(1280, 720);

    connect(m_facility, &QComboBox::currentIndexChanged, this, [this] { refresh(); });
    // Whatever has the focus on the board.
    auto* f11 = new QShortcut(QKeySequence(Qt::Key_F11), this);
    f11->setObjectName(QStringLiteral("keyF11"));
    connect(f11, &QShortcut::activated, this, &LineBoardForm::toggleFullScreen);
    auto* f5 = new QShortcut(QKeySequence(Qt::Key_F5), this);
    f5->setObjectName(QStringLiteral("keyF5"));
    connect(f5, &QShortcut::activated, this, [this] {
        m_history.clear();  // rows stored meanwhile for earlier days count too
        refresh();
    });
    m_dayTimer.setInterval(30000);
    connect(&m_dayTimer, &QTimer::timeout, this, &LineBoardForm::dayCheck);
}

void LineBoardForm::onLoad() {
    MousePointer::hourglass();
    setClosesOnEscape(!g_standAlone);
    m_day = QDate::currentDate();
    loadFacilities();
    refresh();
    m_dayTimer.start();
    // Every commit of any station, told within two seconds.
    connect(&ChangeWatcher::instance(), &ChangeWatcher::changed, this, &LineBoardForm::refresh);
    MousePointer::arrow();
    if (g_standAlone) {
        // The whole screen, also where no window manager sizes a full-screen window.
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            setGeometry(screen->geometry());
        showFullScreen();
    }
    m_facility->setFocus();
}

void LineBoardForm::onUnload() {
    m_dayTimer.stop();
    disconnect(&ChangeWatcher::instance(), nullptr, this, nullptr);
    m_db.close();
    if (!g_standAlone)
        FormRegistry::instance().returnFrom(objectName());
}

QString LineBoardForm::facility() const { return m_facility->currentText(); }

void LineBoardForm::loadFacilities() {
    const QString kept = facility();
    Status s;
    if (!m_db.isOpen() || m_db.path() != Schema::databaseName())
        s = m_db.open(Schema::databaseName(), Database::Mode::ReadOnly);
    QStringList names = s ? LineBoardData::facilities(m_db, m_day, &s) : QStringList();
    if (!kept.isEmpty() && !names.contains(kept))
        names.append(kept);
    names.sort();
    // The descriptions of the defect codes, for the tiles.
    m_defectNames.clear();
    SqlStatement codes(m_db, QStringLiteral("SELECT defectcode, defectdescription FROM defects"));
    while (codes.next())
        m_defectNames.insert(codes.value(0).toString(), codes.value(1).toString());
    const QSignalBlocker quiet(m_facility);
    m_facility->clear();
    m_facility->addItems(names);
    m_facility->setCurrentIndex(qMax(0, int(names.indexOf(kept))));
}

void LineBoardForm::dayCheck() {
    if (QDate::currentDate() == m_day)
        return;
    m_day = QDate::currentDate();
    loadFacilities();
    refresh();
}

Status LineBoardForm::read() {
    if (facility().isEmpty()) {
        m_tiles.clear();
        return Status::ok();
    }
    // A file replaced by another (an exchange, a compaction by another
    // program) is read anew: on the file, each reading opens it again.
    Status s;
    if (!m_db.isOpen() || !m_db.isServer() || m_db.path() != Schema::databaseName())
        s = m_db.open(Schema::databaseName(), Database::Mode::ReadOnly);
    if (s)
        s = LineBoardData::read(m_db, facility(), m_day, &m_tiles, &m_history);
    return s;
}

bool LineBoardForm::refresh() {
    const Status s = read();
    m_today->setText(QStringLiteral("Today ") + DateText::shown(m_day));
    if (s)
        m_status->setText(QStringLiteral("Updated %1").arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss"))));
    else
        m_status->setText(s.error());
    if (s)
        showTiles();
    emit refreshed();
    return s.isOk();
}

void LineBoardForm::showTiles() {
    while (m_tileWidgets.size() > m_tiles.size())
        delete m_tileWidgets.takeLast();
    while (m_tileWidgets.size() < m_tiles.size())
        m_tileWidgets.append(new LineBoardTile(m_area));
    for (int i = 0; i < m_tiles.size(); ++i)
        m_tileWidgets[i]->setTile(m_tiles[i], m_defectNames);
    m_empty->setText(facility().isEmpty() ? QStringLiteral("No rows in the last 30 days.")
                                          : QStringLiteral("No units inspected today at facility %1.").arg(facility()));
    m_empty->setVisible(m_tiles.isEmpty());
    m_area->setVisible(!m_tiles.isEmpty());
    // The arrangement whose tiles can carry the largest type.
    const int n = int(m_tileWidgets.size());
    const double width = qMax(1, m_area->width() > 100 ? m_area->width() : this->width());
    const double height = qMax(1, m_area->height() > 100 ? m_area->height() : this->height() - 80);
    int best = 1;
    double bestLine = 0;
    for (int rows = 1; rows <= qMax(1, n); ++rows) {
        const int cols = (n + rows - 1) / rows;
        const double line = qMin(height / rows / 16.0, width / qMax(1, cols) / 11.0);
        if (line > bestLine) {
            bestLine = line;
            best = rows;
        }
    }
    const int cols = qMax(1, (n + best - 1) / best);
    for (LineBoardTile* t : m_tileWidgets)
        m_grid->removeWidget(t);
    for (int i = 0; i < n; ++i)
        m_grid->addWidget(m_tileWidgets[i], i / cols, i % cols);
}

void LineBoardForm::toggleFullScreen() {
    QWidget* w = window_();
    w->setWindowState(w->windowState() ^ Qt::WindowFullScreen);
}

void LineBoardForm::resizeEvent(QResizeEvent* event) {
    Form::resizeEvent(event);
    // The bar's type follows the screen, as the tiles' does.
    QFont f = font();
    f.setPixelSize(qMax(16, height() / 32));
    for (QWidget* w : {static_cast<QWidget*>(m_facility), static_cast<QWidget*>(m_today),
                       static_cast<QWidget*>(m_status), findChild<QWidget*>(QStringLiteral("lblFacility"))})
        w->setFont(f);
    QFont big = f;
    big.setBold(true);
    big.setPixelSize(qMax(20, height() / 24));
    findChild<QWidget*>(QStringLiteral("lblTitle"))->setFont(big);
    m_empty->setFont(big);
    showTiles();
}
