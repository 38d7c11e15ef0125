#pragma once
// The main window's list of downloads from the portal: one row per download
// with its file name, a progress bar and a cancel button while it runs, and
// what became of it once it has ended. Rows go away a while after the end;
// the list is hidden while it has none.

#include <QWidget>

#include <chrono>

class QLabel;
class QProgressBar;
class QPushButton;
class QVBoxLayout;

namespace penshelf {

class DownloadRow : public QWidget {
    Q_OBJECT
  public:
    explicit DownloadRow(const QString& fileName, QWidget* parent = nullptr);

    // total < 0: the size is unknown and the bar only shows that it is busy.
    void setProgress(qint64 received, qint64 total);
    // The download has ended: the bar and the cancel button make way for text.
    void end(const QString& text);
    bool hasEnded() const { return ended_; }

    QLabel* name;
    QProgressBar* progress;
    QLabel* status;
    QPushButton* cancel;

  signals:
    void ended();

  private:
    bool ended_ = false;
};

class DownloadList : public QWidget {
    Q_OBJECT
  public:
    explicit DownloadList(QWidget* parent = nullptr);

    DownloadRow* addRow(const QString& fileName);
    int rowCount() const;
    DownloadRow* row(int i) const;

    // How long an ended row stays.
    std::chrono::milliseconds linger = std::chrono::seconds(10);

  private:
    // Shows up to a few rows, and hides the list when it has none.
    void fitRows();

    QVBoxLayout* rows_;
};

}  // namespace penshelf
