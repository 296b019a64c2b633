#include "app/filemanager_dlg.h"

#include <QDir>
#include <QDrag>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMimeData>
#include <QPushButton>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "app/help_window.h"
#include "app/materialpreview.h"
#include "base/text.h"
#include "model/file_kind.h"
#include "model/fileio.h"
#include "model/settings.h"
#include "resources/bitmap.h"
#include "resources/catalog.h"
#include "resources/filemanager.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

const FileFilters kNewFilter = {{"GOB Files (*.gob)", {"*.gob"}}, {"GOO Files (*.goo)", {"*.goo"}}};
const FileFilters kOpenFilter = {{"GOB/GOO Files (*.gob, *goo)", {"*.gob", "*.goo"}}};
constexpr int kThumbnailSize = 24;
constexpr int kThumbnailsPerTick = 24;

QString Q(const std::string& s) { return QString::fromStdString(s); }

fs::path PathOf(const QString& s) { return fs::path(s.toStdString()); }

// Asked before Save As replaces a file the file dialog did not ask about.
QString ReplaceFileQuestion(const QString& path)
{
    return QStringLiteral("The file \"%1\" already exists. Do you want to replace it?")
        .arg(QDir::toNativeSeparators(path));
}

bool IsMaterialName(const std::string& shortName) { return FileKindOf(shortName) == FileKind::Material; }

// The palette of a colormap entry of the catalogue.
Result<Palette> ColormapPalette(const DocumentEnvironment& services, const CTreeObject& entry)
{
    const auto bytes = ReadEntryData(services.resourceFile, entry);
    if (!bytes)
        return Fail(bytes.error());
    const auto cmp = ParseColormap(*bytes);
    if (!cmp)
        return Fail(cmp.error());
    return cmp->palette;
}

QStringList LocalPaths(const QMimeData* data, bool folders)
{
    QStringList out;
    if (!data || !data->hasUrls())
        return out;
    for (const QUrl& u : data->urls())
        if (u.isLocalFile() && (folders ? QFileInfo(u.toLocalFile()).isDir() : QFileInfo(u.toLocalFile()).isFile()))
            out << u.toLocalFile();
    return out;
}

QStringList LocalFiles(const QMimeData* data) { return LocalPaths(data, false); }
QStringList LocalFolders(const QMimeData* data) { return LocalPaths(data, true); }

const char* kHelpText =
    "The File Manager shows a GOB or GOO archive of the game: its directories on the left, "
    "the items of the chosen directory on the right.\n\n"
    "Open reads an archive, New creates an empty one. Add stores files in the archive "
    "under the directory the game expects for their type; a bitmap is stored as a "
    "material. Delete removes the selected items. Save As writes the selected items to "
    "a folder, materials optionally as bitmaps.\n\n"
    "Files dropped on the directory tree are added; items dragged out of the list are "
    "copied to where they are dropped. A folder dropped on the tree goes in whole, each "
    "file under its path in the folder (a mod's mat\\a.mat stays mat\\a.mat); without an "
    "open archive it becomes a new one. Every change is written to the archive at once.";

}  // namespace

// ---- tree and list ---------------------------------------------------------------

// Files go into the open archive; a folder also makes a new archive when none is open.
bool CArchiveTreeWidget::Accepts(const QMimeData* data) const
{
    return (acceptFiles && !LocalFiles(data).isEmpty()) || !LocalFolders(data).isEmpty();
}

void CArchiveTreeWidget::dragEnterEvent(QDragEnterEvent* e)
{
    // Drags from this program's own list would only add the items back.
    if (!e->source() && Accepts(e->mimeData())) {
        e->setDropAction(Qt::CopyAction);
        e->accept();
    } else {
        e->ignore();
    }
}

void CArchiveTreeWidget::dragMoveEvent(QDragMoveEvent* e)
{
    if (!e->source() && Accepts(e->mimeData())) {
        e->setDropAction(Qt::CopyAction);
        e->accept();
    } else {
        e->ignore();
    }
}

void CArchiveTreeWidget::dropEvent(QDropEvent* e)
{
    if (e->source() || !Accepts(e->mimeData())) {
        e->ignore();
        return;
    }
    QStringList files = LocalFolders(e->mimeData());
    if (acceptFiles)
        files += LocalFiles(e->mimeData());
    e->setDropAction(Qt::CopyAction);
    e->accept();
    // Added after the drop has finished, so the other program is not kept waiting by
    // questions or a long rewrite.
    QMetaObject::invokeMethod(
        this, [this, files] { emit filesDropped(files); }, Qt::QueuedConnection);
}

