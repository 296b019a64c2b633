#include "app/document.h"

#include <map>
#include <optional>

#include "model/radius.h"
#include "model/settings.h"
#include "resources/catalog.h"
#include "resources/material.h"
#include "resources/searchpath.h"

namespace orv {

CDocument::CDocument(DocumentEnvironment& services, QObject* parent) : QObject(parent), services_(services)
{
    doc_ = std::make_unique<COrvaneDoc>(*services.settings, DocumentEnvironment{});
    RefreshEnvironment();
}

CDocument::~CDocument() = default;

void CDocument::RefreshEnvironment()
{
    DocumentEnvironment env = services_;
    // Sizes as drawing will use them, found where the document finds its resources (the
    // custom materials of the current model, looked up at call time since undo replaces
    // the model, and the mod around its file). A size is remembered until the
    // environment is refreshed (after the resources, the colormap or the custom materials
    // change) or the document's file moves to another folder.
    struct Sizes {
        std::string folder;
        ColormapCache colormaps;
        std::map<std::string, std::optional<TextureSize>> known;
    };
    auto cache = std::make_shared<Sizes>();
    const COrvaneDoc* doc = doc_.get();
    const std::string colormap = services_.settings->colorMap;
    env.textureSize = [doc, colormap, cache](const std::string& material) -> std::optional<TextureSize> {
        const std::string folder = std::filesystem::path(doc->PathName()).parent_path().string();
        if (cache->folder != folder) {
            cache->folder = folder;
            cache->colormaps = {};
            cache->known.clear();
        }
        if (const auto it = cache->known.find(material); it != cache->known.end())
            return it->second;
        std::optional<TextureSize> size;
        if (auto image = ResolveMaterialImage(doc->Sources(), material, colormap, &cache->colormaps))
            size = TextureSize{image->width, image->height};
        cache->known.emplace(material, size);
        return size;
    };
    doc_->SetEnvironment(std::move(env));
}

ResourceSources CDocument::Sources() const
{
    // Read now: a material put into the mod since is found.
    doc_->RescanResources();
    return doc_->Sources();
}

QString CDocument::DisplayName() const
{
    QString name =
        doc_->Title().empty() ? QStringLiteral("Orvane%1").arg(untitled_) : QString::fromStdString(doc_->Title());
    return name;
}

EditContext CDocument::Context(Selection* selection)
{
    EditContext c;
    c.doc = doc_.get();
    c.settings = services_.settings;
    c.selection = selection;
    c.hooks = services_.commandHooks;
    return c;
}

void CDocument::UpdateAllViews()
{
    // The panes show the radii the next save writes, and the views draw the nodes where
    // the model now puts them (a dialog may have posed it anew).
    UpdateRadii(*doc_->model);
    doc_->PlaceNodes();
    // An undo or redo may have come back to the state saved, or left it.
    TellModified();
    emit updated();
}

void CDocument::SetModified(bool on)
{
    doc_->SetModified(on);
    TellModified();
}

void CDocument::TellModified()
{
    const bool on = doc_->IsModified();
    if (on != lastModified_) {
        lastModified_ = on;
        emit modifiedChanged(on);
    }
}

}  // namespace orv
