#include "ResultsCopy.h"

#include "ResultsModel.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QAbstractItemView>

namespace rw {

ResultsCopy::ResultsCopy(QAbstractItemView *view, const ResultsModel *model, QObject *parent)
    : QObject(parent), m_view(view), m_model(model) {
    m_view->installEventFilter(this);
}

void ResultsCopy::copySelection() const {
    // The selection's ranges, not its rows: after Ctrl+A a million rows are one range, and listing them as
    // indexes would take longer than making the text.
    QList<std::pair<qsizetype, qsizetype>> spans;
    for (const QItemSelectionRange &range : m_view->selectionModel()->selection())
        spans.push_back({range.top(), range.bottom()});
    if (spans.isEmpty())
        return;
    QGuiApplication::clipboard()->setText(m_model->table().tabSeparated(std::move(spans)));
}

bool ResultsCopy::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_view &&
        (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) &&
        static_cast<QKeyEvent *>(event)->matches(QKeySequence::Copy)) {
        // The view's own Ctrl+C copies only the current cell; a shortcut elsewhere must not take the key.
        event->accept();
        if (event->type() == QEvent::KeyPress)
            copySelection();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace rw