void CArchiveListWidget::startDrag(Qt::DropActions)
{
    const QList<QTreeWidgetItem*> items = selectedItems();
    if (items.isEmpty() || !makeDragData)
        return;
    QMimeData* data = makeDragData(items);
    if (!data)
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}

// ---- the dialog ------------------------------------------------------------------

CFileManagerDlg::CFileManagerDlg(DocumentEnvironment& services, QWidget* parent, Prompts prompts)
    : QDialog(parent), services_(services), prompts_(std::move(prompts))
{
    setWindowTitle(QStringLiteral("File Manager"));
    setSizeGripEnabled(true);
    MakeViews();
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(tree_);
    splitter->addWidget(list_);
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 3);
    splitter->setChildrenCollapsible(false);

    auto* row = new QHBoxLayout(this);
    row->addWidget(splitter, 1);
    row->addLayout(MakeButtonColumn());
    ConnectControls();
    resize(760, 460);
    UpdateButtons();
}

void CFileManagerDlg::MakeViews()
{
    tree_ = new CArchiveTreeWidget(this);
    tree_->setObjectName(QStringLiteral("tree"));
    tree_->setHeaderHidden(true);
    tree_->setColumnCount(1);
    tree_->setAcceptDrops(true);
    tree_->setDropIndicatorShown(false);

    list_ = new CArchiveListWidget(this);
    list_->setObjectName(QStringLiteral("list"));
    list_->setColumnCount(3);
    list_->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Offset"), QStringLiteral("Size")});
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setDragEnabled(true);
    list_->setDragDropMode(QAbstractItemView::DragOnly);
    list_->setIconSize(QSize(kThumbnailSize, kThumbnailSize));
    list_->header()->setStretchLastSection(false);
    list_->setColumnWidth(0, 160);
    list_->setColumnWidth(1, 63);
    list_->setColumnWidth(2, 79);
    list_->headerItem()->setTextAlignment(0, Qt::AlignLeft | Qt::AlignVCenter);
    list_->headerItem()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    list_->headerItem()->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    list_->makeDragData = [this](const QList<QTreeWidgetItem*>& items) {
        QList<qulonglong> positions;
        for (auto* it : items)
            positions << it->data(0, Qt::UserRole).toULongLong();
        return DragData(positions);
    };
}

QBoxLayout* CFileManagerDlg::MakeButtonColumn()
{
    auto makeButton = [this](const char* text, const char* name) {
        auto* b = new QPushButton(QString::fromLatin1(text), this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    open_ = makeButton("&Open", "open");
    new_ = makeButton("&New", "new");
    add_ = makeButton("&Add", "add");
    delete_ = makeButton("&Delete", "delete");
    saveAs_ = makeButton("&Save As", "saveAs");
    close_ = makeButton("&Close", "close");
    help_ = makeButton("&Help", "help");

    preview_ = new CMaterialPreview(this);
    preview_->setObjectName(QStringLiteral("preview"));
    preview_->setFixedSize(112, 112);
    preview_->SetBackground(services_.settings ? services_.settings->colorBackground : 0xC0C0C0);
    preview_->setToolTip(QStringLiteral("The selected material"));

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {open_, new_, add_, delete_, saveAs_})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(preview_, 0, Qt::AlignHCenter);
    buttons->addSpacing(8);
    buttons->addWidget(close_);
    buttons->addWidget(help_);
    return buttons;
}

void CFileManagerDlg::ConnectControls()
{
    thumbTimer_ = new QTimer(this);
    thumbTimer_->setInterval(0);
    connect(thumbTimer_, &QTimer::timeout, this, [this] {
        MakeThumbnails(kThumbnailsPerTick);
        if (pendingThumbs_.empty())
            thumbTimer_->stop();
    });

    connect(open_, &QPushButton::clicked, this, &CFileManagerDlg::OpenArchive);
    connect(new_, &QPushButton::clicked, this, &CFileManagerDlg::NewArchive);
    connect(add_, &QPushButton::clicked, this, &CFileManagerDlg::AddFiles);
    connect(delete_, &QPushButton::clicked, this, &CFileManagerDlg::DeleteSelected);
    connect(saveAs_, &QPushButton::clicked, this, &CFileManagerDlg::SaveSelectedAs);
    connect(close_, &QPushButton::clicked, this, &QDialog::accept);
    connect(help_, &QPushButton::clicked, this, [this] { ShowHelpOr(prompts_, this, QLatin1String(kHelpText)); });
    connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
        if (!filling_ && current)
            ListNode(current->data(0, Qt::UserRole).toInt());
    });
    connect(tree_, &CArchiveTreeWidget::filesDropped, this, &CFileManagerDlg::AddDropped);
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CFileManagerDlg::OnSelectionChanged);
    connect(list_, &QTreeWidget::currentItemChanged, this, &CFileManagerDlg::OnCurrentRowChanged);
}

