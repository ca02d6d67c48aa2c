#pragma once

#include <QObject>

class QAbstractItemView;

namespace rw {

class ResultsModel;

// Ctrl+C in the results list: the selected rows go to the clipboard as tab-separated whole texts (never the
// shortened texts the list shows), rows in order and joined by CRLF, without the header.
class ResultsCopy final : public QObject {
    Q_OBJECT
public:
    // Watches view's keys; view shows model.
    ResultsCopy(QAbstractItemView *view, const ResultsModel *model, QObject *parent = nullptr);

    // Puts the selected rows on the clipboard; nothing selected leaves the clipboard alone.
    void copySelection() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QAbstractItemView *m_view;
    const ResultsModel *m_model;
};

} // namespace rw
