#include "app/help_window.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTextBrowser>
#include <QToolBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include "app/anim_dialogs.h"
#include "app/dialogs.h"
#include "app/edit_dialogs.h"
#include "app/filemanager_dlg.h"
#include "app/checkmod_dlg.h"
#include "app/limits_dlg.h"
#include "app/materials_dlg.h"
#include "app/options_dlg.h"
#include "app/panes.h"

namespace orv {

namespace {

constexpr int kLinkRole = Qt::UserRole;

void AddContents(QTreeWidgetItem* parent, QTreeWidget* tree, const std::vector<HelpContentsNode>& nodes)
{
    for (const HelpContentsNode& n : nodes) {
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
        item->setText(0, n.title);
        item->setData(0, kLinkRole, n.link);
        item->setToolTip(0, n.title);
        AddContents(item, tree, n.children);
    }
}

// The page's file name and anchor as one link relative to the help folder.
QString LinkOf(const QUrl& url, const QString& folder)
{
    const QString file = QDir(folder).relativeFilePath(url.toLocalFile());
    return url.hasFragment() ? file + QLatin1Char('#') + url.fragment() : file;
}

}  // namespace

CHelpWindow::CHelpWindow(const QString& folder, std::function<bool(const QUrl&)> openExternal, QWidget* parent)
    : QWidget(parent, Qt::Window), folder_(QDir(folder).absolutePath()), openExternal_(std::move(openExternal))
{
    setObjectName(QStringLiteral("HelpViewer"));
    setWindowTitle(QStringLiteral("Orvane Help"));
    resize(960, 640);

    QToolBar* bar = MakeToolBar();
    MakeBrowser();
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("HelpTabs"));
    tabs_->addTab(MakeContentsTab(), QStringLiteral("&Contents"));
    tabs_->addTab(MakeIndexTab(), QStringLiteral("&Index"));
    tabs_->addTab(MakeSearchTab(), QStringLiteral("&Search"));

    // The tab chosen takes the keys: typing goes into its line at once.
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
        if (index == 1)
            indexFilter_->setFocus();
        else if (index == 2)
            searchLine_->setFocus();
    });

    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(tabs_);
    split->addWidget(browser_);
    split->setStretchFactor(0, 0);
    split->setStretchFactor(1, 1);
    split->setSizes({260, 700});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(split);

    pages_ = ReadHelpFolder(folder_);
    FillContents();
    FillIndex();
}

QToolBar* CHelpWindow::MakeToolBar()
{
    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("HelpToolBar"));
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    back_ = bar->addAction(style()->standardIcon(QStyle::SP_ArrowBack), QStringLiteral("&Back"));
    back_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Left));
    back_->setToolTip(QStringLiteral("Back to the page before (Alt+Left)"));
    forward_ = bar->addAction(style()->standardIcon(QStyle::SP_ArrowForward), QStringLiteral("&Forward"));
    forward_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Right));
    forward_->setToolTip(QStringLiteral("Forward to the page after (Alt+Right)"));
    home_ = bar->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), QStringLiteral("&Home"));
    home_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Home));
    home_->setToolTip(QStringLiteral("The start page with the contents (Alt+Home)"));
    for (QAction* a : {back_, forward_, home_})
        a->setShortcutContext(Qt::WindowShortcut);
    back_->setEnabled(false);
    forward_->setEnabled(false);
    return bar;
}

// The page: links into the help folder open here, anything else on the desktop.
void CHelpWindow::MakeBrowser()
{
    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("HelpBrowser"));
    browser_->setAccessibleName(QStringLiteral("Help page"));
    // Pages of the help folder open here; anything else goes to the desktop.
    browser_->setOpenExternalLinks(false);
    browser_->setOpenLinks(false);
    connect(browser_, &QTextBrowser::anchorClicked, this, &CHelpWindow::OpenLink);
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QAction::setEnabled);
    connect(back_, &QAction::triggered, browser_, &QTextBrowser::backward);
    connect(forward_, &QAction::triggered, browser_, &QTextBrowser::forward);
    connect(home_, &QAction::triggered, this, &CHelpWindow::Home);
    // The browser tells the new page before its history (and source()) has it.
    connect(browser_, &QTextBrowser::sourceChanged, this, [this](const QUrl& url) {
        const QString title = browser_->documentTitle();
        setWindowTitle(title.isEmpty() ? QStringLiteral("Orvane Help") : QStringLiteral("Orvane Help - ") + title);
        MarkCurrentInContents(url);
    });
}