CFileManagerDlg::~CFileManagerDlg() = default;

QPushButton* CFileManagerDlg::Button(Control id) const
{
    switch (id) {
    case Close: return close_;
    case Open: return open_;
    case SaveAs: return saveAs_;
    case Add: return add_;
    case New: return new_;
    case Delete: return delete_;
    case Help: return help_;
    }
    return nullptr;
}

void CFileManagerDlg::Report(const QString& text)
{
    Tell(prompts_, this, text);
}

void CFileManagerDlg::UpdateButtons()
{
    const bool open = !archivePath_.isEmpty();
    const bool rows = !selectionOrder_.isEmpty();
    new_->setVisible(!open);
    add_->setVisible(open);
    delete_->setVisible(open);
    add_->setEnabled(open && !rows);
    delete_->setEnabled(open && rows);
    saveAs_->setEnabled(open && rows);
    tree_->acceptFiles = open;
}

// ---- New and Open -----------------------------------------------------------------

void CFileManagerDlg::NewArchive()
{
    if (busy_ || !prompts_.saveFile)
        return;
    FileRequest r;
    r.caption = QStringLiteral("New");
    r.filters = kNewFilter;
    r.fileName = QStringLiteral("New");
    r.defaultSuffix = QStringLiteral("GOB");
    r.directory = archivePath_.isEmpty() ? QString() : QFileInfo(archivePath_).absolutePath();
    const FileAnswer a = prompts_.saveFile(this, r);
    if (a.Cancelled())
        return;
    if (Status created = CreateArchive(PathOf(a.files.first())); !created) {
        Report(QStringLiteral("Cannot create the archive %1:\n%2")
                   .arg(QDir::toNativeSeparators(a.files.first()), Q(created.error())));
        return;
    }
    OpenArchiveFile(a.files.first());
}

void CFileManagerDlg::OpenArchive()
{
    if (busy_ || !prompts_.openFiles)
        return;
    FileRequest r;
    r.caption = QStringLiteral("Open");
    r.filters = kOpenFilter;
    r.defaultSuffix = QStringLiteral("GOB");
    r.directory = archivePath_.isEmpty() ? QString() : QFileInfo(archivePath_).absolutePath();
    const FileAnswer a = prompts_.openFiles(this, r);
    if (!a.Cancelled())
        OpenArchiveFile(a.files.first());
}

bool CFileManagerDlg::OpenArchiveFile(const QString& path)
{
    if (busy_)
        return false;
    if (const auto dir = ReadArchiveDirectory(PathOf(path)); !dir) {
        Report(QStringLiteral("Cannot open the archive %1:\n%2").arg(QDir::toNativeSeparators(path), Q(dir.error())));
        return false;
    }
    archivePath_ = QFileInfo(path).absoluteFilePath();
    setWindowTitle(QStringLiteral("File Manager - ") + QDir::toNativeSeparators(archivePath_));
    ReadDirectory();
    if (Status intact = CheckArchiveIntact(directory_); !intact)
        Report(QStringLiteral("The archive %1 is %2.\nIts items can be listed and saved, but it cannot be changed.")
                   .arg(QDir::toNativeSeparators(archivePath_), Q(intact.error())));
    return true;
}

// ---- the tree and the list ----------------------------------------------------------

void CFileManagerDlg::ReadDirectory()
{
    thumbTimer_->stop();
    filling_ = true;
    list_->clear();
    rowItems_.clear();
    tree_->clear();
    nodeItems_.clear();
    nodes_.clear();
    selectionOrder_.clear();
    pendingThumbs_.clear();
    preview_->ClearImage();
    listedNode_ = -1;

    if (auto dir = ReadArchiveDirectory(PathOf(archivePath_))) {
        directory_ = std::move(*dir);
    } else {
        directory_ = ArchiveDirectory{};
        Report(QStringLiteral("Cannot read the archive %1:\n%2")
                   .arg(QDir::toNativeSeparators(archivePath_), Q(dir.error())));
    }
    nodes_ = BuildArchiveTree(QFileInfo(archivePath_).fileName().toStdString(), directory_.records);
    for (std::size_t i = 0; i < nodes_.size(); ++i) {
        auto* item = new QTreeWidgetItem(QStringList{Q(ShownName(nodes_[i].label))});
        item->setData(0, Qt::UserRole, static_cast<int>(i));
        const int parent = nodes_[i].parent;
        if (parent < 0)
            tree_->addTopLevelItem(item);
        else
            nodeItems_[static_cast<std::size_t>(parent)]->addChild(item);
        nodeItems_.push_back(item);
    }
    filling_ = false;
    if (!nodeItems_.empty()) {
        nodeItems_.front()->setExpanded(true);
        tree_->scrollToItem(nodeItems_.front());
    }
    tree_->setFocus();
    SelectNode(0);
    UpdateButtons();
}

