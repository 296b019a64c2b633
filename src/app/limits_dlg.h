// The breaches of the game engine's limits in a model, listed with where each one is:
// before a 3DO is written ("Save anyway" / "Cancel") and for Tools > Check Model.
#pragma once

#include <QDialog>
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
    // the breaches.
    CLimitsDlg(const std::vector<LimitBreach>& breaches, Purpose purpose, const QString& modelName,
               QWidget* parent = nullptr, const std::vector<LimitBreach>& warnings = {});

    QListWidget* List() const { return list_; }
    // "Save anyway" before a save, "Close" for the check.
    QPushButton* AcceptButton() const { return accept_; }

private:
    QListWidget* list_ = nullptr;
    QPushButton* accept_ = nullptr;
};

}  // namespace orv
