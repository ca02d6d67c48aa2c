#include "TestWindow.h"
#include "core/text/Gb18030.h"
#include "platform/QtDialogs.h"

#include "app/MainWindowUi.h"
#include "core/text/RegularFile.h"
#include "import/Importer.h"
#include "textbox/TextEditor.h"
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>

#include <QAbstractItemView>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringEncoder>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

using namespace rw;

namespace {

const QString kChinese = QStringLiteral("中文：测试，第二行");

// GB18030 through the program's own codec (Qt has no converter for it without ICU), the rest through Qt.
QByteArray encoded(const char *encoding, const QString &text) {
    if (qstrcmp(encoding, "GB18030") == 0)
        return rw::toGb18030(text);
    QStringEncoder encoder(encoding);
    return encoder.encode(text);
}

class Fixture {
public:
    Fixture() { box->setPlainText(QStringLiteral("old text")); }

    TestWindow t;
    TextEditor *box = t.find<TextEditor>("编辑框_源文本");
    Importer *importer = t.window().importer();

    QString write(const QString &name, const QByteArray &bytes) {
        const QString path = QDir(t.desktopDir.path()).filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qWarning("can't write %s", qPrintable(path));
        return path;
    }
    void importWithButton(const QString &path) {
        t.dialogs.files.push_back(path);
        QTest::mouseClick(t.find<QPushButton>("按钮_本地导入"), Qt::LeftButton);
    }
    bool waitForLoad() {
        return QTest::qWaitFor([this] { return !importer->isLoading(); }, 30000);
    }
    void drop(const QStringList &paths, QWidget *target = nullptr) { t.dropFiles(paths, target); }
};

} // namespace

class TestImport final : public QObject {
    Q_OBJECT
private slots:
    void decodes_data();
    void decodes();
    void dialogAsksForTxtOnDesktop();
    void typedFullPathWithoutSuffixLoads();
    void cancelKeepsText();
    void unreadableKeepsText_data();
    void unreadableKeepsText();
    void dropLoadsFirstFileOfAnyKind();
    void dropOnTextBoxLoads();
    void lastChosenWins();
    void aBigFileShowsItsFirstScreenFirst_data();
    void aBigFileShowsItsFirstScreenFirst();
    void aCloseDuringTheFirstScreenSavesTheTextFromBefore();
};

void TestImport::decodes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");

    QTest::newRow("GB18030") << encoded("GB18030", kChinese) << kChinese;
    QTest::newRow("UTF-8 without BOM") << kChinese.toUtf8() << kChinese;
    QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF") + kChinese.toUtf8() << kChinese;
    QTest::newRow("UTF-16LE with BOM") << QByteArray("\xFF\xFE") + encoded("UTF-16LE", kChinese) << kChinese;
    QTest::newRow("UTF-16BE with BOM") << QByteArray("\xFE\xFF") + encoded("UTF-16BE", kChinese) << kChinese;
    QTest::newRow("zero byte ends the text") << QByteArray("abc\0def", 7) << QStringLiteral("abc");
    QTest::newRow("zero byte first") << QByteArray("\0abc", 4) << QString();
    QTest::newRow("empty file") << QByteArray() << QString();
    QTest::newRow("CRLF lines") << QByteArray("one\r\ntwo\r\n") << QStringLiteral("one\ntwo\n");
    const QString fffd(QChar::ReplacementCharacter);
    QTest::newRow("UTF-8 cut short") << kChinese.toUtf8() + "\xE4\xB8" << kChinese + fffd;
    QTest::newRow("GB18030 cut short") << encoded("GB18030", kChinese) + "\x81" << kChinese + fffd;
    QTest::newRow("UTF-16LE odd last byte")
        << QByteArray("\xFF\xFE") + encoded("UTF-16LE", kChinese) + "A" << kChinese + fffd;
}

void TestImport::decodes() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    Fixture f;
    f.box->setCursorPosition(f.box->size());
    f.box->insertPlainText(QStringLiteral(", edited"));
    QVERIFY(f.box->isUndoAvailable());
    f.importWithButton(f.write(QStringLiteral("in.txt"), bytes));
    QVERIFY(f.waitForLoad());
    // The whole content is replaced, never appended to, and the undo history starts over with it.
    QCOMPARE(f.box->toPlainText(), expected);
    QCOMPARE(f.t.dialogs.asked.size(), 1);
    QVERIFY(!f.box->isUndoAvailable());
}

void TestImport::dialogAsksForTxtOnDesktop() {
    Fixture f;
    f.importWithButton(QString());
    QCOMPARE(f.t.dialogs.asked.size(), 1);
    QCOMPARE(f.t.dialogs.asked[0].kind, QStringLiteral("file"));
    QCOMPARE(f.t.dialogs.asked[0].caption, QStringLiteral("请选择txt文本"));
    QCOMPARE(f.t.dialogs.lastFileDir, f.t.desktopDir.path());
    const QStringList filters = f.t.dialogs.lastFileFilter.split(QStringLiteral(";;"));
    QCOMPARE(filters.size(), 2);
    QVERIFY(filters[0].startsWith(QStringLiteral("(*.txt)")));
    QCOMPARE(filters[1], QStringLiteral("所有文件 (*)"));
    QCOMPARE(f.t.dialogs.lastFileSuffix, QStringLiteral("txt"));
}