bool CFileManagerDlg::SelectNode(int index)
{
    if (index < 0 || index >= static_cast<int>(nodeItems_.size()))
        return false;
    QTreeWidgetItem* item = nodeItems_[static_cast<std::size_t>(index)];
    tree_->scrollToItem(item);
    if (tree_->currentItem() == item)
        ListNode(index);
    else
        tree_->setCurrentItem(item);
    return listedNode_ == index;
}

bool CFileManagerDlg::SelectItem(const QString& name)
{
    const auto index = FindArchiveRecord(directory_.records, name.toStdString());
    if (!index)
        return false;
    if (!SelectNode(ArchiveNodeOfRecord(nodes_, directory_.records, *index)))
        return false;
    if (QTreeWidgetItem* row = rowItems_.value(ArchiveRecordPosition(*index)))
        list_->scrollToItem(row);
    return true;
}

std::string CFileManagerDlg::ListedDirectory() const
{
    return listedNode_ > 0 ? nodes_[static_cast<std::size_t>(listedNode_)].directory : std::string();
}

void CFileManagerDlg::ListNode(int index)
{
    if (index < 0 || index >= static_cast<int>(nodes_.size()))
        return;
    thumbTimer_->stop();
    listedNode_ = index;
    filling_ = true;
    list_->setUpdatesEnabled(false);
    list_->clear();
    rowItems_.clear();
    selectionOrder_.clear();
    pendingThumbs_.clear();
    preview_->ClearImage();
    for (const ArchiveListRow& row : ListArchiveNode(directory_.records, nodes_[static_cast<std::size_t>(index)])) {
        auto* item =
            new QTreeWidgetItem(QStringList{Q(ShownName(row.name)), QString::number(row.offset), QString::number(row.size)});
        item->setData(0, Qt::UserRole, static_cast<qulonglong>(row.position));
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        list_->addTopLevelItem(item);
        rowItems_.insert(row.position, item);
        if (IsMaterialName(row.name))
            pendingThumbs_.push_back(row.position);
    }
    // Large offsets need more room than the usual widths give; a column only ever widens.
    for (int c = 1; c < 3; ++c)
        if (list_->ContentWidth(c) > list_->columnWidth(c))
            list_->setColumnWidth(c, list_->ContentWidth(c));
    list_->setUpdatesEnabled(true);
    filling_ = false;
    UpdateButtons();
    if (!pendingThumbs_.empty())
        thumbTimer_->start();
}

void CFileManagerDlg::OnSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    if (filling_)
        return;
    for (const QModelIndex& i : deselected.indexes())
        if (i.column() == 0)
            selectionOrder_.removeAll(i.data(Qt::UserRole).toULongLong());
    for (const QModelIndex& i : selected.indexes())
        if (i.column() == 0) {
            const qulonglong pos = i.data(Qt::UserRole).toULongLong();
            if (!selectionOrder_.contains(pos))
                selectionOrder_ << pos;
        }
    UpdateButtons();
}

void CFileManagerDlg::SelectRows(const QStringList& names)
{
    list_->clearSelection();
    for (const QString& n : names)
        for (int i = 0; i < list_->topLevelItemCount(); ++i)
            if (list_->topLevelItem(i)->text(0) == n)
                list_->topLevelItem(i)->setSelected(true);
}

std::optional<ArchiveRecord> CFileManagerDlg::RecordAt(qulonglong position) const
{
    const auto index = ArchiveRecordIndexAt(position, directory_.records.size());
    if (!index)
        return std::nullopt;
    return directory_.records[*index];
}

