#pragma once

#include <QObject>

namespace rw {

class BoxLoader;
class TextEditor;

// Pastes the clipboard's text into a big text box. A short text goes in as the box's own paste does; a
// text of megabytes is cut into the store's chunks on a worker first (through the box's loader) and then
// goes in as one undo step. Meanwhile the box is read-only, so no typing lands where the paste goes. A
// read-only box (one being loaded, say) refuses the paste.
class LargePaste final : public QObject {
    Q_OBJECT
public:
    // Texts of at least threshold characters take the worker's path.
    static constexpr qsizetype kDefaultThreshold = 2 * 1024 * 1024;

    // Takes over the paste key (Ctrl+V, Shift+Insert) of the loader's box.
    explicit LargePaste(BoxLoader &loader, qsizetype threshold = kDefaultThreshold,
                        QObject *parent = nullptr);

    // Pastes over the box's selection.
    void paste();
    // Replaces the box's whole text with the clipboard's text.
    void replaceAll();
    // Whether a large paste is being built.
    bool isBuilding() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void pasteOver(qsizetype from, qsizetype to);

    BoxLoader &m_loader;
    TextEditor *m_box;
    qsizetype m_threshold;
};

} // namespace rw