QWidget* CHelpWindow::MakeContentsTab()
{
    contents_ = new QTreeWidget(tabs_);
    contents_->setObjectName(QStringLiteral("HelpContents"));
    contents_->setAccessibleName(QStringLiteral("Contents"));
    contents_->setHeaderHidden(true);
    connect(contents_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        if (const QString link = item->data(0, kLinkRole).toString(); !link.isEmpty())
            ShowPage(link);
    });
    connect(contents_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        if (const QString link = item->data(0, kLinkRole).toString(); !link.isEmpty())
            ShowPage(link);
        else
            item->setExpanded(!item->isExpanded());
    });
    return contents_;
}

// The index: a filter line over the terms.
QWidget* CHelpWindow::MakeIndexTab()
{
    auto* indexTab = new QWidget(tabs_);
    indexFilter_ = new QLineEdit(indexTab);
    indexFilter_->setObjectName(QStringLiteral("HelpIndexFilter"));
    indexFilter_->setAccessibleName(QStringLiteral("Look for"));
    indexFilter_->setPlaceholderText(QStringLiteral("Type the first letters of a term"));
    indexFilter_->setClearButtonEnabled(true);
    index_ = new QTreeWidget(indexTab);
    index_->setObjectName(QStringLiteral("HelpIndex"));
    index_->setAccessibleName(QStringLiteral("Index"));
    index_->setHeaderHidden(true);
    index_->setRootIsDecorated(true);
    connect(indexFilter_, &QLineEdit::textChanged, this, &CHelpWindow::FilterIndex);
    connect(indexFilter_, &QLineEdit::returnPressed, this, [this] {
        if (QTreeWidgetItem* item = index_->currentItem(); item && !item->isHidden())
            OpenIndexItem(item);
    });
    connect(index_, &QTreeWidget::itemActivated, this, &CHelpWindow::OpenIndexItem);
    connect(index_, &QTreeWidget::itemClicked, this, &CHelpWindow::OpenIndexItem);
    auto* indexLayout = new QVBoxLayout(indexTab);
    indexLayout->setContentsMargins(4, 4, 4, 4);
    auto* lookFor = new QLabel(QStringLiteral("&Look for:"), indexTab);
    lookFor->setBuddy(indexFilter_);
    indexLayout->addWidget(lookFor);
    indexLayout->addWidget(indexFilter_);
    indexLayout->addWidget(index_);
    return indexTab;
}

// The search: words, all of which a page must hold, and the pages found.
QWidget* CHelpWindow::MakeSearchTab()
{
    auto* searchTab = new QWidget(tabs_);
    searchLine_ = new QLineEdit(searchTab);
    searchLine_->setObjectName(QStringLiteral("HelpSearchLine"));
    searchLine_->setAccessibleName(QStringLiteral("Search for"));
    searchLine_->setPlaceholderText(QStringLiteral("Words, all of which a page must hold"));
    searchLine_->setClearButtonEnabled(true);
    auto* searchButton = new QPushButton(QStringLiteral("&Search"), searchTab);
    searchButton->setObjectName(QStringLiteral("HelpSearchButton"));
    results_ = new QListWidget(searchTab);
    results_->setObjectName(QStringLiteral("HelpSearchResults"));
    results_->setAccessibleName(QStringLiteral("Pages found"));
    connect(searchLine_, &QLineEdit::returnPressed, this, [this] { Search(searchLine_->text()); });
    connect(searchButton, &QPushButton::clicked, this, [this] { Search(searchLine_->text()); });
    auto openResult = [this](QListWidgetItem* item) {
        if (!item)
            return;
        ShowPage(item->data(kLinkRole).toString());
        // The first place the search found on the page.
        if (!searchWord_.isEmpty())
            browser_->find(searchWord_);
    };
    connect(results_, &QListWidget::itemClicked, this, openResult);
    connect(results_, &QListWidget::itemActivated, this, openResult);
    auto* searchLayout = new QVBoxLayout(searchTab);
    searchLayout->setContentsMargins(4, 4, 4, 4);
    auto* searchFor = new QLabel(QStringLiteral("Search &for:"), searchTab);
    searchFor->setBuddy(searchLine_);
    searchLayout->addWidget(searchFor);
    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(searchLine_);
    searchRow->addWidget(searchButton);
    searchLayout->addLayout(searchRow);
    searchLayout->addWidget(results_);
    return searchTab;
}

