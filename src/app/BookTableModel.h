#pragma once
// The book table's data source: the rows of dataBook, columns "name" and "stat".

#include "books/ListData.h"

#include <QAbstractTableModel>

#include <vector>

namespace penshelf {

class BookTableModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { NameColumn, StatColumn, ColumnCount };

    explicit BookTableModel(const std::vector<ListData>& rows, QObject* parent = nullptr);

    // Shows the rows as they are now; every refresh rebuilds them whole.
    void reload();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    const std::vector<ListData>& rows_;
};

}  // namespace penshelf
