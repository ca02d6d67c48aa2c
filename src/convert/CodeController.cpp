#include "CodeController.h"

#include "core/convert/CodeSnippet.h"
#include "core/convert/PatternConverter.h"
#include "core/text/DocumentText.h"
#include "pattern/BoxMarks.h"
#include "pattern/PatternOwner.h"
#include "textbox/TextEditor.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextCursor>
#include <QVBoxLayout>

namespace rw {

namespace {

// A source text up to this long is written into the snippets as their subject; a longer one is not.
constexpr qsizetype kMostSubject = 2000;
// The place of a warning in the pattern, on its list item.
constexpr int FromRole = Qt::UserRole + 1;
constexpr int ToRole = Qt::UserRole + 2;

QPlainTextEdit *codeBox(QWidget *parent, const char *name) {
    auto *box = new QPlainTextEdit(parent);
    box->setObjectName(QString::fromUtf8(name));
    box->setReadOnly(true);
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    box->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    return box;
}

} // namespace

CodeController::CodeController(const CodeWidgets &widgets, std::function<QString()> replacement, QObject *parent)
    : QObject(parent), m_w(widgets), m_replacement(std::move(replacement)) {
    connect(m_w.button, &QPushButton::clicked, this, &CodeController::open);
    connect(m_w.pattern, &PatternOwner::valuePublished, this, [this] {
        if (m_dialog && m_dialog->isVisible())
            convert();
    });
    // The expression box's context menu offers the page too.
    m_w.pattern->box()->installEventFilter(this);
}

CodeController::~CodeController() {
    if (m_w.pattern->box())
        m_w.pattern->box()->removeEventFilter(this);
}

bool CodeController::eventFilter(QObject *watched, QEvent *event) {
    QPlainTextEdit *box = m_w.pattern->box();
    if (watched == box && event->type() == QEvent::ContextMenu) {
        const auto *request = static_cast<QContextMenuEvent *>(event);
        QMenu *menu = box->createStandardContextMenu(request->pos());
        menu->setObjectName(QStringLiteral("表达式右键菜单"));
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->addSeparator();
        connect(menu->addAction(QStringLiteral("生成代码...")), &QAction::triggered, this, &CodeController::open);
        menu->popup(request->globalPos());
        return true;
    }
    if (watched == m_dialog && event->type() == QEvent::Hide)
        clearMarks();
    return QObject::eventFilter(watched, event);
}

void CodeController::open() {
    if (!m_dialog)
        build();
    m_shown.reset();
    convert();
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}

void CodeController::build() {
    m_dialog = new QDialog(m_w.window);
    m_dialog->setObjectName(QStringLiteral("对话框_生成代码"));
    m_dialog->setWindowTitle(QStringLiteral("生成代码"));
    m_dialog->resize(640, 520);
    m_dialog->installEventFilter(this);

    m_target = new QComboBox(m_dialog);
    m_target->setObjectName(QStringLiteral("组合框_目标语言"));
    for (const ConvertTargetInfo &info : convertTargets())
        m_target->addItem(info.title, int(info.target));
    auto *copy = new QPushButton(QStringLiteral("复制代码"), m_dialog);
    copy->setObjectName(QStringLiteral("按钮_复制代码"));

    m_pages = new QTabWidget(m_dialog);
    m_pages->setObjectName(QStringLiteral("选择夹_代码"));
    m_matchCode = codeBox(m_pages, "编辑框_代码");
    m_replaceCode = codeBox(m_pages, "编辑框_替换代码");
    m_pages->addTab(m_matchCode, QStringLiteral("匹配"));
    m_pages->addTab(m_replaceCode, QStringLiteral("替换"));

    m_warnings = new QListWidget(m_dialog);
    m_warnings->setObjectName(QStringLiteral("列表_转换说明"));
    m_warnings->setWordWrap(true);
    m_warnings->setMaximumHeight(120);

    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("目标语言:"), m_dialog));
    top->addWidget(m_target, 1);
    top->addWidget(copy);
    auto *layout = new QVBoxLayout(m_dialog);
    layout->addLayout(top);
    layout->addWidget(m_pages, 1);
    layout->addWidget(new QLabel(QStringLiteral("说明:"), m_dialog));
    layout->addWidget(m_warnings);

    connect(m_target, &QComboBox::currentIndexChanged, this, [this] {
        m_shown.reset();
        convert();
    });
    connect(copy, &QPushButton::clicked, this, [this] {
        auto *box = static_cast<QPlainTextEdit *>(m_pages->currentWidget());
        QGuiApplication::clipboard()->setText(box->toPlainText());
    });
    // A warning picked in the list selects its construct in the pattern box.
    connect(m_warnings, &QListWidget::currentItemChanged, this, [this](QListWidgetItem *item) {
        if (!item || !m_shown || item->data(FromRole).toLongLong() < 0)
            return;
        const auto [begin, end] =
            m_shown->breaks.boxRange(item->data(FromRole).toLongLong(), item->data(ToRole).toLongLong());
        QPlainTextEdit *box = m_w.pattern->box();
        QTextCursor cursor(box->document());
        const qsizetype last = box->document()->characterCount() - 1;
        cursor.setPosition(int(qBound<qsizetype>(qsizetype(0), begin, last)));
        cursor.setPosition(int(qBound<qsizetype>(qsizetype(0), end, last)), QTextCursor::KeepAnchor);
        box->setTextCursor(cursor);
    });
}