void CHelpWindow::FillContents()
{
    contents_->clear();
    QFile start(QDir(folder_).filePath(QStringLiteral("index.html")));
    if (!start.open(QIODevice::ReadOnly))
        return;
    AddContents(nullptr, contents_, ReadHelpContents(QString::fromUtf8(start.readAll())));
    contents_->expandToDepth(0);
}

void CHelpWindow::FillIndex()
{
    index_->clear();
    for (const HelpIndexEntry& e : BuildHelpIndex(pages_)) {
        auto* item = new QTreeWidgetItem(index_);
        item->setText(0, e.term);
        if (e.pages.size() == 1) {
            item->setData(0, kLinkRole, e.pages.first().link);
            item->setToolTip(0, e.pages.first().title);
            continue;
        }
        // A term of several pages: its pages below it to choose from.
        for (const HelpTarget& t : e.pages) {
            auto* page = new QTreeWidgetItem(item);
            page->setText(0, t.title);
            page->setData(0, kLinkRole, t.link);
        }
    }
}

void CHelpWindow::FilterIndex(const QString& text)
{
    const QString wanted = text.trimmed();
    QTreeWidgetItem* first = nullptr;
    for (int i = 0; i < index_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = index_->topLevelItem(i);
        const bool shown = item->text(0).contains(wanted, Qt::CaseInsensitive);
        item->setHidden(!shown);
        if (shown && !first)
            first = item;
    }
    // The best match is the first term that starts with the text, else the first shown.
    for (int i = 0; i < index_->topLevelItemCount() && !wanted.isEmpty(); ++i)
        if (QTreeWidgetItem* item = index_->topLevelItem(i);
            !item->isHidden() && item->text(0).startsWith(wanted, Qt::CaseInsensitive)) {
            first = item;
            break;
        }
    if (first)
        index_->setCurrentItem(first);
}

void CHelpWindow::OpenIndexItem(QTreeWidgetItem* item)
{
    if (!item)
        return;
    if (const QString link = item->data(0, kLinkRole).toString(); !link.isEmpty()) {
        ShowPage(link);
        return;
    }
    item->setExpanded(true);
    if (item->childCount() > 0)
        index_->setCurrentItem(item->child(0));
}

void CHelpWindow::Search(const QString& query)
{
    if (searchLine_->text() != query)
        searchLine_->setText(query);
    results_->clear();
    const QStringList words = query.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    searchWord_ = words.isEmpty() ? QString() : words.first();
    const QList<HelpSearchHit> hits = SearchHelp(pages_, query);
    for (const HelpSearchHit& h : hits) {
        auto* item = new QListWidgetItem(QStringLiteral("%1 (%2)").arg(h.page.title).arg(h.hits), results_);
        item->setData(kLinkRole, h.page.link);
    }
    if (hits.isEmpty() && !words.isEmpty()) {
        auto* none = new QListWidgetItem(QStringLiteral("No page holds all these words."), results_);
        none->setFlags(Qt::NoItemFlags);
    }
}

void CHelpWindow::ShowPage(const QString& link)
{
    const qsizetype hash = link.indexOf(QLatin1Char('#'));
    QUrl url = QUrl::fromLocalFile(QDir(folder_).filePath(hash < 0 ? link : link.left(hash)));
    if (hash >= 0)
        url.setFragment(link.mid(hash + 1));
    browser_->setSource(url);
}