void TestImport::typedFullPathWithoutSuffixLoads() {
    Fixture f;
    f.importWithButton(f.write(QStringLiteral("services"), QByteArray("tcpmux 1/tcp\n")));
    QVERIFY(f.waitForLoad());
    QCOMPARE(f.box->toPlainText(), QStringLiteral("tcpmux 1/tcp\n"));

    // The program's own dialog takes a typed name of an existing file as it is, and still adds the
    // suffix to a name that exists only with it.
    QTemporaryDir dir;
    QFile plain(dir.filePath(QStringLiteral("services"))), txt(dir.filePath(QStringLiteral("notes.txt")));
    QVERIFY(plain.open(QIODevice::WriteOnly) && txt.open(QIODevice::WriteOnly));
    for (const auto &[typed, expected] : {std::pair{plain.fileName(), plain.fileName()},
                                          std::pair{dir.filePath(QStringLiteral("notes")), txt.fileName()}}) {
        QTimer::singleShot(0, [typed = typed] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            if (auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                edit->setText(typed);
            QMetaObject::invokeMethod(dialog, "accept");
        });
        QtDialogs dialogs;
        QCOMPARE(dialogs.chooseOpenFile(nullptr, QStringLiteral("t"),
                                        QStringLiteral("(*.txt) (*.txt);;所有文件 (*)"), dir.path(),
                                        QStringLiteral("txt")),
                 expected);
    }
}

void TestImport::cancelKeepsText() {
    Fixture f;
    f.importWithButton(QString());
    QVERIFY(!f.importer->isLoading());
    QCOMPARE(f.box->toPlainText(), QStringLiteral("old text"));
}

void TestImport::unreadableKeepsText_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing file") << "missing"
                                  << "does not exist";
    QTest::newRow("a directory") << "directory"
                                 << "is a directory";
#ifndef Q_OS_WIN
    QTest::newRow("a FIFO") << "fifo"
                            << "is a FIFO, not a regular file";
    QTest::newRow("a link to /dev/zero") << "zero"
                                         << "is a character device, not a regular file";
#endif
    QTest::newRow("a sparse file above the limit")
        << "sparse" << QStringLiteral("is too large: %1 bytes").arg(kMaxTextFileBytes + 1);
}

void TestImport::unreadableKeepsText() {
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    Fixture f;
    const QString path = QDir(f.t.desktopDir.path()).filePath("in.txt");
    if (kind == "directory")
        QVERIFY(QDir().mkdir(path));
#ifndef Q_OS_WIN
    else if (kind == "fifo")
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
#endif
    else if (kind == "zero")
        QVERIFY(QFile::link("/dev/zero", path));
    else if (kind == "sparse") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(kMaxTextFileBytes + 1));
    }
    f.importWithButton(path);
    QVERIFY(f.waitForLoad());
    QCOMPARE(f.box->toPlainText(), QStringLiteral("old text"));
    QCOMPARE(f.t.dialogs.asked.size(), 2);
    const auto told = f.t.dialogs.asked[1];
    QCOMPARE(told.kind, QStringLiteral("tell"));
    QCOMPARE(told.caption, QStringLiteral("信息："));
    QCOMPARE(told.icon, Dialogs::Icon::Warning);
    QVERIFY2(told.text.contains(path), qPrintable(told.text));
    QVERIFY2(told.text.contains(reason), qPrintable(told.text));
}

void TestImport::dropLoadsFirstFileOfAnyKind() {
    Fixture f;
    const QString first = f.write(QStringLiteral("first.log"), "from the first");
    const QString second = f.write(QStringLiteral("second.txt"), "from the second");
    f.drop({first, second});
    QVERIFY(f.waitForLoad());
    QCOMPARE(f.box->toPlainText(), QStringLiteral("from the first"));
    QVERIFY(f.t.dialogs.asked.isEmpty());
}

void TestImport::dropOnTextBoxLoads() {
    Fixture f;
    const QString path = f.write(QStringLiteral("dropped.md"), "dropped text");
    // A text box would insert the file's name; the drop loads the file instead.
    f.drop({path}, f.box->viewport());
    QVERIFY(f.waitForLoad());
    QCOMPARE(f.box->toPlainText(), QStringLiteral("dropped text"));
    f.drop({f.write(QStringLiteral("other.txt"), "second drop")}, f.t.find<QWidget>("编辑框_关键字"));
    QVERIFY(f.waitForLoad());
    QCOMPARE(f.box->toPlainText(), QStringLiteral("second drop"));
}