bool CFileManagerDlg::CurrentRecords(const QList<qulonglong>& positions, std::vector<ArchiveRecord>& out)
{
    // Rows are identified by their records' positions; the archive is read again so
    // that a change made by another program since the listing cannot make a command
    // act on other items than the ones shown.
    out.clear();
    const auto read = ReadArchiveDirectory(PathOf(archivePath_));
    bool same = read.ok();
    for (qulonglong pos : positions) {
        if (!same)
            break;
        const ArchiveDirectory& now = *read;
        const auto shown = RecordAt(pos);
        const auto index = ArchiveRecordIndexAt(pos, now.records.size());
        if (!shown || !index || now.records[*index].name != shown->name ||
            now.records[*index].offset != shown->offset || now.records[*index].size != shown->size) {
            same = false;
            break;
        }
        out.push_back(now.records[*index]);
    }
    if (same)
        return true;
    const std::string dir = ListedDirectory();
    const std::string& error = read.error();
    Report(
        error.empty()
            ? QStringLiteral("The archive %1 has been changed by another program. It is read again; "
                             "please choose the items once more.")
                  .arg(QDir::toNativeSeparators(archivePath_))
            : QStringLiteral("Cannot read the archive %1:\n%2").arg(QDir::toNativeSeparators(archivePath_), Q(error)));
    // Not while a drag is starting: the rows it was made from must stay.
    QMetaObject::invokeMethod(
        this,
        [this, dir] {
            if (busy_ || archivePath_.isEmpty())
                return;
            ReadDirectory();
            SelectNode(ArchiveNodeOfDirectory(nodes_, dir));
        },
        Qt::QueuedConnection);
    return false;
}

// ---- thumbnails and preview ----------------------------------------------------------

const Palette* CFileManagerDlg::ThumbnailPalette()
{
    if (!thumbPalette_) {
        thumbPalette_.emplace();
        if (services_.catalog && services_.settings)
            if (const auto cmp = LoadColormap(*services_.catalog, services_.resourceFile, services_.settings->colorMap))
                thumbPalette_->emplace(cmp->palette);
    }
    return thumbPalette_->has_value() ? &**thumbPalette_ : nullptr;
}

void CFileManagerDlg::MakeThumbnails(int count)
{
    // Without a colormap only 16-bit materials, which hold their colours, get pictures.
    const Palette* palette = ThumbnailPalette();
    while (count-- > 0 && !pendingThumbs_.empty()) {
        const qulonglong pos = pendingThumbs_.front();
        pendingThumbs_.erase(pendingThumbs_.begin());
        QTreeWidgetItem* item = rowItems_.value(pos);
        const auto record = RecordAt(pos);
        if (!item || !record)
            continue;
        const auto bytes = ReadArchiveEntry(PathOf(archivePath_), *record);
        const auto image = bytes ? ConvertMatFirstCel(*bytes, palette) : Fail(bytes.error());
        if (!image)
            continue;
        const QImage cel = CelImage(*image);
        if (!cel.isNull())
            item->setIcon(0, QPixmap::fromImage(cel.scaled(kThumbnailSize, kThumbnailSize, Qt::KeepAspectRatio)));
    }
}

void CFileManagerDlg::MakeAllThumbnails()
{
    while (!pendingThumbs_.empty())
        MakeThumbnails(kThumbnailsPerTick);
    thumbTimer_->stop();
}

void CFileManagerDlg::OnCurrentRowChanged(QTreeWidgetItem* current)
{
    preview_->ClearImage();
    if (filling_ || !current || !IsMaterialName(current->text(0).toStdString()))
        return;
    const Palette* palette = ThumbnailPalette();
    const auto record = RecordAt(current->data(0, Qt::UserRole).toULongLong());
    if (!record)
        return;
    const auto bytes = ReadArchiveEntry(PathOf(archivePath_), *record);
    const auto image = bytes ? ConvertMatFirstCel(*bytes, palette) : Fail(bytes.error());
    if (image) {
        preview_->SetImage(CelImage(*image));
        preview_->setToolTip(
            QStringLiteral("%1 - x= %2, y= %3").arg(current->text(0)).arg(image->width).arg(image->height));
    }
}

// ---- changes ---------------------------------------------------------------------

bool CFileManagerDlg::RunRewrite(const QString& label, const std::function<Status(const ArchiveProgress&)>& rewrite)
{
    bool cancelled = false;
    bool waitCursor = false;
    ArchiveProgress shown = prompts_.progress ? prompts_.progress(this, label) : ArchiveProgress{};
    const ArchiveProgress callback = [&](uint64_t done, uint64_t total) {
        if (!waitCursor) {
            // Only once copying has begun: questions asked before keep the normal cursor.
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
            waitCursor = true;
        }
        if (!shown)
            return true;
        const bool go = shown(done, total);
        cancelled = cancelled || !go;
        return go;
    };
    busy_ = true;
    const Status rewritten = rewrite(callback);
    busy_ = false;
    if (waitCursor)
        QGuiApplication::restoreOverrideCursor();
    shown = nullptr;  // closes the progress dialog
    if (!rewritten && !cancelled)
        Report(label + QStringLiteral(" failed:\n") + Q(rewritten.error()) +
               QStringLiteral("\n\nThe archive is unchanged."));
    return rewritten.ok();
}

