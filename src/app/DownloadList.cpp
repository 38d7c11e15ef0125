#include "app/DownloadList.h"

#include "app/Texts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace penshelf {
namespace {

constexpr int progressSteps = 1000;

}  // namespace

DownloadRow::DownloadRow(const QString& fileName, QWidget* parent)
    : QWidget(parent),
      name(new QLabel(fileName, this)),
      progress(new QProgressBar(this)),
      status(new QLabel(this)),
      cancel(new QPushButton(QString::fromUtf8(texts::cancelButton), this)) {
    // Both texts come from the web page: plain text, never markup.
    name->setTextFormat(Qt::PlainText);
    status->setTextFormat(Qt::PlainText);
    status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    status->hide();
    progress->setRange(0, 0);
    progress->setTextVisible(false);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(name);
    layout->addWidget(progress, 1);
    layout->addWidget(status, 1);
    layout->addWidget(cancel);
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
    status->show();
    emit ended();
}

DownloadList::DownloadList(QWidget* parent) : QWidget(parent), rows_(new QVBoxLayout(this)) {
    rows_->setContentsMargins(0, 0, 0, 0);
    hide();
}

DownloadRow* DownloadList::addRow(const QString& fileName) {
    auto* row = new DownloadRow(fileName, this);
    rows_->addWidget(row);
    show();
    connect(row, &DownloadRow::ended, this, [this, row] {
        QTimer::singleShot(linger, row, [this, row] {
            rows_->removeWidget(row);
            row->deleteLater();
            if (rows_->count() == 0) hide();
        });
    });
    return row;
}

int DownloadList::rowCount() const {
    return rows_->count();
}

DownloadRow* DownloadList::row(int i) const {
    QLayoutItem* item = rows_->itemAt(i);
    return item ? qobject_cast<DownloadRow*>(item->widget()) : nullptr;
}

}  // namespace penshelf