void CHelpWindow::Home() { ShowPage(QStringLiteral("index.html")); }

void CHelpWindow::OpenLink(const QUrl& link)
{
    const QUrl url = link.isRelative() ? browser_->source().resolved(link) : link;
    if (url.isLocalFile()) {
        const QString path = QFileInfo(url.toLocalFile()).absoluteFilePath();
        if (path.startsWith(folder_ + QLatin1Char('/'))) {
            browser_->setSource(url);
            return;
        }
    }
    if (openExternal_)
        openExternal_(url);
}

void CHelpWindow::MarkCurrentInContents(const QUrl& url)
{
    const QString current = LinkOf(url, folder_);
    const QString file = current.section(QLatin1Char('#'), 0, 0);
    QTreeWidgetItem* best = nullptr;
    for (QTreeWidgetItemIterator it(contents_); *it; ++it) {
        const QString link = (*it)->data(0, kLinkRole).toString();
        if (link == current) {
            best = *it;
            break;
        }
        if (!best && link == file)
            best = *it;
    }
    if (best) {
        const QSignalBlocker quiet(contents_);
        contents_->setCurrentItem(best);
    }
}

// ---- F1 in a dialog ----------------------------------------------------------------

namespace {

struct DialogPage {
    bool (*is)(const QWidget*);
    const char* page;
};

template <class T>
bool Is(const QWidget* w)
{
    return dynamic_cast<const T*>(w) != nullptr;
}

// Each dialog's page. A class before the classes it derives from.
const DialogPage kDialogPages[] = {
    {Is<CAboutDlg>, "dialogs.html#about"},
    {Is<CTipDlg>, "dialogs.html#tip-of-the-day"},
    {Is<CSelectProductDlg>, "dialogs.html#select-product"},
    {Is<CImportDlg>, "dialogs.html#import"},
    {Is<CTextureDlg>, "dialogs.html#texture-coordinates"},
    {Is<CExtrudeDlg>, "dialogs.html#extrude-face"},
    {Is<CPrimitiveDlg>, "dialogs.html#create-shapes"},
    {Is<CFileManagerDlg>, "dialogs.html#file-manager"},
    {Is<CLimitsDlg>, "dialogs.html#check-model"},
    {Is<CCheckModDlg>, "dialogs.html#check-mod"},
    {Is<CMaterialsDlg>, "dialogs.html#materials"},
    {Is<CSheetDlg>, "dialogs.html#options"},
    {Is<CFaceFlagsDlg>, "dialogs.html#face-flags"},
    {Is<CAnimSequenceDlg>, "dialogs.html#animation-sequence"},
    {Is<CAddModeDlg>, "dialogs.html#animation-modes"},
    {Is<CAddSubModeDlg>, "dialogs.html#animation-modes"},
    {Is<CAnimFramesDlg>, "dialogs.html#animation-frames"},
    {Is<CEditFrameDlg>, "dialogs.html#animation-frames"},
    {Is<CAddEntryDlg>, "dialogs.html#animation-frames"},
    {Is<CHierarchyDlg>, "dialogs.html#hierarchy-nodes"},
    {Is<CAddNodeDlg>, "dialogs.html#add-node"},
};

}  // namespace

namespace {
std::function<void(QWidget*)>& DialogHelpHandler()
{
    static std::function<void(QWidget*)> handler;
    return handler;
}
}  // namespace

bool ShowDialogHelp(QWidget* dialog)
{
    if (!DialogHelpHandler())
        return false;
    DialogHelpHandler()(dialog);
    return true;
}

void SetDialogHelpHandler(std::function<void(QWidget*)> handler) { DialogHelpHandler() = std::move(handler); }

QString DialogHelpPage(const QWidget* dialog)
{
    for (const DialogPage& d : kDialogPages)
        if (d.is(dialog))
            return QString::fromLatin1(d.page);
    return {};
}

QStringList DialogHelpPages()
{
    QStringList pages;
    for (const DialogPage& d : kDialogPages)
        if (!pages.contains(QLatin1String(d.page)))
            pages.append(QString::fromLatin1(d.page));
    return pages;
}

}  // namespace orv
