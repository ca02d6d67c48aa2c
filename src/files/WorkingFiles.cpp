#include "WorkingFiles.h"

#include "core/rules/BuiltInRules.h"
#include "core/rules/RulesCodec.h"
#include "core/tasks/TaskPool.h"
#include "core/text/DocumentText.h"
#include "core/text/LineBreaks.h"
#include "core/text/WorkingFile.h"
#include "core/textbox/TextStore.h"
#include "platform/AppContext.h"
#include "platform/Dialogs.h"
#include "textbox/BoxText.h"
#include "textbox/LargeText.h"
#include "textbox/TextEditor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <memory>
#include <optional>

namespace rw {

namespace {

const QString ExpressionFile = QStringLiteral("bds.txt");
const QString NotesFile = QStringLiteral("jl.txt");
const QString SourceFile = QStringLiteral("test.txt");
const QString RulesFile = QStringLiteral("gz.txt");
const QString ExpressionTestsFile = testsPathFor(ExpressionFile);
const QString RulesTestsFile = testsPathFor(RulesFile);

// The files are read once the window has painted itself for the first time, or after this long when it
// has not (a window that starts hidden). Read at once, a big test.txt would take the processor from
// that first paint: on two cores, reading and decoding 60 M characters stretched it from about 15 ms to
// 50-100.
constexpr std::chrono::milliseconds kLatestRead{300};

// Whether a file read with this outcome is left as it is at close unless its control changes: one that was
// read, or a regular one that could not be (too large, say), which a save of an empty control would
// destroy. Anything else standing at the path is written to at close, which refuses it with its reason.
bool keepsItsBytes(const QString &path, FileReadStatus status) {
    return status == FileReadStatus::Ok ||
           (status == FileReadStatus::Failed && nonRegularReason(path).isEmpty());
}

// Asked when files could not be written: one line per file, "name: reason".
QString notSavedQuestion(const QStringList &failed) {
    return QStringLiteral("以下文件未能保存:\r\n%1\r\n\r\n是否仍然关闭本工具?").arg(failed.join(QStringLiteral("\r\n")));
}

// A small box's text as a snapshot, so that every box is told unchanged by the same comparison.
TextSnapshot boxSnapshot(const QTextDocument *doc) {
    return TextStore(paragraphsToLineFeeds(doc->toRawText())).snapshot();
}

} // namespace

WorkingFiles::WorkingFiles(const WorkingFilesWidgets &widgets, BoxLoader &sourceLoader, AppContext &context,
                           std::function<QList<Rule>()> currentRules, QObject *parent)
    : QObject(parent), m_ui(widgets), m_sourceLoader(sourceLoader), m_context(context),
      m_currentRules(std::move(currentRules)) {
    // Another text (an import, say) is never the loaded one: the loaded text need not stay in memory.
    connect(m_ui.sourceText, &TextEditor::textReplaced, this, [this] {
        if (m_keptSourceRevision) {
            m_keptSourceRevision.reset();
            freeInBackground(std::exchange(m_keptSource, std::nullopt));
        }
    });
    // A close waits for a paste under way to go in.
    connect(&m_sourceLoader.runState(), &RunState::runningChanged, this, [this](bool running) {
        if (!running)
            closeIfAsked();
    });
    // Saved for a session's end that did not come, the window asks again at its close once a box changed.
    const auto changed = [this] {
        if (!isSaving())
            m_saved = false;
    };
    connect(m_ui.sourceText, &TextEditor::textChanged, this, changed);
    connect(m_ui.notes, &QPlainTextEdit::textChanged, this, changed);
    connect(m_ui.expression, &QPlainTextEdit::textChanged, this, changed);
}

WorkingFiles::~WorkingFiles() {
    abandon();
}

void WorkingFiles::abandon() {
    m_loader.stop();
}

void WorkingFiles::startLoading() {
    const RunState::Run run = m_loader.begin();
    struct Target {
        QString path;
        QPlainTextEdit *box; // only compared and used on the UI thread
        PlainDocumentSettings settings;
    };
    const QDir dir(m_context.programDir);
    // The source text goes in between, as a store rather than a document (box null).
    const QList<Target> targets{
        {dir.filePath(NotesFile), m_ui.notes, plainDocumentSettings(m_ui.notes)},
        {dir.filePath(SourceFile), nullptr, {}},
        {dir.filePath(ExpressionFile), m_ui.expression, plainDocumentSettings(m_ui.expression)}};
    const QString rulesPath = dir.filePath(RulesFile);
    const bool withTests = bool(m_currentTests);
    m_keptTests.clear();
    m_testsKeptOff.clear();
    m_testsDamage.clear();
    m_moreBoxEntries.clear();

    // The box's text stands for test.txt until the file is in: should a file dropped meanwhile take the
    // box and then give way to this text again, test.txt is not written over with it.
    const BoxLoader::Load sourceLoad = m_sourceLoader.begin(this);
    m_keptSource = m_ui.sourceText->snapshot();
    m_keptSourceRevision.reset();

    // The reading waits for the window's first paint (see startReading).
    m_read = [this, run, sourceLoad, rulesPath, targets, withTests, dir] {
        const auto readTests = [&](const QString &name) {
            if (!withTests)
                return;
            TestsFileRead read = readTestsFile(dir.filePath(name));
            run.deliver([this, name, read = std::move(read)] { showTests(name, read); });
        };
        QStringList failures;
        // A rules file made here from the built-in rules is written at close as one that was missing.
        // One that can't be created is read as missing: the library starts empty.
        const bool rulesExisted = QFileInfo::exists(rulesPath) || QFileInfo(rulesPath).isSymLink();
        if (!rulesExisted)
            writeWorkingFile(rulesPath, builtInRulesText());
        const WorkingFileRead rulesRead = readWorkingFile(rulesPath);
        if (rulesRead.status == FileReadStatus::Failed)
            failures.append(rulesRead.error);
        QList<Rule> rules = parseRules(rulesRead.text);
        const bool rulesKept = rulesExisted && keepsItsBytes(rulesPath, rulesRead.status);
        run.deliver([this, rules = std::move(rules), rulesKept] { showRules(rules, rulesKept); });
        readTests(RulesTestsFile);

        for (const Target &target : targets) {
            if (!run.isCurrent())
                return;
            if (!target.box)
                sourceLoad.showFirstScreen(target.path, decodeWorkingBytes);
            WorkingFileRead read = readWorkingFile(target.path);
            if (read.status == FileReadStatus::Failed)
                failures.append(read.error);
            const bool kept = keepsItsBytes(target.path, read.status);
            if (!target.box) {
                sourceLoad.showWhole(std::move(read.text), [this, kept] {
                    // The text as loaded, shared with the box: edits that end where they began leave the
                    // file alone too.
                    if (kept) {
                        m_keptSource = m_ui.sourceText->snapshot();
                        m_keptSourceRevision = m_ui.sourceText->revision();
                    }
                });
                // A test.txt with no bytes to keep (a missing one) is written at close whatever the box
                // holds.
                if (!kept)
                    run.deliver([this] { m_keptSource.reset(); });
                continue;
            }
            QString text = fromCrLf(std::move(read.text));
            // Built without a thread, so that whichever thread ends up with it (the UI thread when it is
            // shown, any other when the run is dropped) may take it.
            PendingDocument pending(buildPlainDocument(text, target.settings, nullptr));
            text = QString();
            // Remember what the box holds, to tell at close whether it changed.
            std::optional<TextSnapshot> loaded;
            if (kept)
                loaded = boxSnapshot(pending.doc.get());
            // Shared, so that the delivery can be copied; a document that is never shown is freed with it.
            auto shown = std::make_shared<PendingDocument>(std::move(pending));
            run.deliver([this, box = target.box, shown, loaded] {
                // Built without a thread (see buildPlainDocument), the document is pulled onto this one.
                shown->doc->moveToThread(thread());
                showPlainDocument(box, std::move(shown->doc));
                if (loaded)
                    m_keptTexts.insert(box, *loaded);
            });
        }
        readTests(ExpressionTestsFile);
        run.deliver([this, run, failures] { finishLoading(run, failures); });
    };
    m_ui.window->installEventFilter(this);
    QTimer::singleShot(kLatestRead, this, &WorkingFiles::startReading);
}

bool WorkingFiles::eventFilter(QObject *watched, QEvent *event) {
    // Queued, the reading starts once the whole window has been painted.
    if (watched == m_ui.window && event->type() == QEvent::Paint)
        QMetaObject::invokeMethod(this, &WorkingFiles::startReading, Qt::QueuedConnection);
    return QObject::eventFilter(watched, event);
}

void WorkingFiles::startReading() {
    m_ui.window->removeEventFilter(this);
    if (std::function<void()> read = std::exchange(m_read, {}))
        runInBackground(std::move(read));
}

void WorkingFiles::showRules(const QList<Rule> &rules, bool kept) {
    emit rulesLoaded(rules);
    if (kept)
        m_keptRules = m_currentRules();
}

void WorkingFiles::showTests(const QString &name, const TestsFileRead &read) {
    if (!read.error.isEmpty())
        m_testsDamage.append(read.error);
    if (read.keepOff)
        m_testsKeptOff.insert(name);
    if (read.missing || !read.error.isEmpty())
        return;
    m_keptTests.insert(name, read.file);
    if (name == RulesTestsFile) {
        emit rulesTestsLoaded(read.file);
    } else if (!read.file.patterns.isEmpty()) {
        m_moreBoxEntries = read.file.patterns.mid(1);
        emit boxTestsLoaded(read.file.patterns.constFirst());
    }
}

void WorkingFiles::finishLoading(const RunState::Run &run, const QStringList &failures) {
    if (!m_loader.finish(run))
        return;
    if (!failures.isEmpty())
        emit statusChanged(QStringLiteral("以下文件未能读取: %1").arg(failures.join(QStringLiteral("; "))));
    // Tests are the user's work: damage is told, not only shown in the status bar.
    if (!m_testsDamage.isEmpty())
        m_context.dialogs.tell(m_ui.window,
                               QStringLiteral("以下测试文件已损坏,其中的测试未能载入:\r\n%1")
                                   .arg(m_testsDamage.join(QStringLiteral("\r\n"))),
                               kInfoCaption, Dialogs::Icon::Warning);
    emit loaded();
    closeIfAsked();
}

void WorkingFiles::closeIfAsked() {
    if (!m_closeWhenLoaded || isLoading() || m_sourceLoader.isPasting())
        return;
    m_closeWhenLoaded = false;
    QMetaObject::invokeMethod(m_ui.window, &QWidget::close, Qt::QueuedConnection);
}

bool WorkingFiles::confirmClose() {
    // Saving now would write partly loaded boxes over the files, or the source text without a paste the
    // user has made.
    if (isLoading() || m_sourceLoader.isPasting()) {
        m_closeWhenLoaded = true;
        return false;
    }
    if (m_saved)
        return true;
    if (isSaving())
        return false;
    if (!m_context.dialogs.askYesNo(m_ui.window, QStringLiteral("是否关闭本工具?"), kInfoCaption,
                                    Dialogs::Icon::Question))
        return false;
    emit aboutToSave();
    startSaving();
    return false;
}

std::vector<WorkingFiles::SaveJob> WorkingFiles::saveJobs() {
    // What to write is taken now; the texts are joined, encoded and written by writeFiles().
    std::vector<SaveJob> jobs;
    const std::pair<QString, QPlainTextEdit *> boxes[] = {{ExpressionFile, m_ui.expression},
                                                          {NotesFile, m_ui.notes}};
    for (const auto &[name, box] : boxes) {
        // A file whose box is as loaded keeps its bytes, whatever they hold.
        const auto kept = m_keptTexts.constFind(box);
        if (kept == m_keptTexts.cend())
            jobs.push_back({name, boxText(box), {}, false, {}, {}, {}});
        else
            jobs.push_back({name, boxText(box), {}, false, *kept, boxSnapshot(box->document()), {}});
    }
    if (m_keptSourceRevision != m_ui.sourceText->revision()) {
        const TextSnapshot source = m_ui.sourceText->snapshot();
        jobs.push_back({SourceFile, {}, source, true, m_keptSource, source, {}});
    }
    const QList<Rule> rules = m_currentRules();
    if (!m_keptRules || *m_keptRules != rules)
        jobs.push_back({RulesFile, serializeRules(rules), {}, false, {}, {}, {}});
    addTestsJobs(jobs);
    return jobs;
}

void WorkingFiles::addTestsJobs(std::vector<SaveJob> &jobs) {
    if (!m_currentTests)
        return;
    Tests tests = m_currentTests();
    // The box's file keeps the entries after its first as they came.
    if (!tests.box.patterns.isEmpty() && !tests.box.patterns.constFirst().tests.isEmpty())
        tests.box.patterns.append(m_moreBoxEntries);
    else if (!m_moreBoxEntries.isEmpty())
        tests.box.patterns = m_moreBoxEntries;
    else
        tests.box.patterns.clear();
    const std::pair<QString, TestsFile *> files[] = {{ExpressionTestsFile, &tests.box},
                                                     {RulesTestsFile, &tests.rules}};
    for (const auto &[name, file] : files) {
        if (m_testsKeptOff.contains(name))
            continue;
        const auto kept = m_keptTests.constFind(name);
        if (kept != m_keptTests.cend() && *kept == *file)
            continue;
        SaveJob job;
        job.name = name;
        job.tests = std::move(*file);
        jobs.push_back(std::move(job));
    }
}

QStringList WorkingFiles::writeFiles(const std::vector<SaveJob> &jobs, const QString &dir) {
    QStringList failed;
    for (const SaveJob &job : jobs) {
        QString error;
        if (job.kept && job.kept->sameText(job.current))
            continue;
        if (job.tests) {
            if (!writeTestsFile(QDir(dir).filePath(job.name), *job.tests, &error))
                failed.append(QStringLiteral("%1: %2").arg(job.name, error));
            continue;
        }
        const QString text = job.fromSource ? job.source.toCrLf() : job.text;
        if (!writeWorkingFile(QDir(dir).filePath(job.name), text, &error))
            failed.append(QStringLiteral("%1: %2").arg(job.name, error));
    }
    return failed;
}

void WorkingFiles::startSaving() {
    std::vector<SaveJob> jobs = saveJobs();
    m_ui.window->setEnabled(false);
    const RunState::Run run = m_saver.begin();
    runInBackground([this, run, jobs = std::move(jobs), dir = m_context.programDir] {
        const QStringList failed = writeFiles(jobs, dir);
        run.deliver([this, run, failed] { finishSaving(run, failed); });
    });
}

bool WorkingFiles::saveForSessionEnd() {
    // Partly loaded boxes would be written over the files, and a save under way finishes by itself.
    if (isLoading() || isSaving() || m_saved)
        return true;
    if (!m_context.dialogs.askYesNo(m_ui.window, QStringLiteral("是否关闭本工具?"), kInfoCaption,
                                    Dialogs::Icon::Question))
        return false;
    emit aboutToSave();
    // Written here and now: the session may end as soon as this returns.
    const QStringList failed = writeFiles(saveJobs(), m_context.programDir);
    if (!failed.isEmpty() && !m_context.dialogs.askYesNo(m_ui.window, notSavedQuestion(failed), kInfoCaption,
                                                         Dialogs::Icon::Warning))
        return false;
    // The close that follows the session's end goes without a second question, unless the session goes on
    // and something changes first.
    m_saved = true;
    return true;
}

void WorkingFiles::finishSaving(const RunState::Run &run, const QStringList &failed) {
    if (!m_saver.finish(run))
        return;
    m_ui.window->setEnabled(true);
    if (!failed.isEmpty()) {
        if (!m_context.dialogs.askYesNo(m_ui.window, notSavedQuestion(failed), kInfoCaption,
                                        Dialogs::Icon::Warning))
            return;
    }
    m_saved = true;
    m_ui.window->close();
    // A window that stays open saves again at its next close.
    m_saved = !m_ui.window->isVisible();
}

} // namespace rw
