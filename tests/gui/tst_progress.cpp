#include "TestWindow.h"
#include "app/MainWindowUi.h"

#include <QLabel>
#include <QTimer>

using namespace rw;

// A Match or Replace that runs longer than half a second says how far it is; its final status is the
// usual one. The lookahead makes each match scan to the end of the text, so the run takes a while (its time
// grows with the square of the text: 90000 characters take well over the half second on any machine).
class TestProgress final : public QObject {
    Q_OBJECT
private slots:
    void longRunsShowProgress_data();
    void longRunsShowProgress();
};

void TestProgress::longRunsShowProgress_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("idleCaption");
    QTest::addColumn<QString>("progressPrefix");
    QTest::addColumn<QString>("final");
    QTest::newRow("match") << QStringLiteral("按钮_匹配") << QStringLiteral("匹配")
                           << QStringLiteral("正在匹配… 已找到 ")
                           << QStringLiteral("正则匹配成功,匹配数量: 90000 -子匹配数量: 0");
    QTest::newRow("replace") << QStringLiteral("按钮_替换") << QStringLiteral("替换")
                             << QStringLiteral("正在替换… ") << QStringLiteral("替换完毕");
}

void TestProgress::longRunsShowProgress() {
    QFETCH(QString, button);
    QFETCH(QString, idleCaption);
    QFETCH(QString, progressPrefix);
    QFETCH(QString, final);

    TestWindow t;
    t.setInputs(QStringLiteral("a(?=[\\s\\S]*c)"), QString(90000, u'a') + u'c');
    t.dialogs.texts.push_back(QStringLiteral("b"));
    QStringList shown;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
        if (shown.isEmpty() || shown.last() != t.status())
            shown << t.status();
    });
    watch.start(20);
    QVERIFY(t.clickAndWait(button, idleCaption, 60000));
    watch.stop();
    QCOMPARE(t.status(), final);
    const auto progress = std::find_if(shown.cbegin(), shown.cend(),
                                       [&](const QString &s) { return s.startsWith(progressPrefix); });
    QVERIFY2(progress != shown.cend(), qPrintable(shown.join(u'|')));
}

QTEST_MAIN(TestProgress)
#include "tst_progress.moc"
