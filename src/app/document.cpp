#include "app/document.h"

#include <map>
#include <optional>

#include "model/settings.h"
#include "resources/catalog.h"
#include "resources/material.h"

namespace orv {

CDocument::CDocument(AppServices& services, QObject* parent) : QObject(parent), services_(services)
{
    doc_ = std::make_unique<COrvaneDoc>(*services.settings, DocumentEnvironment{});
    RefreshEnvironment();
}

CDocument::~CDocument() = default;

void CDocument::RefreshEnvironment()
{
    DocumentEnvironment env;
    env.catalog = services_.catalog;
    env.resourceFile = services_.resourceFile;
    env.programDir = services_.programDir;
    if (services_.catalog) {
        // Sizes as drawing will use them, through the custom materials of the current
        // model (looked up at call time, since undo replaces the model).
        // A size is remembered until the environment is refreshed (after the resources,
        // the colormap or the custom materials change).
        const ResourceCatalog& catalog = *services_.catalog;
        const auto file = services_.resourceFile;
        COrvaneDoc* doc = doc_.get();
        const std::string colormap = services_.settings->colorMap;
        auto cache = std::make_shared<std::map<std::string, std::optional<TextureSize>>>();
        env.textureSize = [&catalog, file, doc, colormap, cache](const std::string& material) {
            auto it = cache->find(material);
            if (it == cache->end())
                it = cache
                         ->emplace(material, MaterialSizeFunction(catalog, file, &doc->model->customMaterials,
                                                                  colormap)(material))
                         .first;
            return it->second;
        };
    }
    doc_->SetEnvironment(std::move(env));
}

QString CDocument::DisplayName() const
{
    QString name =
        doc_->Title().empty() ? QStringLiteral("Orvane%1").arg(untitled_) : QString::fromStdString(doc_->Title());
    return name;
}

void CDocument::UpdateAllViews()
{
    SetModified(doc_->IsModified());
    emit updated();
}

void CDocument::SetModified(bool on)
{
    doc_->SetModified(on);
    if (on != lastModified_) {
        lastModified_ = on;
        emit modifiedChanged(on);
    }
}

}  // namespace orv
