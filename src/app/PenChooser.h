#pragma once
// A choice among the attached pens, each shown by its identity code and free
// space: the one pen a copy goes onto (and whether a backup stays on the
// computer), or the pens dropped packages go onto (any number, ticked).

#include <QDialog>

#include <memory>
#include <string>
#include <vector>

namespace Ui {
class PenChooser;
}

namespace penshelf {

class PenChooser : public QDialog {
    Q_OBJECT
  public:
    struct Pen {
        std::string key;  // the pen's bsdName
        std::string identityCode;
        std::string freeSpace;
        bool ticked = false;
    };
    enum class Mode { OnePen, SeveralPens };

    PenChooser(Mode mode, const QString& title, const QString& prompt, const std::vector<Pen>& pens,
               QWidget* parent = nullptr);
    ~PenChooser() override;

    // The keys of the pens chosen, in the list's order.
    std::vector<std::string> chosen() const;
    bool keepBackup() const;

  private:
    void updateOk();

    std::unique_ptr<Ui::PenChooser> ui_;
    const Mode mode_;
    std::vector<std::string> keys_;
};

// A pen as the choosers and the install window name it: its identity code,
// or a word for a pen that gives none.
QString penCodeText(const std::string& identityCode);

}  // namespace penshelf