void CFileManagerDlg::AddFiles()
{
    if (busy_ || archivePath_.isEmpty() || !prompts_.openFiles)
        return;
    FileRequest r;
    r.caption = QStringLiteral("Add");
    const std::string node =
        listedNode_ >= 0 ? nodes_[static_cast<std::size_t>(listedNode_)].entry.shortName : std::string();
    r.filters = AddFilesFilter(node);
    r.multiple = true;
    const FileAnswer a = prompts_.openFiles(this, r);
    if (!a.Cancelled())
        AddFileList(a.files);
}

bool CFileManagerDlg::AddFile(const QString& path) { return AddFileList(QStringList{path}); }

void CFileManagerDlg::AddDropped(const QStringList& paths)
{
    QStringList files;
    for (const QString& p : paths) {
        if (QFileInfo(p).isDir())
            AddFolder(p);
        else
            files << p;
    }
    if (!files.isEmpty())
        AddFileList(files);
}

std::optional<Palette> CFileManagerDlg::BitmapPalette() const
{
    // Bitmaps are remapped onto the game's default colormap when the catalogue has it.
    if (services_.catalog)
        if (const CTreeObject* cmp = services_.catalog->colormaps.Lookup("dflt.cmp"))
            if (const auto p = ColormapPalette(services_, *cmp))
                return *p;
    return std::nullopt;
}

bool CFileManagerDlg::AddFolder(const QString& folder)
{
    if (busy_)
        return false;
    const fs::path root = PathOf(folder);
    // Bitmaps become materials only when the user says so: a mod may keep bitmaps of its own.
    bool bitmapsAsMaterials = false;
    {
        auto plain = CollectFolderTree(root, false);
        if (!plain) {
            Report(QStringLiteral("The folder %1 cannot go into an archive:\n%2")
                       .arg(QDir::toNativeSeparators(folder), Q(plain.error())));
            return false;
        }
        const auto bitmaps = std::count_if(plain->begin(), plain->end(), [](const ArchiveSourceItem& i) {
            return FileKindOf(ShortNameOf(i.name)) == FileKind::Bitmap;
        });
        if (bitmaps > 0 && prompts_.message)
            bitmapsAsMaterials = AskYesNo(
                prompts_, this,
                QStringLiteral("The folder holds %1 bitmap(s). Store them as materials (NAME.mat)?").arg(bitmaps));
    }
    const std::optional<Palette> palette = bitmapsAsMaterials ? BitmapPalette() : std::nullopt;
    auto items = CollectFolderTree(root, bitmapsAsMaterials, palette ? &*palette : nullptr);
    if (!items) {
        Report(QStringLiteral("The folder %1 cannot go into an archive:\n%2")
                   .arg(QDir::toNativeSeparators(folder), Q(items.error())));
        return false;
    }
    const QString label = QStringLiteral("Adding the folder %1").arg(QFileInfo(folder).fileName());

    if (archivePath_.isEmpty()) {
        // No archive open: the folder becomes a new one, written in one pass.
        if (!prompts_.saveFile)
            return false;
        FileRequest r;
        r.caption = QStringLiteral("New");
        r.filters = kNewFilter;
        r.fileName = QFileInfo(folder).fileName() + QStringLiteral(".gob");
        r.defaultSuffix = QStringLiteral("GOB");
        r.directory = QFileInfo(folder).absolutePath();
        const FileAnswer a = prompts_.saveFile(this, r);
        if (a.Cancelled())
            return false;
        const QString target = a.files.first();
        if (!RunRewrite(label, [&](const ArchiveProgress& progress) {
                return WriteArchiveFromSources(PathOf(target), *items, progress);
            }))
            return false;
        return OpenArchiveFile(target);
    }

    // Into the open archive, with one rewrite; items of names it has are asked about.
    std::vector<ArchiveEntryData> entries;
    entries.reserve(items->size());
    for (ArchiveSourceItem& item : *items) {
        ArchiveEntryData e;
        e.name = item.name;
        if (item.file.empty()) {
            e.data = std::move(item.data);
        } else if (auto bytes = ReadWholeFile(item.file)) {
            e.data = std::move(*bytes);
        } else {
            Report(label + QStringLiteral(" failed:\n") + Q(bytes.error()) +
                   QStringLiteral("\n\nThe archive is unchanged."));
            return false;
        }
        entries.push_back(std::move(e));
    }
    return AddEntries(label, std::move(entries));
}

