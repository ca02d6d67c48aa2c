#include "PatternOwner.h"

#include "core/text/LineBreaks.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QTextCursor>

namespace rw {

PatternOwner::PatternOwner(const PatternInputs &inputs, QObject *parent)
    : QObject(parent), m_inputs(inputs), m_published(PatternValue::read({}, options(), 0)) {
    m_now = m_published;
    m_pause.setSingleShot(true);
    m_pause.setInterval(pauseMillis);
    connect(&m_pause, &QTimer::timeout, this, &PatternOwner::publish);
    // The box, not its document: the working files swap in a document of their own.
    connect(m_inputs.expression, &QPlainTextEdit::textChanged, this, &PatternOwner::edited);
    for (QCheckBox *option :
         {m_inputs.checkCase, m_inputs.checkMultiline, m_inputs.checkGlobal, m_inputs.checkPerLine})
        if (option)
            connect(option, &QCheckBox::toggled, this, &PatternOwner::edited);
    edited();
}

RegexOptions PatternOwner::options() const {
    RegexOptions o;
    o.ignoreCase = !m_inputs.checkCase->isChecked();
    o.multiline = m_inputs.checkMultiline->isChecked();
    o.global = m_inputs.checkGlobal->isChecked();
    o.perLine = m_inputs.checkPerLine && m_inputs.checkPerLine->isChecked();
    return o;
}

const PatternSnapshot &PatternOwner::now() {
    // The colours ask while the document is changing, before the box says it changed.
    QString raw = m_inputs.expression->document()->toRawText();
    const RegexOptions o = options();
    if (raw != m_raw) {
        m_raw = std::move(raw);
        m_now = PatternValue::read(m_raw, o, ++m_revision);
    } else if (!(o == m_now->options)) {
        m_now = m_now->withOptions(o, ++m_revision);
    }
    return m_now;
}

void PatternOwner::edited() {
    // The colours may have read the change already, while the document changed.
    if (now()->revision == m_announced)
        return;
    m_announced = m_now->revision;
    emit changed();
    m_pause.start();
}

void PatternOwner::put(const QString &text, const std::optional<RegexOptions> &options) {
    QTextCursor cursor(m_inputs.expression->document());
    cursor.select(QTextCursor::Document);
    cursor.insertText(fromCrLf(text));
    if (options) {
        m_inputs.checkCase->setChecked(!options->ignoreCase);
        m_inputs.checkMultiline->setChecked(options->multiline);
        m_inputs.checkGlobal->setChecked(options->global);
        if (m_inputs.checkPerLine)
            m_inputs.checkPerLine->setChecked(options->perLine);
    }
}

void PatternOwner::waitForPause() {
    m_pause.start();
}

PatternSnapshot PatternOwner::current() {
    now();
    if (m_pause.isActive()) {
        m_pause.stop();
        publish();
    }
    return m_published;
}

void PatternOwner::publish() {
    if (m_published != m_now) {
        m_published = m_now;
        emit valuePublished(m_published);
    }
    emit settled(m_published);
}

} // namespace rw
