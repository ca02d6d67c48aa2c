#pragma once

#include "core/rules/Rule.h"
#include "core/tasks/TaskRuns.h"

#include <QHash>
#include <QObject>
#include <QStringList>

#include <memory>
#include <optional>

class QPlainTextEdit;
class QTextDocument;
class QWidget;

namespace rw {

struct AppContext;
class MainWindowUi;
class RulesController;

// The working files in the program's directory: gz.txt (the rules library), jl.txt (notes), test.txt
// (source text) and bds.txt (expression). They are loaded in the background at start-up and written
// back when the user confirms closing the window.
//
// Each of the three boxes gets a new QTextDocument from the loader (built off the UI thread, so a large
// file never stalls the window): connect to the box, not to its document, or connect after loaded().
class WorkingFiles final : public QObject {
    Q_OBJECT
public:
    WorkingFiles(MainWindowUi &ui, AppContext &context, RulesController &rules, QWidget *window);
    ~WorkingFiles() override;

    // Starts the loader: the rules first (gz.txt is created from the built-in rules when missing), then
    // notes, source text and expression, each shown as soon as it is read.
    void startLoading();
    // Whether the loader has not finished yet.
    bool isLoading() const { return m_loading; }
    // Drops whatever a running loader has still to deliver (used when the window goes away).
    void abandon();
    // Answers a close request: true when the window may close. Asks first; on Yes writes the files and,
    // when a write failed, says which and asks whether to close anyway. While the loader runs nothing is
    // asked or written: the request is remembered and repeated once the loader has finished.
    bool confirmClose();
    // Writes bds.txt, jl.txt, test.txt and gz.txt from the controls, except a file that existed at load
    // and whose control has not changed since; one line per file that could not be written
    // ("name: reason"), empty when all were written.
    QStringList save();

signals:
    // The loader has put everything into the controls.
    void loaded();
    // A status message for the status bar (files the loader could not read).
    void statusChanged(const QString &text);

private:
    void showRules(quint64 run, const QList<Rule> &rules, bool kept);
    void showText(quint64 run, QPlainTextEdit *box, std::unique_ptr<QTextDocument> document,
                  std::optional<size_t> kept);
    void finishLoading(quint64 run, const QStringList &failures);

    MainWindowUi &m_ui;
    AppContext &m_context;
    RulesController &m_rules;
    QWidget *m_window;
    TaskRuns m_runs;
    bool m_loading = false;
    bool m_closeWhenLoaded = false;
    // What the boxes and the list held when loaded from files that exist: such a file is written at
    // close only when its box or list has changed. The raw text's hash stands for a box's text.
    QHash<const QPlainTextEdit *, size_t> m_keptTexts;
    std::optional<QList<Rule>> m_keptRules;
};

} // namespace rw
