// The "File Manager" dialog: browse a GOB or GOO archive as a tree of directories with
// a list of items, create archives, add files (bitmaps become materials), delete items
// and save them to disk (materials optionally as bitmaps). Every change rewrites the
// archive at once; a failed or cancelled rewrite leaves it as it was.
#pragma once

#include <QDialog>
#include <QHash>
#include <QTreeWidget>
#include <memory>
#include <optional>
#include <vector>

#include "app/document.h"
#include "app/prompts.h"
#include "resources/archivetree.h"
#include "resources/material.h"

class QBoxLayout;
class QMimeData;
class QPushButton;
class QTemporaryDir;
class QTimer;

namespace orv {

class CMaterialPreview;

// The directory tree: takes files dropped from other programs.
class CArchiveTreeWidget : public QTreeWidget {
    Q_OBJECT
public:
    using QTreeWidget::QTreeWidget;
    bool acceptFiles = false;

signals:
    // Files (while an archive is open) and folders dropped on the tree.
    void filesDropped(const QStringList& paths);

protected:
    bool Accepts(const QMimeData* data) const;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
};

// The item list: rows dragged out become files for the drop target.
class CArchiveListWidget : public QTreeWidget {
    Q_OBJECT
public:
    using QTreeWidget::QTreeWidget;
    std::function<QMimeData*(const QList<QTreeWidgetItem*>&)> makeDragData;
    // The width the column's contents ask for.
    int ContentWidth(int column) const { return sizeHintForColumn(column); }

protected:
    void startDrag(Qt::DropActions supportedActions) override;
};

class CFileManagerDlg : public QDialog {
    Q_OBJECT
public:
    // Control ids of the buttons, for Button().
    enum Control { Close = 1, Open = 4, SaveAs = 5, Add = 7, New = 8, Delete = 9, Help = 57670 };

    // services: the settings ("Warning", "ColorMap") and the game's catalogue and
    // resource file (the colormaps for bitmaps). prompts: what the dialog asks the user.
    explicit CFileManagerDlg(DocumentEnvironment& services, QWidget* parent = nullptr, Prompts prompts = StandardPrompts());
    ~CFileManagerDlg() override;

    // The buttons' commands.
    void NewArchive();
    void OpenArchive();
    void AddFiles();
    void DeleteSelected();
    void SaveSelectedAs();

    // Opens an archive without asking; false (with a message) when it cannot be read.
    bool OpenArchiveFile(const QString& path);
    // Adds one file as "&Add" does; false when nothing was added.
    bool AddFile(const QString& path);
    // Adds several files (a multiple choice of "&Add", a drop on the tree) with one
    // rewrite of the archive; false when nothing was added.
    bool AddFileList(const QStringList& paths);
    // A folder dropped on the tree: every file below it under its path there (the game's
    // layout kept; bitmaps as materials when the user says so), into the open archive
    // with one rewrite, or, without one, as a new archive (its name asked) in one write.
    bool AddFolder(const QString& folder);
    // What a drop on the tree brought: folders as AddFolder, files as AddFileList.
    void AddDropped(const QStringList& paths);

    const QString& ArchivePath() const { return archivePath_; }
    QPushButton* Button(Control id) const;
    CArchiveTreeWidget* Tree() const { return tree_; }
    CArchiveListWidget* List() const { return list_; }
    CMaterialPreview* Preview() const { return preview_; }
    const std::vector<ArchiveTreeNode>& Nodes() const { return nodes_; }
    // Selects (and lists) a node of the tree.
    bool SelectNode(int index);
    // Selects (and lists) the node that holds the item of this full name.
    bool SelectItem(const QString& name);
    // Positions of the selected rows in the order they were selected.
    const QList<qulonglong>& SelectionOrder() const { return selectionOrder_; }
    // Makes rows selected one after another, in this order (by their names).
    void SelectRows(const QStringList& names);
    // The data a drag of these rows carries: copies of the items in a temporary folder.
    QMimeData* DragData(const QList<qulonglong>& positions);
    // Thumbnails still to be made for the listed MAT rows.
    int PendingThumbnails() const { return static_cast<int>(pendingThumbs_.size()); }
    void MakeAllThumbnails();

    Prompts& GetPrompts() { return prompts_; }

private:
    // The constructor's parts: the archive's tree and the list of a folder's items, the
    // column of buttons with the material preview, and what each control does.
    void MakeViews();
    QBoxLayout* MakeButtonColumn();
    void ConnectControls();
    // Entries into the open archive with one rewrite; the tree is read again after it.
    bool AddEntries(const QString& label, std::vector<ArchiveEntryData> entries);
    // Reads the directory again into the tree and lists the root.
    void ReadDirectory();
    // The directory of the listed node ("" for the root or none).
    std::string ListedDirectory() const;
    void ListNode(int index);
    void UpdateButtons();
    void OnSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
    void OnCurrentRowChanged(QTreeWidgetItem* current);
    void MakeThumbnails(int count);
    std::optional<ArchiveRecord> RecordAt(qulonglong position) const;
    const Palette* ThumbnailPalette();
    // The game's dflt.cmp, onto which bitmaps are remapped, when the catalogue has it.
    std::optional<Palette> BitmapPalette() const;
    // The records at these positions as the archive holds them now; false (reported,
    // and the archive listed again) when they are no longer the ones listed.
    bool CurrentRecords(const QList<qulonglong>& positions, std::vector<ArchiveRecord>& out);
    void Report(const QString& text);
    // Runs a rewrite with the progress dialog; false after a failure (reported) or a
    // cancel (not reported).
    bool RunRewrite(const QString& label, const std::function<Status(const ArchiveProgress&)>& rewrite);

    DocumentEnvironment& services_;
    Prompts prompts_;
    QString archivePath_;
    QString lastSaveFolder_;
    ArchiveDirectory directory_;
    std::vector<ArchiveTreeNode> nodes_;
    std::vector<QTreeWidgetItem*> nodeItems_;
    QHash<qulonglong, QTreeWidgetItem*> rowItems_;
    int listedNode_ = -1;
    bool busy_ = false;
    bool filling_ = false;
    QList<qulonglong> selectionOrder_;
    std::vector<qulonglong> pendingThumbs_;
    std::optional<std::optional<Palette>> thumbPalette_;  // loaded once, may be absent
    std::unique_ptr<QTemporaryDir> dragDir_;
    int dragCount_ = 0;

    CArchiveTreeWidget* tree_ = nullptr;
    CArchiveListWidget* list_ = nullptr;
    CMaterialPreview* preview_ = nullptr;
    QTimer* thumbTimer_ = nullptr;
    QPushButton* open_ = nullptr;
    QPushButton* new_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* saveAs_ = nullptr;
    QPushButton* close_ = nullptr;
    QPushButton* help_ = nullptr;
};

}  // namespace orv
