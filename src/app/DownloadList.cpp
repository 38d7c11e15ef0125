#include "app/DownloadList.h"

#include "app/WindowTexts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>

namespace penshelf {
namespace {

constexpr int progressSteps = 1000;
// Rows shown at once; more scroll, so that the page above keeps its room.
constexpr int visibleRows = 4;

}  // namespace

DownloadRow::DownloadRow(const QString& fileName, QWidget* parent)
    : QWidget(parent),
      name(new QLabel(fileName, this)),
      progress(new QProgressBar(this)),
      status(new QLabel(this)),
      cancel(new QPushButton(texts::translated(texts::cancelButton), this)) {
    // Both texts come from the web page: plain text, never markup. A long
    // name or path is cut off rather than widening the window; the names
    // take one width, so that the bars line up.
    name->setTextFormat(Qt::PlainText);
    name->setToolTip(fileName);
    name->setFixedWidth(name->fontMetrics().averageCharWidth() * 24);
    status->setTextFormat(Qt::PlainText);
    status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    status->hide();
    progress->setRange(0, 0);
    progress->setTextVisible(false);
    progress->setAccessibleName(tr("%1 的下载进度").arg(fileName));
    cancel->setAccessibleDescription(tr("取消下载 %1").arg(fileName));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(name);
    layout->addWidget(progress, 1);
    layout->addWidget(status, 1);
    layout->addWidget(cancel);
    // The same height running or ended, so that rows do not jump.
    setMinimumHeight(cancel->sizeHint().height());
}

void DownloadRow::setProgress(qint64 received, qint64 total) {
    if (total <= 0) {
        progress->setRange(0, 0);
        return;
    }
    progress->setRange(0, progressSteps);
    progress->setValue(static_cast<int>(std::min(received, total) * progressSteps / total));
}

void DownloadRow::end(const QString& text) {
    if (ended_) return;
    ended_ = true;
    progress->hide();
    cancel->hide();
    status->setText(text);
    status->setToolTip(text);
    status->show();
    emit ended();
}

DownloadList::DownloadList(QWidget* parent) : QWidget(parent) {
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* content = new QWidget(scroll);
    rows_ = new QVBoxLayout(content);
    rows_->setContentsMargins(0, 0, 0, 0);
    rows_->setAlignment(Qt::AlignTop);
    scroll->setWidget(content);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
    hide();
}

DownloadRow* DownloadList::addRow(const QString& fileName) {
    auto* row = new DownloadRow(fileName);
    rows_->addWidget(row);
    fitRows();
    connect(row, &DownloadRow::ended, this, [this, row] {
        QTimer::singleShot(linger, row, [this, row] {
            rows_->removeWidget(row);
            row->deleteLater();
            fitRows();
        });
    });
    return row;
}

void DownloadList::fitRows() {
    const int shown = std::min(rows_->count(), visibleRows);
    if (shown == 0) {
        hide();
        return;
    }
    int height = (shown - 1) * rows_->spacing();
    for (int i = 0; i < shown; ++i) {
        // A row just added is not shown yet, so its layout item counts as empty.
        const QWidget* row = rows_->itemAt(i)->widget();
        height += row->sizeHint().expandedTo(row->minimumSize()).height();
    }
    setFixedHeight(height);
    show();
}

int DownloadList::rowCount() const {
    return rows_->count();
}

DownloadRow* DownloadList::row(int i) const {
    QLayoutItem* item = rows_->itemAt(i);
    return item ? qobject_cast<DownloadRow*>(item->widget()) : nullptr;
}

}  // namespace penshelf
