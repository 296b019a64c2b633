// The window side of a document: the core document plus the notifications its windows
// listen to (views redraw and panes reload on every update).
#pragma once

#include <QObject>
#include <QString>
#include <filesystem>
#include <functional>
#include <memory>

#include "document/document.h"

namespace orv {

struct ResourceSources;

class CDocument : public QObject {
    Q_OBJECT
public:
    CDocument(DocumentEnvironment& services, QObject* parent = nullptr);
    ~CDocument() override;

    COrvaneDoc& Doc() { return *doc_; }
    const COrvaneDoc& Doc() const { return *doc_; }
    CModel& Model() { return *doc_->model; }
    // What every document and view of the application shares (the application's own).
    DocumentEnvironment& Services() { return services_; }

    // The document's environment follows the application's resources.
    void RefreshEnvironment();
    // Where the document's resources are looked for (COrvaneDoc::Sources), with the mod
    // around its file read now.
    ResourceSources Sources() const;

    // Window title: the file name, or "Orvane<n>" for a new document, with "*" when modified.
    QString DisplayName() const;
    void SetUntitledNumber(int n) { untitled_ = n; }

    // The document's model as operations take it, with a view's selection when given
    // (the camera and clipboard are the view's own: COrvaneView::Context).
    EditContext Context(Selection* selection = nullptr);
    // Every view and pane of the document refreshes.
    void UpdateAllViews();
    // See COrvaneDoc::SetModified; the windows hear when the document's state changes.
    void SetModified(bool on = true);

signals:
    void updated();
    void modifiedChanged(bool modified);
    // The model object was replaced (open, undo, redo): views drop what they cached and
    // prepare the scene again.
    void modelReplaced();
    // Materials, custom materials or the colormap changed: views load the textures again.
    void materialsChanged();

private:
    // modifiedChanged, when IsModified differs from what the windows were last told.
    void TellModified();

    DocumentEnvironment& services_;
    std::unique_ptr<COrvaneDoc> doc_;
    int untitled_ = 0;
    bool lastModified_ = false;
};

}  // namespace orv
