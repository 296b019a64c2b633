#include "app/childframe.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/document.h"
#include "app/field_names.h"
#include "app/orvaneview.h"
#include "app/panes.h"
#include "edit/selection.h"
#include "model/settings.h"

namespace orv {

CChildFrame::CChildFrame(CDocument* doc, QWidget* parent) : QWidget(parent), doc_(doc)
{
    setAttribute(Qt::WA_DeleteOnClose);
    splitter_ = new QSplitter(Qt::Horizontal, this);
    auto* column = new QSplitter(Qt::Vertical, splitter_);
    PaneContext ctx;
    ctx.doc = doc;
    ctx.selection = [this] { return CurrentSelection(); };
    ctx.chooseMaterial = [this] { return chooseMaterial && chooseMaterial(this); };
    panes_[0] = new CGeoView(ctx, column);
    panes_[1] = new CMeshView(ctx, column);
    panes_[2] = new CFaceView(ctx, column);
    panes_[3] = new CVertexView(ctx, column);
    QList<int> heights;
    for (CPane* p : panes_) {
        // A pane smaller than its fields scrolls.
        auto* scroll = new QScrollArea(column);
        scroll->setWidget(p);
        scroll->setWidgetResizable(true);
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scroll->setMinimumHeight(20);
        heights.append(p->IdealHeight());
        column->addWidget(scroll);
    }
    column->setSizes(heights);
    // Height the window gains goes to the panes in proportion; the vertex pane, whose
    // ideal height is the smallest, gets its share too.
    for (int i = 0; i < 4; ++i)
        column->setStretchFactor(i, 1);
    column->setMinimumWidth(20);
    auto* viewSide = new QWidget(splitter_);
    view_ = new COrvaneView(*doc, viewSide);
    connect(view_, &COrvaneView::selectionChanged, this, &CChildFrame::RefreshPanes);
    noticeBar_ = new QFrame(viewSide);
    noticeBar_->setObjectName(QStringLiteral("notice"));
    noticeBar_->setStyleSheet(QStringLiteral("#notice { background: #fff4c2; border-bottom: 1px solid #c8b560; }"
                                             "#notice QLabel { color: black; }"));
    notice_ = new QLabel(noticeBar_);
    notice_->setWordWrap(true);
    notice_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* close = new QToolButton(noticeBar_);
    close->setText(QStringLiteral("\u2715"));
    close->setToolTip(QStringLiteral("Close this notice"));
    close->setAutoRaise(true);
    connect(close, &QToolButton::clicked, this, [this] { ShowNotice({}); });
    auto* noticeRow = new QHBoxLayout(noticeBar_);
    noticeRow->setContentsMargins(6, 3, 3, 3);
    noticeRow->addWidget(notice_, 1);
    noticeRow->addWidget(close, 0, Qt::AlignTop);
    noticeBar_->hide();
    auto* viewColumn = new QVBoxLayout(viewSide);
    viewColumn->setContentsMargins(0, 0, 0, 0);
    viewColumn->setSpacing(0);
    viewColumn->addWidget(noticeBar_);
    viewColumn->addWidget(view_, 1);
    splitter_->addWidget(column);
    splitter_->addWidget(viewSide);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({230, 600});
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter_);

    connect(doc, &CDocument::updated, this, &CChildFrame::RefreshPanes);
    connect(doc, &CDocument::modifiedChanged, this, &CChildFrame::UpdateTitle);
    UpdateTitle();
    RefreshPanes();
    NameFieldsByLabels(this);
    view_->GlWidget()->setFocus();
}

CChildFrame::~CChildFrame() = default;

Selection* CChildFrame::CurrentSelection() const { return &view_->GetSelection(); }

void CChildFrame::RefreshPanes()
{
    for (CPane* p : panes_)
        p->Refresh();
}

void CChildFrame::ShowNotice(const QString& text)
{
    notice_->setText(text);
    noticeBar_->setVisible(!text.isEmpty());
}

void CChildFrame::FocusNextPane(bool forward)
{
    QList<QWidget*> order{view_->GlWidget()};
    for (CPane* p : panes_)
        order.append(p);
    const QWidget* focus = QApplication::focusWidget();
    int at = -1;
    for (int i = 0; i < order.size(); ++i)
        if (focus && (focus == order[i] || order[i]->isAncestorOf(focus)))
            at = i;
    // The first field of a pane in its tab order; a pane none of whose fields can take the
    // keyboard (nothing current to show) is passed over.
    auto entry = [](QWidget* pane) -> QWidget* {
        if (pane->focusPolicy() & Qt::TabFocus)
            return pane;
        for (QWidget* w = pane->nextInFocusChain(); w && w != pane; w = w->nextInFocusChain())
            if (pane->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(pane))
                return w;
        return nullptr;
    };
    const int n = static_cast<int>(order.size());
    for (int step = 1; step <= n; ++step) {
        const int i = ((at < 0 ? (forward ? -1 : 0) : at) + (forward ? step : n - step)) % n;
        if (QWidget* w = entry(order[i])) {
            w->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            if (auto* scroll = qobject_cast<QScrollArea*>(order[i]->parentWidget()->parentWidget()))
                scroll->ensureWidgetVisible(w);
            return;
        }
    }
}

void CChildFrame::UpdateTitle()
{
    setWindowTitle(doc_->DisplayName() + QStringLiteral("[*]"));
    setWindowModified(doc_->Doc().IsModified());
}

void CChildFrame::closeEvent(QCloseEvent* e)
{
    if (doc_->Doc().IsModified() && canClose && !canClose(this)) {
        e->ignore();
        return;
    }
    e->accept();
}

}  // namespace orv
