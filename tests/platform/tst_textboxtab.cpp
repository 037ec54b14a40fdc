#include <QTest>

#include "platform/TextBox.h"

// Tabbing into a text box that selects on entering selects its whole text.
class TestTextBoxTab : public QObject {
    Q_OBJECT
private slots:
    void tabSelectsTheWholeText() {
        QWidget w;
        auto* a = new TextBox(QStringLiteral("a"), &w);
        auto* b = new TextBox(QStringLiteral("b"), &w);
        b->move(0, 40);
        b->setSelectOnEnter(true);
        b->setText(QStringLiteral("AB"));
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        a->setFocus();
        QTest::keyClick(a, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), b);
        QCOMPARE(b->selectedText(), QStringLiteral("AB"));
        QTest::keyClicks(b, QStringLiteral("c"));
        QCOMPARE(b->text(), QStringLiteral("c"));
    }
};

QTEST_MAIN(TestTextBoxTab)
#include "tst_textboxtab.moc"
