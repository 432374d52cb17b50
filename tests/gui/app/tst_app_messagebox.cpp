#include "QuestionAnswers.h"
#include "gui/app/AdaptImage.h"
#include "gui/app/RunRivulet.h"
#include "gui/app/ZrMessageBox.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <functional>

namespace {
enum Action
{
    PressEscape,
    PressEnter,
    CloseTitleBar,
    ShiftEscape
};

// Runs a real box and acts on it from inside its modal loop.
int RunBox(int buttons, int kind, const std::function<void(ZrMessageBox*)>& act)
{
    bool acted = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<ZrMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            return;
        }
        acted = true;
        act(box);
    });
    const int result = ShowMessageBox(QStringLiteral("Proceed?"), buttons, kind);
    if (!acted) {
        return -1000;
    }
    return result;
}
} // namespace

class TstAppMessageBox : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void results_data();
    void results();
    void clickingAButton();
    void askQuestion();
    void hookAnswersWithoutABox();
    void layout();
    void icons_data();
    void icons();
    void skinImages();
};

void TstAppMessageBox::initTestCase()
{
    InitRivuletResources();
}

void TstAppMessageBox::results_data()
{
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("action");
    QTest::addColumn<int>("expected");

    QTest::newRow("ok+cancel escape") << 48 << int(PressEscape) << 32;
    QTest::newRow("ok+cancel enter") << 48 << int(PressEnter) << 32;
    QTest::newRow("ok+cancel title bar") << 48 << int(CloseTitleBar) << 32;
    QTest::newRow("yes+no escape") << 3 << int(PressEscape) << 2;
    QTest::newRow("yes+no enter") << 3 << int(PressEnter) << 2;
    QTest::newRow("ok only escape keeps ok") << 16 << int(PressEscape) << 16;
    QTest::newRow("yes only escape keeps yes") << 1 << int(PressEscape) << 1;
    QTest::newRow("no buttons escape") << 0 << int(PressEscape) << 0;
    QTest::newRow("no buttons close") << 0 << int(CloseTitleBar) << 0;
    QTest::newRow("all escape is cancel") << 63 << int(PressEscape) << 32;
    QTest::newRow("all enter is no") << 63 << int(PressEnter) << 2;
    QTest::newRow("yes+no+no-to-all escape") << (1 | 2 | 8) << int(PressEscape) << 2;
    QTest::newRow("to-all pair escape") << (4 | 8) << int(PressEscape) << 8;
    QTest::newRow("to-all pair enter") << (4 | 8) << int(PressEnter) << 8;
    QTest::newRow("shift+escape leaves the default") << (16 | 32 | 1) << int(ShiftEscape) << 1;
}

void TstAppMessageBox::results()
{
    QFETCH(int, buttons);
    QFETCH(int, action);
    QFETCH(int, expected);
    const int result = RunBox(buttons, 4, [action](ZrMessageBox* box) {
        switch (action) {
        case PressEscape:
            QTest::keyClick(box, Qt::Key_Escape);
            break;
        case ShiftEscape:
            QTest::keyClick(box, Qt::Key_Escape, Qt::ShiftModifier);
            box->close();
            break;
        case PressEnter:
            QTest::keyClick(box, Qt::Key_Return);
            // Without a default button Enter does nothing; do not hang the test.
            if (box->isVisible()) {
                box->close();
            }
            break;
        case CloseTitleBar:
            box->close();
            break;
        }
    });
    QCOMPARE(result, expected);
}

void TstAppMessageBox::clickingAButton()
{
    for (int flag : {1, 2, 4, 8, 16, 32}) {
        const int result = RunBox(63, 3, [flag](ZrMessageBox* box) {
            auto* button = box->findChild<QPushButton*>(QStringLiteral("button%1").arg(flag));
            QVERIFY(button);
            QTest::mouseClick(button, Qt::LeftButton);
        });
        QCOMPARE(result, flag);
    }
}

void TstAppMessageBox::askQuestion()
{
    int buttons = -1;
    int kind = -1;
    QString text;
    bool isModal = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<ZrMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        buttons = box->GetButtons();
        kind = box->findChild<AdaptImage*>()->imagePath() == ZrMessageBox::IconPath(4) ? 4 : 0;
        text = box->findChild<QLabel*>(QStringLiteral("messageText"))->text();
        isModal = box->isModal();
        QTest::keyClick(box, Qt::Key_Escape);
    });
    QCOMPARE(AskQuestion(QStringLiteral("Quit?")), 32);
    QCOMPARE(buttons, 48);
    QCOMPARE(kind, 4);
    QCOMPARE(text, QStringLiteral("Quit?"));
    QVERIFY(isModal);
}

