#pragma once
// The main window's alerts, each run application-modally.

#include <QString>
#include <QStringList>

#include <memory>

class QMessageBox;
class QWidget;

namespace penshelf {

// The warning before a book is deleted: the name on a line of its own, the
// question, the warning that it cannot be undone, and "删除" (the default)
// then "取消".
std::unique_ptr<QMessageBox> makeRemovalAlert(const QString& name, QWidget* parent);

// Runs the removal alert; true when the user chose "删除".
bool runRemovalAlert(const QString& name, QWidget* parent);

void showEjectFailedAlert(QWidget* parent);
// After 全部弹出: the pens still mounted, one a line.
void showPensKeptAlert(const QStringList& pens, QWidget* parent);

}  // namespace penshelf