void TestImport::lastChosenWins() {
    Fixture f;
    QByteArray big;
    for (int i = 0; i < 200000; ++i)
        big += "a long line of the first file\r\n";
    const QString slow = f.write(QStringLiteral("big.txt"), big);
    const QString quick = f.write(QStringLiteral("small.txt"), "the last one chosen");
    f.importWithButton(slow);
    f.drop({quick});
    QVERIFY(f.waitForLoad());
    // Whatever the superseded load was going to deliver has been delivered by now.
    f.t.settle();
    QCOMPARE(f.box->toPlainText(), QStringLiteral("the last one chosen"));
    f.drop({quick});
    f.importWithButton(slow);
    QVERIFY(f.waitForLoad());
    f.t.settle();
    QCOMPARE(f.box->store().lineCount(), 200001);
}

namespace {
// A file of more than 4 MB: numbered lines with Chinese and an emoji, so that the 256 KB read first ends
// inside a line and, likely, inside a character.
QByteArray bigFile(const char *encoding, int *lines) {
    QString text;
    for (*lines = 0; text.size() < 4'200'000; ++*lines)
        text += QStringLiteral("第 %1 行，测试 😀 text\r\n").arg(*lines);
    return encoded(encoding, text);
}
} // namespace

void TestImport::aBigFileShowsItsFirstScreenFirst_data() {
    QTest::addColumn<QByteArray>("encoding");
    QTest::addColumn<bool>("dropped");
    QTest::newRow("UTF-8, chosen") << QByteArray("UTF-8") << false;
    QTest::newRow("GB18030, dropped") << QByteArray("GB18030") << true;
    QTest::newRow("UTF-16 with its mark, chosen") << QByteArray("UTF-16LE-BOM") << false;
}

// A big file shows its first whole lines at once, read-only, then the whole text, editable. A Match
// pressed meanwhile lists the whole file's matches, not the first screen's.
void TestImport::aBigFileShowsItsFirstScreenFirst() {
    QFETCH(QByteArray, encoding);
    QFETCH(bool, dropped);
    Fixture f;
    int lines = 0;
    QByteArray bytes = encoding == "UTF-16LE-BOM" ? QByteArray("\xFF\xFE") + bigFile("UTF-16LE", &lines)
                                                  : bigFile(encoding.constData(), &lines);
    QVERIFY(bytes.size() > 4 * 1024 * 1024);
    const QString path = f.write(QStringLiteral("big.txt"), bytes);
    bytes = QByteArray();
    f.t.find<QPlainTextEdit>("编辑框_表达式")->setPlainText(QStringLiteral("第 (\\d+) 行"));

    QStringList shown;
    QList<bool> readOnly;
    connect(f.box, &TextEditor::textReplaced, this, [&] {
        shown.append(f.box->toPlainText());
        readOnly.append(f.box->isReadOnly());
        if (shown.size() == 1)
            QTest::mouseClick(f.t.find<QPushButton>("按钮_匹配"), Qt::LeftButton);
    });
    if (dropped)
        f.drop({path});
    else
        f.importWithButton(path);
    QVERIFY(f.waitForLoad());
    QCOMPARE(shown.size(), 2);
    QCOMPARE(readOnly, (QList<bool>{true, false}));
    QVERIFY(shown[0].size() < shown[1].size());
    QVERIFY(shown[0].endsWith(u'\n'));
    QVERIFY(shown[1].startsWith(shown[0]));
    QVERIFY(shown[0].startsWith(QStringLiteral("第 0 行，测试 😀 text\n第 1 行")));
    QTRY_COMPARE_WITH_TIMEOUT(f.t.find<QPushButton>("按钮_匹配")->text(), QStringLiteral("匹配"), 30000);
    QAbstractItemModel *results = f.t.find<QAbstractItemView>("超级列表框_结果")->model();
    QCOMPARE(results->rowCount(), lines);
    QCOMPARE(results->index(lines - 1, 2).data().toString(), QString::number(lines - 1));
}

// A close confirmed while a big file is still coming in saves the text from before the import.
void TestImport::aCloseDuringTheFirstScreenSavesTheTextFromBefore() {
    Fixture f;
    int lines = 0;
    const QString path = f.write(QStringLiteral("big.txt"), bigFile("UTF-8", &lines));
    bool closed = false;
    connect(f.box, &TextEditor::textReplaced, this, [&] {
        if (closed)
            return;
        closed = true;
        QVERIFY(f.box->isReadOnly());
        f.t.dialogs.yesNo.push_back(true);
        f.t.window().close();
    });
    f.importWithButton(path);
    QTRY_VERIFY_WITH_TIMEOUT(!f.t.window().isVisible(), 30000);
    QCOMPARE(f.box->toPlainText(), QStringLiteral("old text"));
    QFile saved(QDir(f.t.programDir.path()).filePath(QStringLiteral("test.txt")));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray("old text"));
}

QTEST_MAIN(TestImport)
#include "tst_import.moc"
