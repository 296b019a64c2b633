#pragma once

#include <QWidget>
#include <array>

#include <functional>
#include <memory>

class QLabel;
class QSplitter;

namespace orv {

class CDocument;
class CPane;
class Selection;
class Camera;
class COrvaneView;

// The frame of one document window: the four property panes in a column on the left,
// the 3D view on the right, with a notice above it when the document has something to
// say (what is missing; closed by its button).
class CChildFrame : public QWidget {
    Q_OBJECT
public:
    CChildFrame(CDocument* doc, QWidget* parent = nullptr);
    ~CChildFrame() override;

    CDocument* Document() const { return doc_; }
    COrvaneView* View() const { return view_; }
    Selection* CurrentSelection() const;
    CPane* Pane(int index) const { return panes_[static_cast<std::size_t>(index)]; }
    QSplitter* Splitter() const { return splitter_; }

    // Asked before the window closes while the document is modified; false keeps it open.
    std::function<bool(CChildFrame*)> canClose;
    // The Materials dialog for the current face, when the application offers one.
    std::function<bool(CChildFrame*)> chooseMaterial;

    void RefreshPanes();
    // F6 and Shift+F6: the keyboard goes round the 3D view and the panes, from the top,
    // to the first field of a pane that has one it can take.
    void FocusNextPane(bool forward);
    void UpdateTitle();
    // Shows text above the view until closed; an empty text hides the notice.
    void ShowNotice(const QString& text);
    QLabel* Notice() const { return notice_; }

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    CDocument* doc_;
    QSplitter* splitter_ = nullptr;
    COrvaneView* view_ = nullptr;
    QWidget* noticeBar_ = nullptr;
    QLabel* notice_ = nullptr;
    std::array<CPane*, 4> panes_{};
};

}  // namespace orv
