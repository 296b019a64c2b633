// The breaches of the game engine's limits in a model, listed with where each one is:
// before a 3DO is written ("Save anyway" / "Cancel") and for Tools > Check Model.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "model/limits.h"

class QListWidget;
class QPushButton;

namespace orv {

class CLimitsDlg : public QDialog {
    Q_OBJECT
public:
    enum class Purpose {
        BeforeSave,  // "Save anyway" accepts, "Cancel" rejects
        Check,       // one "Close"
    };
    // warnings (the check only): faces the engine draws other than meant, listed after
    // the breaches; missing (the check only): the materials and keyframes the model names
    // that were not found, with where they were looked for, listed last.
    CLimitsDlg(const std::vector<LimitBreach>& breaches, Purpose purpose, const QString& modelName,
               QWidget* parent = nullptr, const std::vector<LimitBreach>& warnings = {},
               const std::vector<std::string>& missing = {});

    QListWidget* List() const { return list_; }
    // "Save anyway" before a save, "Close" for the check.
    QPushButton* AcceptButton() const { return accept_; }

private:
    QListWidget* list_ = nullptr;
    QPushButton* accept_ = nullptr;
};

}  // namespace orv