// Entries into the open archive with one rewrite (names it has are asked about when
// warnings are on); the tree is read again with the last one added selected.
bool CFileManagerDlg::AddEntries(const QString& label, std::vector<ArchiveEntryData> entries)
{
    bool ok = false;
    std::vector<AddFileResult> results;
    if (!entries.empty()) {
        const bool warn = services_.settings && services_.settings->warning != 0;
        AddFileOptions options;
        options.onDuplicate = warn ? DuplicatePolicy::Ask : DuplicatePolicy::Replace;
        options.askReplace = [this](const std::string& name) {
            return AskYesNo(prompts_, this, Q(DuplicateItemQuestion(name)));
        };
        ok = RunRewrite(label, [&](const ArchiveProgress& progress) -> Status {
            options.progress = progress;
            auto added = AddEntriesToArchive(PathOf(archivePath_), std::move(entries), options);
            if (!added)
                return Fail(added.error());
            results = std::move(*added);
            return {};
        });
    }
    const std::string before = ListedDirectory();
    ReadDirectory();
    if (ok && !results.empty())
        SelectItem(Q(results.back().itemName));
    else
        SelectNode(ArchiveNodeOfDirectory(nodes_, before));
    return ok;
}

bool CFileManagerDlg::AddFileList(const QStringList& paths)
{
    if (busy_ || archivePath_.isEmpty() || paths.isEmpty())
        return false;
    const std::optional<Palette> dflt = BitmapPalette();

    // Files that cannot be read or converted are left out and named afterwards; the
    // others go in together, with one rewrite of the archive.
    std::vector<ArchiveEntryData> entries;
    QString firstFile;
    QStringList failures;
    for (const QString& p : paths) {
        if (auto e = PrepareArchiveFile(PathOf(p), dflt ? &*dflt : nullptr)) {
            if (entries.empty())
                firstFile = QFileInfo(p).fileName();
            entries.push_back(std::move(*e));
        } else {
            failures << QDir::toNativeSeparators(p) + QStringLiteral(": ") + Q(e.error());
        }
    }

    const QString label = entries.size() == 1 ? QStringLiteral("Adding %1").arg(firstFile)
                                              : QStringLiteral("Adding %1 files").arg(entries.size());
    const bool ok = AddEntries(label, std::move(entries));
    if (!failures.isEmpty())
        Report(QStringLiteral("These files could not be added:\n") + failures.join(QLatin1Char('\n')));
    return ok;
}

void CFileManagerDlg::DeleteSelected()
{
    if (busy_ || archivePath_.isEmpty() || selectionOrder_.isEmpty())
        return;
    std::vector<ArchiveRecord> records;
    if (!CurrentRecords(selectionOrder_, records))
        return;
    ArchiveEdit edit;
    for (const auto& r : records)
        edit.removals.push_back(r.name);
    const std::string dir = ListedDirectory();
    // One rewrite removes them all, so the archive never holds half of the deletion.
    RunRewrite(edit.removals.size() == 1 ? QStringLiteral("Deleting %1").arg(Q(ShownName(ShortNameOf(edit.removals.front()))))
                                         : QStringLiteral("Deleting %1 items").arg(edit.removals.size()),
               [&](const ArchiveProgress& progress) -> Status {
                   if (const auto rewritten = RewriteArchive(PathOf(archivePath_), edit, progress); !rewritten)
                       return Fail(rewritten.error());
                   return {};
               });
    ReadDirectory();
    SelectNode(ArchiveNodeOfDirectory(nodes_, dir));
}

