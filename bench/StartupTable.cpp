// The reference of bench_startup: a bare Qt window showing a table of 200
// rows, two columns of short texts, as plain as a Qt program that lists
// something can be.

#include <QApplication>
#include <QTableWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    constexpr int rows = 200;
    QTableWidget table(rows, 2);
    for (int row = 0; row < rows; ++row) {
        table.setItem(row, 0, new QTableWidgetItem(QStringLiteral("第%1册").arg(row + 1)));
        table.setItem(row, 1, new QTableWidgetItem(QStringLiteral("自制-%1").arg(row + 1)));
    }
    table.resize(800, 600);
    table.show();
    return app.exec();
}