void TstAppMessageBox::hookAnswersWithoutABox()
{
    QuestionAnswers answers;
    answers.pushOk();
    answers.push(2);
    QCOMPARE(answers.pending(), 2);
    QCOMPARE(AskQuestion(QStringLiteral("First?")), 16);
    QCOMPARE(ShowMessageBox(QStringLiteral("Second?"), 3, 1), 2);
    QCOMPARE(answers.pending(), 0);
    QCOMPARE(answers.asked(), QStringList({"First?", "Second?"}));
    QVERIFY(!QApplication::activeModalWidget());
}

void TstAppMessageBox::layout()
{
    ZrMessageBox box(
        QStringLiteral("A rather long question text that has to wrap over several lines of the box"), 63, 1);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QCOMPARE(box.size(), QSize(300, 200));
    QCOMPARE(box.minimumSize(), QSize(300, 200));
    QCOMPARE(box.maximumSize(), QSize(300, 200));
    QCOMPARE(box.windowTitle(), QStringLiteral("IDCS_WINTITLE"));

    // Creation order: yes to all, no to all, OK, cancel, yes, no; the last is the default.
    QList<QPushButton*> row;
    for (int flag : {4, 8, 16, 32, 1, 2}) {
        auto* b = box.findChild<QPushButton*>(QStringLiteral("button%1").arg(flag));
        QVERIFY(b);
        row.append(b);
    }
    QCOMPARE(row.last()->isDefault(), true);
    QCOMPARE(box.GetResult(), 2);
    for (int i = 0; i < row.size(); ++i) {
        QCOMPARE(row[i]->y(), box.height() - 50);
        if (i > 0) {
            QCOMPARE(row[i]->x(), row[i - 1]->x() + row[i - 1]->width() + 10);
        }
        QCOMPARE(row[i]->width(), row[i]->fontMetrics().horizontalAdvance(row[i]->text()) + 45);
    }
    const int left = row.first()->x();
    const int right = box.width() - (row.last()->x() + row.last()->width());
    QVERIFY2(qAbs(left - right) <= 1, qPrintable(QStringLiteral("%1 vs %2").arg(left).arg(right)));

    auto* label = box.findChild<QLabel*>(QStringLiteral("messageText"));
    auto* icon = box.findChild<AdaptImage*>();
    QVERIFY(label->wordWrap());
    QVERIFY(label->geometry().left() >= icon->geometry().right());
    QVERIFY(label->geometry().bottom() < row.first()->y());
    QVERIFY(label->geometry().right() < box.width());
}

void TstAppMessageBox::icons_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("path");
    QTest::newRow("none") << 0 << QString();
    QTest::newRow("warning") << 1 << ":/message/skin/Warning.png";
    QTest::newRow("error") << 2 << ":/message/skin/Error.png";
    QTest::newRow("information") << 3 << ":/message/skin/Information.png";
    QTest::newRow("question") << 4 << ":/message/skin/Question.png";
    QTest::newRow("unknown") << 9 << QString();
}

void TstAppMessageBox::icons()
{
    QFETCH(int, kind);
    QFETCH(QString, path);
    ZrMessageBox box(QStringLiteral("x"), 16, kind);
    auto* icon = box.findChild<AdaptImage*>();
    QVERIFY(icon);
    QCOMPARE(icon->imagePath(), path);
    QCOMPARE(icon->isVisibleTo(&box), !path.isEmpty());
    if (!path.isEmpty()) {
        QCOMPARE(QImage(path).size(), QSize(64, 64));
        QVERIFY(icon->styleSheet().contains(QStringLiteral("image:url(%1)").arg(path)));
    }
}

void TstAppMessageBox::skinImages()
{
    // Four states side by side, as the style sheets slice them.
    QCOMPARE(QImage(":/combox/skin/combox_down.png").size(), QSize(64, 16));
    for (const char* name : {"cebian_left", "cebian_right"}) {
        QCOMPARE(QImage(QStringLiteral(":/cebian/skin/%1.png").arg(name)).size(), QSize(56, 60));
    }
    for (const char* name : {"cebian_down", "cebian_up"}) {
        QCOMPARE(QImage(QStringLiteral(":/cebian/skin/%1.png").arg(name)).size(), QSize(240, 14));
    }
    QVERIFY(!QImage(":/ico/skin/logo.png").isNull());
    QVERIFY(!QImage(":/ico/skin/app.png").isNull());
}

QTEST_MAIN(TstAppMessageBox)
#include "tst_app_messagebox.moc"
