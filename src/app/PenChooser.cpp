#include "app/PenChooser.h"

#include "app/WindowTexts.h"
#include "ui_PenChooser.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>

namespace penshelf {

QString penCodeText(const std::string& identityCode) {
    return identityCode.empty() ? texts::translated(texts::noIdentityCode)
                                : QString::fromStdString(identityCode);
}

PenChooser::PenChooser(Mode mode, const QString& title, const QString& prompt,
                       const std::vector<Pen>& pens, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::PenChooser>()), mode_(mode) {
    ui_->setupUi(this);
    setWindowTitle(title);
    ui_->dtPrompt->setText(prompt);
    ui_->chkKeepBackup->setText(texts::translated(texts::keepCopyBackup));
    ui_->chkKeepBackup->setVisible(mode == Mode::OnePen);
    QPushButton* ok = ui_->buttons->button(QDialogButtonBox::Ok);
    ok->setText(texts::translated(mode == Mode::OnePen ? texts::copyButton : texts::installButton));
    ui_->buttons->button(QDialogButtonBox::Cancel)->setText(texts::translated(texts::cancelButton));
    for (const Pen& pen : pens) {
        auto* item = new QListWidgetItem(
            texts::translated(texts::penWithFreeSpace)
                .arg(penCodeText(pen.identityCode), QString::fromStdString(pen.freeSpace)),
            ui_->listPens);
        if (mode == Mode::SeveralPens) {
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
            item->setCheckState(pen.ticked ? Qt::Checked : Qt::Unchecked);
        }
        keys_.push_back(pen.key);
    }
    if (mode == Mode::OnePen && !pens.empty()) ui_->listPens->setCurrentRow(0);
    connect(ui_->listPens, &QListWidget::itemChanged, this, &PenChooser::updateOk);
    connect(ui_->listPens, &QListWidget::currentRowChanged, this, &PenChooser::updateOk);
    connect(ui_->buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui_->buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    updateOk();
}

PenChooser::~PenChooser() = default;

std::vector<std::string> PenChooser::chosen() const {
    std::vector<std::string> keys;
    for (int i = 0; i < ui_->listPens->count(); ++i) {
        const QListWidgetItem* item = ui_->listPens->item(i);
        const bool picked =
            mode_ == Mode::OnePen ? item->isSelected() : item->checkState() == Qt::Checked;
        if (picked) keys.push_back(keys_[static_cast<std::size_t>(i)]);
    }
    return keys;
}

bool PenChooser::keepBackup() const {
    return mode_ == Mode::OnePen && ui_->chkKeepBackup->isChecked();
}

void PenChooser::updateOk() {
    ui_->buttons->button(QDialogButtonBox::Ok)->setEnabled(!chosen().empty());
}

}  // namespace penshelf