void CFileManagerDlg::SaveSelectedAs()
{
    if (busy_ || archivePath_.isEmpty() || selectionOrder_.isEmpty() || !prompts_.saveFile)
        return;
    std::vector<ArchiveRecord> records;
    if (!CurrentRecords(selectionOrder_, records))
        return;

    // The first item's dialog chooses the folder and the type for all of them.
    const std::string firstShort = ShortNameOf(records.front().name);
    FileRequest r;
    r.caption = QStringLiteral("Save As");
    r.filters = SaveItemFilter(firstShort);
    r.fileName = Q(SafeFileNamePart(firstShort));
    r.directory = lastSaveFolder_;
    const FileAnswer a = prompts_.saveFile(this, r);
    if (a.Cancelled())
        return;
    const bool asBitmap = a.filterIndex == 1 && IsMaterialName(firstShort);
    QFileInfo chosen(a.files.first());
    const QString folder = chosen.absolutePath();
    lastSaveFolder_ = folder;

    // The colormap and the rule of which items become bitmaps are those of `gob extract
    // --bmp`: 8-bit materials need the game's (else the archive's) first colormap; 16-bit
    // ones hold their colours.
    std::optional<Palette> palette;
    QString noPalette = QStringLiteral(
        "8-bit materials cannot be saved as bitmaps: the game's resources hold no "
        "colormap.");
    if (asBitmap) {
        const auto chosen = ExtractionPalette(services_.catalog, services_.resourceFile, PathOf(archivePath_));
        if (!chosen)
            noPalette =
                QStringLiteral("8-bit materials cannot be saved as bitmaps: the colormap %1").arg(Q(chosen.error()));
        else
            palette = *chosen;
    }

    const bool warn = services_.settings && services_.settings->warning != 0;
    QStringList failures;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const ArchiveRecord& rec = records[i];
        const auto form = ExtractionFormOf(PathOf(archivePath_), rec, asBitmap, palette ? &*palette : nullptr);
        if (!form) {
            failures << Q(form.error());
            continue;
        }
        if (*form == ExtractionForm::NeedsColormap) {
            failures << Q(ShownName(rec.name)) + QStringLiteral(": ") + noPalette;
            continue;
        }
        const bool convert = *form == ExtractionForm::Bitmap;
        fs::path target;
        bool askedInDialog = false;
        if (i == 0) {
            QString name = chosen.fileName();
            // Only the file name changes its extension, never a folder with a dot.
            if (convert)
                name = name.left(static_cast<int>(name.indexOf(QLatin1Char('.')))) + QStringLiteral(".bmp");
            target = PathOf(QDir(folder).filePath(name));
            askedInDialog = QDir(folder).filePath(name) == chosen.absoluteFilePath();
        } else if (auto t = ExtractionTarget(PathOf(folder), rec.name, convert)) {
            target = std::move(*t);
        } else {
            failures << Q(ShownName(rec.name)) + QStringLiteral(": ") + Q(t.error());
            continue;
        }
        // The file dialog asked about the name chosen in it; any other file that exists
        // (one this command has just written, too) is asked about here.
        std::error_code ec;
        if (warn && !askedInDialog && fs::exists(target, ec) &&
            !(AskYesNo(prompts_, this, ReplaceFileQuestion(Q(target.string())))))
            continue;
        if (Status saved = ExtractArchiveItem(PathOf(archivePath_), rec, target,
                                              convert && palette ? &*palette : nullptr, convert);
            !saved)
            failures << Q(ShownName(rec.name)) + QStringLiteral(": ") + Q(saved.error());
    }
    if (!failures.isEmpty())
        Report(QStringLiteral("These items could not be saved:\n") + failures.join(QLatin1Char('\n')));
}

QMimeData* CFileManagerDlg::DragData(const QList<qulonglong>& positions)
{
    if (archivePath_.isEmpty() || positions.isEmpty())
        return nullptr;
    if (!dragDir_) {
        dragDir_ = std::make_unique<QTemporaryDir>(QDir::temp().filePath(QStringLiteral("orvane-drag-XXXXXX")));
        if (!dragDir_->isValid()) {
            Report(QStringLiteral("Cannot make a temporary folder for the dragged items."));
            dragDir_.reset();
            return nullptr;
        }
    }
    std::vector<ArchiveRecord> records;
    if (!CurrentRecords(positions, records))
        return nullptr;
    // Each drag gets a folder of its own, so a drop target still copying the files of
    // an earlier drag is not disturbed.
    const QString folder = QDir(dragDir_->path()).filePath(QString::number(++dragCount_));
    QList<QUrl> urls;
    QStringList failures;
    for (const ArchiveRecord& record : records) {
        // Items of the same short name go into folders of their own.
        QString dir = folder;
        for (int k = 1; QFileInfo::exists(QDir(dir).filePath(Q(SafeFileNamePart(ShortNameOf(record.name))))); ++k)
            dir = QDir(folder).filePath(QString::number(k));
        QDir().mkpath(dir);
        const auto target = ExtractionTarget(PathOf(dir), record.name, false);
        const Status written =
            target ? ExtractArchiveItem(PathOf(archivePath_), record, *target, nullptr) : Fail(target.error());
        if (!written) {
            failures << Q(ShownName(record.name)) + QStringLiteral(": ") + Q(written.error());
            continue;
        }
        urls << QUrl::fromLocalFile(Q(target->string()));
    }
    if (!failures.isEmpty())
        Report(QStringLiteral("These items could not be dragged:\n") + failures.join(QLatin1Char('\n')));
    if (urls.isEmpty())
        return nullptr;
    auto* data = new QMimeData;
    data->setUrls(urls);
    return data;
}

}  // namespace orv
