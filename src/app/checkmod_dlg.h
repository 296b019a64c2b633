// Tools > Check Mod...: the findings of a mod's check in a list that sorts by file,
// severity or text; a double-click on a finding of a loose model opens it at the mesh and
// face the finding names.
#pragma once

#include <QDialog>
#include <functional>

#include "resources/modcheck.h"

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace orv {

class CCheckModDlg : public QDialog {
    Q_OBJECT
public:
    // check: runs the check of a mod (a folder or an archive); the dialog shows what it
    // found or why it failed. open: opens a model file at a finding's place.
    using Checker = std::function<Result<ModCheckReport>(const std::filesystem::path& mod)>;
    using Opener = std::function<void(const std::filesystem::path& model, const FindingPlace& place)>;
    CCheckModDlg(Checker check, Opener open, QWidget* parent = nullptr);

    // Checks a mod and shows its findings.
    void Check(const std::filesystem::path& mod);

    QTreeWidget* List() const { return list_; }
    QLabel* Summary() const { return summary_; }
    // "Folder..." and "Archive...": another mod to check (the window asks which).
    QPushButton* FolderButton() const { return folder_; }
    QPushButton* ArchiveButton() const { return archive_; }
    // The finding of a row, null for none.
    const Finding* FindingOf(const QTreeWidgetItem* item) const;

signals:
    void folderWanted();
    void archiveWanted();

private:
    void Open(QTreeWidgetItem* item);

    Checker check_;
    Opener open_;
    ModCheckReport report_;
    QTreeWidget* list_ = nullptr;
    QLabel* summary_ = nullptr;
    QPushButton* folder_ = nullptr;
    QPushButton* archive_ = nullptr;
};

// The loose model file a finding names (not an archive's item, not another kind of
// file); empty when there is none.
std::filesystem::path ModelOfFinding(const Finding& finding);

}  // namespace orv