ConvertTarget CodeController::target() const {
    return ConvertTarget(m_target->currentData().toInt());
}

void CodeController::convert() {
    const PatternSnapshot value = m_w.pattern->current();
    if (m_shown == value)
        return;
    m_shown = value;
    const QString replacement = m_replacement ? m_replacement() : QString();
    const ConvertedPattern converted = PatternConverter::convert(*value, target(), replacement);

    m_warnings->clear();
    QList<QTextEdit::ExtraSelection> marks;
    if (!converted.isValid()) {
        const QString reason = QStringLiteral("正则创建失败: ") + converted.error.text();
        m_matchCode->setPlainText(reason);
        m_replaceCode->setPlainText(reason);
        auto *item = new QListWidgetItem(reason, m_warnings);
        item->setData(FromRole, converted.error.offset);
        item->setData(ToRole, converted.error.offset);
        setBoxMarks(m_w.pattern->box(), BoxMarkLayer::Convert, {});
        return;
    }
    // The source text is the snippets' subject when it is short; otherwise they show a sample.
    QString subject = QStringLiteral("示例文本 2026-12-11");
    if (m_w.source->size() <= kMostSubject)
        subject = paragraphsToCrLf(m_w.source->toPlainText());
    for (const auto &[kind, box] : {std::pair{SnippetKind::Match, m_matchCode}, std::pair{SnippetKind::Replace, m_replaceCode}}) {
        const CodeSnippet snippet = codeSnippet(converted, kind, subject);
        box->setPlainText(snippet.isValid() ? snippet.code : snippet.refusal);
    }

    QPlainTextEdit *patternBox = m_w.pattern->box();
    QTextCharFormat mark;
    mark.setUnderlineStyle(QTextCharFormat::WaveUnderline);
    mark.setUnderlineColor(QColor(0xe0, 0x80, 0x00));
    mark.setBackground(QColor(0xff, 0xf0, 0xc8));
    const qsizetype last = patternBox->document()->characterCount() - 1;
    for (const ConvertWarning &warning : converted.warnings) {
        auto *item = new QListWidgetItem(warning.text, m_warnings);
        item->setData(FromRole, warning.from);
        item->setData(ToRole, warning.to);
        if (warning.from < 0)
            continue;
        const auto [begin, end] = value->breaks.boxRange(warning.from, warning.to);
        QTextEdit::ExtraSelection selection;
        selection.cursor = QTextCursor(patternBox->document());
        selection.cursor.setPosition(int(qBound<qsizetype>(qsizetype(0), begin, last)));
        selection.cursor.setPosition(int(qBound<qsizetype>(qsizetype(0), end, last)), QTextCursor::KeepAnchor);
        selection.format = mark;
        marks.append(selection);
    }
    if (converted.warnings.empty())
        new QListWidgetItem(QStringLiteral("转换后的表达式与本工具的匹配结果相同。"), m_warnings);
    setBoxMarks(patternBox, BoxMarkLayer::Convert, marks);
}

void CodeController::clearMarks() {
    if (QPlainTextEdit *box = m_w.pattern->box())
        setBoxMarks(box, BoxMarkLayer::Convert, {});
    m_shown.reset();
}

} // namespace rw
