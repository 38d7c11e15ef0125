#include "app/Alerts.h"

#include "app/WindowTexts.h"

#include <QMessageBox>
#include <QPushButton>

namespace penshelf {
namespace {

// Chinese text has no spaces to wrap at; in a narrow alert a message breaks
// in mid-phrase.
void keepPhrasesWhole(QMessageBox& alert) {
    alert.setStyleSheet(QStringLiteral(
        "QLabel#qt_msgbox_label, QLabel#qt_msgbox_informativelabel { min-width: 16em; }"));
}

}  // namespace

std::unique_ptr<QMessageBox> makeRemovalAlert(const QString& name, QWidget* parent) {
    auto alert = std::make_unique<QMessageBox>(parent);
    alert->setWindowModality(Qt::ApplicationModal);
    alert->setIcon(QMessageBox::Warning);
    // The name comes from a file on the pen: plain text, never markup.
    alert->setTextFormat(Qt::PlainText);
    alert->setText(name + texts::translated(texts::removeQuestion));
    alert->setInformativeText(texts::translated(texts::removeWarning));
    keepPhrasesWhole(*alert);
    // One role for both keeps them in this order on every desktop's layout.
    QPushButton* remove =
        alert->addButton(texts::translated(texts::removeButton), QMessageBox::ActionRole);
    QPushButton* cancel =
        alert->addButton(texts::translated(texts::cancelButton), QMessageBox::ActionRole);
    alert->setDefaultButton(remove);
    alert->setEscapeButton(cancel);
    return alert;
}

bool runRemovalAlert(const QString& name, QWidget* parent) {
    const auto alert = makeRemovalAlert(name, parent);
    alert->exec();
    return alert->clickedButton() == alert->defaultButton();
}

void showEjectFailedAlert(QWidget* parent) {
    QMessageBox alert(QMessageBox::Warning, QString(), texts::translated(texts::ejectFailed),
                      QMessageBox::Ok, parent);
    alert.setWindowModality(Qt::ApplicationModal);
    keepPhrasesWhole(alert);
    alert.exec();
}

void showPensKeptAlert(const QStringList& pens, QWidget* parent) {
    QMessageBox alert(
        QMessageBox::Warning, QString(),
        texts::translated(texts::pensKeptAfterEject).arg(pens.join(QLatin1Char('\n'))),
        QMessageBox::Ok, parent);
    alert.setWindowModality(Qt::ApplicationModal);
    alert.setTextFormat(Qt::PlainText);  // the names come from the pens
    alert.setInformativeText(texts::translated(texts::pensKeptHint));
    keepPhrasesWhole(alert);
    alert.exec();
}

}  // namespace penshelf
