// The window in the user's language. CTest runs this again under LANGUAGE=en, LANG=zh_CN.UTF-8 and
// LANG=C: English leaves no Chinese but the pen's data; Chinese and C show today's texts byte for
// byte. Qt's own buttons speak the same language.
#include "app/Alerts.h"
#include "app/BackupWindow.h"
#include "app/CheckWindow.h"
#include "app/PenChooser.h"
#include "app/WindowTexts.h"
#include "texts/Language.h"

#include "support/MainWindowProbe.h"

#include <QMessageBox>
#include <QRegularExpression>
#include <QTranslator>

using namespace penshelf;
using namespace penshelf::test;

namespace {

// Every text a person reads of root and of what it holds.
QStringList textsOf(const QWidget* root) {
    QStringList texts;
    QList<QObject*> all = root->findChildren<QObject*>();
    all.prepend(const_cast<QWidget*>(root));
    for (const QObject* object : all) {
        for (const char* property : {"text", "title", "windowTitle", "toolTip", "placeholderText",
                                     "accessibleName", "accessibleDescription"}) {
            texts << object->property(property).toString();
        }
        if (const auto* combo = qobject_cast<const QComboBox*>(object)) {
            for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
        }
        if (const auto* view = qobject_cast<const QTableView*>(object)) {
            const QAbstractItemModel* model = view->model();
            for (int row = 0; row < model->rowCount(); ++row) {
                for (int column = 0; column < model->columnCount(); ++column) {
                    texts << model->index(row, column).data().toString();
                }
            }
        }
        if (const auto* header = qobject_cast<const QHeaderView*>(object);
            header && header->model()) {
            for (int i = 0; i < header->count(); ++i) {
                texts << header->model()->headerData(i, header->orientation()).toString();
            }
        }
    }
    texts.removeAll(QString());
    // The free space shown changes as other programs write.
    texts.removeIf([](const QString& text) { return text.endsWith(QLatin1String(" GB")); });
    return texts;
}

class WindowLanguage : public WindowTest<> {
  protected:
    // The texts of the main window showing a pen, and of each dialog that can open on it. Each
    // control, and each dialog not read through AT-SPI (tests/a11y), has a name for a screen
    // reader.
    QStringList everyText() {
        start();
        const std::string book = attachPen("sdb1", "ORV1", {{"001.vxr", vxbName("小猫钓鱼")}});
        ui->listZiro->setCurrentIndex(0);
        QStringList texts = textsOf(app->window());
        ui->listDownload->addRow("小猫钓鱼.vxb");
        EXPECT_EQ(nameless(app->window()), "") << "a download row too";
        InstWindow install(
            {.pathZiro = book, .pathBook = book + "001.vxr", .nameBook = "小猫钓鱼"});
        PenChooser chooser(PenChooser::Mode::SeveralPens, texts::translated(texts::dropPensTitle),
                           texts::translated(texts::dropPensPrompt).arg(1),
                           {{.key = "sdb1", .identityCode = "ORV1", .freeSpace = "1 GB"}});
        BackupWindow backup;
        CheckWindow check(platform, "sdb1", {});
        const auto removal = makeRemovalAlert(QStringLiteral("小猫钓鱼"), app->window());
        for (QWidget* dialog : std::initializer_list<QWidget*>{&chooser, &backup, &check}) {
            EXPECT_EQ(nameless(dialog), "") << dialog->metaObject()->className();
            EXPECT_NE(accessibleName(dialog), "") << dialog->metaObject()->className();
        }
        return texts + textsOf(&install) + textsOf(&chooser) + textsOf(&backup) + textsOf(&check) +
               textsOf(removal.get());
    }
};

TEST_F(WindowLanguage, SpeaksTheUsersLanguageThroughoutAndNamesEveryControl) {
    texts::installTranslators(texts::Program::Window);
    const QStringList shown = everyText();
    const bool english = QLocale::system().uiLanguages().value(0).startsWith(QLatin1String("en"));
    const QMessageBox box(QMessageBox::Question, QString(), QString(), QMessageBox::Ok);
    EXPECT_EQ(box.button(QMessageBox::Ok)->text(), english ? "OK" : "确定");
    if (english) {
        // The pen's data may be Chinese, and the product name is a name.
        const QRegularExpression chinese(
            QStringLiteral("[\\x{3000}-\\x{303f}\\x{4e00}-\\x{9fff}\\x{ff00}-\\x{ffef}]"));
        for (QString text : shown) {
            text.remove(QStringLiteral("小猫钓鱼")).remove(QString::fromStdString(penDisplayName));
            EXPECT_FALSE(text.contains(chinese)) << text.toStdString();
        }
        return;
    }
    // Today's window: the texts as written, with no translation of PenShelf's own.
    for (QTranslator* translator : qApp->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(translator);
    }
    EXPECT_EQ(shown.join(QLatin1Char('|')).toStdString(),
              everyText().join(QLatin1Char('|')).toStdString());
}

}  // namespace
