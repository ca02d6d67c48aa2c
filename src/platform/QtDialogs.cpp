#include "QtDialogs.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace rw {

namespace {
QMessageBox::Icon toQt(Dialogs::Icon icon) {
    switch (icon) {
    case Dialogs::Icon::Question:
        return QMessageBox::Question;
    case Dialogs::Icon::Warning:
        return QMessageBox::Warning;
    case Dialogs::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}
} // namespace

bool QtDialogs::askYesNo(QWidget *parent, const QString &text, const QString &caption, Icon icon) {
    QMessageBox box(toQt(icon), caption, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void QtDialogs::tell(QWidget *parent, const QString &text, const QString &caption, Icon icon) {
    QMessageBox box(toQt(icon), caption, text, QMessageBox::Ok, parent);
    box.exec();
}

std::optional<QString> QtDialogs::askText(QWidget *parent, const QString &title, const QString &prompt) {
    QDialog dialog(parent);
    dialog.setWindowTitle(title.isEmpty() ? QStringLiteral("请输入：") : title);
    auto *layout = new QVBoxLayout(&dialog);
    if (!prompt.isEmpty()) {
        auto *label =
            new QLabel(QString(prompt).replace(QLatin1String("\r\n"), QLatin1String("\n")), &dialog);
        layout->addWidget(label);
    }
    auto *edit = new QLineEdit(&dialog);
    layout->addWidget(edit);
    auto *buttons = new QDialogButtonBox(&dialog);
    QPushButton *ok = buttons->addButton(QStringLiteral("确认输入(&O)"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取消(&C)"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    dialog.resize(360, dialog.sizeHint().height());
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return edit->text();
}

namespace {
// A name typed in full that names an existing file is taken as it is; only a name that does not is
// given the default suffix (QFileDialog would look for "services.txt" when "/etc/services" is typed).
class OpenFileDialog final : public QFileDialog {
public:
    OpenFileDialog(QWidget *parent, const QString &title, const QString &dir, const QString &filter,
                   const QString &suffix)
        : QFileDialog(parent, title, dir, filter), m_suffix(suffix) {}

protected:
    void accept() override {
        setDefaultSuffix(QString());
        const QStringList typed = selectedFiles();
        if (typed.isEmpty() || !QFileInfo(typed.constFirst()).isFile())
            setDefaultSuffix(m_suffix);
        QFileDialog::accept();
    }

private:
    QString m_suffix;
};
} // namespace

QString QtDialogs::chooseOpenFile(QWidget *parent, const QString &title, const QString &filter,
                                  const QString &startDir, const QString &defaultSuffix) {
    OpenFileDialog dialog(parent, title, startDir, filter, defaultSuffix);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString QtDialogs::chooseSaveFile(QWidget *parent, const QString &title, const QString &filter,
                                  const QString &startDir, const QString &defaultSuffix) {
    QFileDialog dialog(parent, title, startDir, filter);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace rw
