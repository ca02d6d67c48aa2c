#include "TestWindow.h"
#include "app/MainWindowUi.h"

#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace rw;

namespace {

const QString kUntouched = QStringLiteral("untouched");

// Large enough that every kind of run is still going when the window goes away.
const QString &bigText() {
    static const QString text = QStringLiteral("ab12 cd34\n").repeated(400000);
    return text;
}

QString writeBigFile(const QString &dir, const QString &name) {
    const QString path = QDir(dir).filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bigText().toUtf8());
    return path;
}

bool fillResults(TestWindow &t) {
    t.setInputs(QStringLiteral("(\\w)(\\w)"), bigText());
    return t.clickAndWait(QStringLiteral("按钮_匹配"), QStringLiteral("匹配"), 60000);
}

void dropFile(QWidget *on, const QString &path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    const QPoint at = on->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(on, &enter);
    QDropEvent dropped(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(on, &dropped);
}

using Start = std::function<void(TestWindow &)>;

} // namespace

Q_DECLARE_METATYPE(Start)

// Destroys the window in the middle of each kind of background run: nothing of the run may show, ask,
// write or crash afterwards (the sanitizer build checks the memory side).
class TestLifetime final : public QObject {
    Q_OBJECT
private slots:
    void windowGoesAwayMidRun_data();
    void windowGoesAwayMidRun();
    void windowGoesAwayDuringStartUpLoad();
};

void TestLifetime::windowGoesAwayMidRun_data() {
    QTest::addColumn<Start>("start");
    QTest::newRow("match") << Start([](TestWindow &t) {
        t.setInputs(QStringLiteral("(\\w)(\\w)"), bigText());
        QTest::mouseClick(t.find<QPushButton>(QStringLiteral("按钮_匹配")), Qt::LeftButton);
    });
    QTest::newRow("replace") << Start([](TestWindow &t) {
        t.setInputs(QStringLiteral("(\\w)(\\w)"), bigText());
        t.dialogs.texts.push_back(QStringLiteral("$2$1"));
        QTest::mouseClick(t.find<QPushButton>(QStringLiteral("按钮_替换")), Qt::LeftButton);
    });
    QTest::newRow("export to the clipboard") << Start([](TestWindow &t) {
        QVERIFY(fillResults(t));
        t.dialogs.texts.push_back(QStringLiteral("{1}{2}{3}{4}#换行符"));
        t.action(QStringLiteral("匹配结果右键菜单"), QStringLiteral("导出到剪辑板"))->trigger();
    });
    QTest::newRow("export to a desktop file") << Start([](TestWindow &t) {
        QVERIFY(fillResults(t));
        t.dialogs.texts.push_back(QStringLiteral("{1}{2}{3}{4}#换行符"));
        t.dialogs.texts.push_back(QStringLiteral("late"));
        t.action(QStringLiteral("匹配结果右键菜单"), QStringLiteral("导出到桌面txt"))->trigger();
    });
    QTest::newRow("copy all of the source text") << Start([](TestWindow &t) {
        t.setInputs(QString(), bigText());
        t.action(QStringLiteral("源文本右键菜单"), QStringLiteral("复制全部"))->trigger();
    });
    QTest::newRow("import") << Start([](TestWindow &t) {
        t.dialogs.files.push_back(writeBigFile(t.programDir.path(), QStringLiteral("big.txt")));
        QTest::mouseClick(t.find<QPushButton>(QStringLiteral("按钮_本地导入")), Qt::LeftButton);
    });
    QTest::newRow("drop") << Start([](TestWindow &t) {
        dropFile(&t.window(), writeBigFile(t.programDir.path(), QStringLiteral("big.txt")));
    });
    QTest::newRow("keyword search") << Start([](TestWindow &t) {
        t.setInputs(QString(), bigText());
        t.find<QLineEdit>(QStringLiteral("编辑框_关键字"))->setText(QStringLiteral("cd"));
        QTest::mouseClick(t.find<QPushButton>(QStringLiteral("按钮_搜索关键字")), Qt::LeftButton);
    });
}

void TestLifetime::windowGoesAwayMidRun() {
    QFETCH(Start, start);

    TestWindow t;
    QGuiApplication::clipboard()->setText(kUntouched);
    start(t);
    if (QTest::currentTestFailed())
        return;
    const qsizetype asked = t.dialogs.asked.size();
    t.destroyWindow();

    t.settle();
    QCOMPARE(t.dialogs.asked.size(), asked);
    QCOMPARE(QGuiApplication::clipboard()->text(), kUntouched);
    QVERIFY(QDir(t.desktopDir.path()).isEmpty());
}

void TestLifetime::windowGoesAwayDuringStartUpLoad() {
    TestWindow t([](const QString &dir) { writeBigFile(dir, QStringLiteral("test.txt")); }, false);
    t.destroyWindow();
    t.settle();
    QVERIFY(t.dialogs.asked.isEmpty());
    // Nothing was saved: the files are written only when a close is confirmed.
    QCOMPARE(QFileInfo(QDir(t.programDir.path()).filePath(QStringLiteral("test.txt"))).size(),
             qint64(bigText().toUtf8().size()));
}

QTEST_MAIN(TestLifetime)
#include "tst_lifetime.moc"
