#include "BoxLoader.h"

#include "BoxText.h"
#include "TextEditor.h"
#include "core/tasks/TaskPool.h"
#include "core/text/FirstScreen.h"
#include "core/text/RegularFile.h"

#include <memory>

namespace rw {

namespace {

// A text on its way to the box: one dropped on the way (its load superseded) may be hundreds of megabytes,
// and goes on a worker rather than wherever the delivery is thrown away.
template <typename T> struct Pending {
    std::optional<T> value;
    explicit Pending(T v) : value(std::move(v)) {}
    T take() { return *std::exchange(value, std::nullopt); }
    ~Pending() {
        if (value)
            freeInBackground(std::move(*value));
    }
};

} // namespace

void BoxLoader::Load::showFirstScreen(const QString &path, QString (*decode)(QByteArrayView)) const {
    if (!isCurrent())
        return;
    std::optional<QString> first = firstScreen(path, decode, kMaxTextFileBytes);
    if (!first)
        return;
    auto store = std::make_shared<TextStore>(std::move(*first));
    m_run.deliver([loader = m_loader, store] { loader->showFirst(std::move(*store)); });
}

void BoxLoader::Load::showWhole(QString text, std::function<void()> shown) const {
    if (!isCurrent())
        return;
    // Moved in, the text's buffer becomes the store's chunks without a copy.
    auto store = std::make_shared<Pending<TextStore>>(TextStore(std::move(text)));
    m_run.deliver([loader = m_loader, run = m_run, context = m_context, store, shown = std::move(shown)] {
        loader->m_runs.finish(run);
        loader->endRun([&] {
            loader->m_box->setStore(store->take());
            // Hundreds of megabytes may go with the last hold on the text from before.
            if (loader->m_before) {
                freeInBackground(std::move(loader->m_before->text));
                loader->m_before.reset();
            }
        });
        if (context && shown)
            shown();
    });
}

void BoxLoader::Load::fail(std::function<void()> failed) const {
    m_run.deliver([loader = m_loader, run = m_run, context = m_context, failed = std::move(failed)] {
        loader->m_runs.finish(run);
        loader->endRun([&] { loader->putBack(); });
        if (context && failed)
            failed();
    });
}

BoxLoader::BoxLoader(TextEditor *box, QObject *parent) : QObject(parent), m_box(box) {}

BoxLoader::~BoxLoader() {
    m_runs.stop();
    endRun({});
}

void BoxLoader::hold() {
    if (m_holds++ == 0) {
        m_ownReadOnly = m_box->isReadOnly();
        m_box->setReadOnly(true);
    }
}

void BoxLoader::release() {
    if (m_holds > 0 && --m_holds == 0)
        m_box->setReadOnly(m_ownReadOnly);
}

void BoxLoader::startRun(bool pasting) {
    // The hold of a run under way passes to the new one: the box stays read-only throughout.
    if (!m_runHolds) {
        m_runHolds = true;
        hold();
        BoxText::of(m_box)->hold();
    }
    m_pasting = pasting;
}

void BoxLoader::endRun(const std::function<void()> &apply) {
    const bool held = std::exchange(m_runHolds, false);
    if (held)
        release();
    if (apply)
        apply();
    // Only now, with the text in place, do the takers get it.
    if (held)
        BoxText::of(m_box)->release();
}

BoxLoader::Load BoxLoader::begin(QObject *context) {
    Load load;
    load.m_loader = this;
    load.m_run = m_runs.begin();
    load.m_context = context;
    startRun(false);
    return load;
}

void BoxLoader::showFirst(TextStore first) {
    if (!m_before)
        m_before = Before{m_box->snapshot(), m_box->anchorPosition(), m_box->cursorPosition()};
    m_box->setStore(std::move(first));
}

void BoxLoader::putBack() {
    if (!m_before)
        return;
    const Before before = *std::exchange(m_before, std::nullopt);
    m_box->setStore(TextStore(before.text));
    m_box->setSelection(before.anchor, before.cursor);
}

void BoxLoader::abandon() {
    if (!m_runs.isRunning())
        return;
    m_runs.stop();
    endRun([this] { putBack(); });
}

void BoxLoader::paste(qsizetype from, qsizetype to, QString text) {
    if (m_box->isReadOnly())
        return;
    const RunState::Run run = m_runs.begin();
    startRun(true);
    runInBackground([this, run, text = std::move(text), from, to]() mutable {
        auto piece = std::make_shared<Pending<TextPiece>>(TextPiece(std::move(text)));
        run.deliver([this, run, piece, from, to] {
            m_runs.finish(run);
            endRun([&] {
                m_box->setSelection(from, to);
                m_box->insertPiece(piece->take());
            });
        });
    });
}

} // namespace rw
