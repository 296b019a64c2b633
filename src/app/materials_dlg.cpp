#include "app/materials_dlg.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "anim/playback.h"
#include "app/help_window.h"
#include "app/materialpreview.h"
#include "base/text.h"
#include "edit/materials.h"
#include "model/fileio.h"
#include "model/settings.h"
#include "resources/bitmap.h"
#include "resources/catalog.h"
#include "resources/filemanager.h"
#include "resources/searchpath.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

const FileFilters kLoadFilter = {{"Material Files (*.mat, *.bmp)", {"*.mat", "*.bmp"}}};
const FileFilters kSaveFilter = {{"BMP Files (*.bmp)", {"*.bmp"}}, {"MAT Files (*.mat)", {"*.mat"}}};
constexpr const char* kConvertQuestion = "Do you want to convert all used JK/Mots materials into custom materials?";

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Asked before deleting a material faces use: how many lose it.
QString UsedQuestion(std::size_t faces)
{
    const QString lose = faces == 1 ? QStringLiteral("1 face uses this material and loses it: it is left without a "
                                                     "material.")
                                    : QStringLiteral("%1 faces use this material and lose it: they are left without "
                                                     "a material.")
                                          .arg(faces);
    return lose + QStringLiteral("\n\nAre you sure that you want to continue deletion?");
}

const char* kHelpText =
    "The list shows the materials of the model; the picture shows the selected one "
    "through the current colormap.\n\n"
    "Ok gives the selected material to the current face. Add picks a material of the "
    "game to add to the model. Delete removes the selected material: the faces that use "
    "it are left without material, all others keep theirs. Load reads bitmaps and MAT "
    "files as custom materials, which are saved with the project. Save writes the "
    "selected material as a bitmap or as a MAT file. Convert copies every game material "
    "the model uses into the model as a custom material. What the dialog changes is one "
    "undo step; Cancel takes it back.";

}  // namespace

CMaterialsDlg::CMaterialsDlg(CDocument& document, Mode mode, std::optional<FaceIndex> currentFace, QWidget* parent,
                             Prompts prompts)
    : QDialog(parent),
      document_(document),
      mode_(mode),
      face_(mode == Mode::InModel ? currentFace : std::nullopt),
      prompts_(std::move(prompts))
{
    const Settings* settings = document_.Services().settings;
    colormap_ = settings ? settings->colorMap : std::string(kFallbackColormap);
    setWindowTitle(QStringLiteral("Materials"));
    setSizeGripEnabled(true);

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("list"));
    list_->setSortingEnabled(true);
    list_->setMinimumWidth(170);

    preview_ = new CMaterialPreview(this);
    preview_->setObjectName(QStringLiteral("preview"));
    preview_->setMinimumSize(192, 192);
    preview_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    preview_->SetBackground(settings ? settings->colorBackground : 0xC0C0C0);
    preview_->SetSquare(true);

    auto makeButton = [this](const char* text, const char* name) {
        auto* b = new QPushButton(QString::fromLatin1(text), this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    ok_ = makeButton("&Ok", "ok");
    ok_->setDefault(true);
    cancel_ = makeButton("&Cancel", "cancel");
    help_ = makeButton("&Help", "help");
    add_ = makeButton("&Add", "add");
    delete_ = makeButton("&Delete", "delete");
    convert_ = makeButton("Con&vert", "convert");
    load_ = makeButton("&Load", "load");
    save_ = makeButton("&Save", "save");

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {ok_, cancel_, help_})
        buttons->addWidget(b);
    buttons->addSpacing(16);
    for (QPushButton* b : {add_, delete_, convert_, load_, save_})
        buttons->addWidget(b);
    buttons->addStretch(1);

    origin_ = new QLabel(this);
    origin_->setObjectName(QStringLiteral("origin"));
    origin_->setWordWrap(true);
    origin_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* picture = new QVBoxLayout;
    picture->addWidget(preview_, 1);
    picture->addWidget(origin_);

    auto* row = new QHBoxLayout(this);
    row->addWidget(list_, 2);
    row->addLayout(picture, 3);
    row->addLayout(buttons);

    connect(ok_, &QPushButton::clicked, this, &CMaterialsDlg::OnOk);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(help_, &QPushButton::clicked, this, [this] { ShowHelpOr(prompts_, this, QLatin1String(kHelpText)); });
    connect(add_, &QPushButton::clicked, this, &CMaterialsDlg::AddMaterial);
    connect(delete_, &QPushButton::clicked, this, &CMaterialsDlg::DeleteMaterial);
    connect(convert_, &QPushButton::clicked, this, &CMaterialsDlg::ConvertMaterials);
    connect(load_, &QPushButton::clicked, this, &CMaterialsDlg::LoadMaterials);
    connect(save_, &QPushButton::clicked, this, &CMaterialsDlg::SaveMaterial);

    CModel& model = document_.Model();
    QString current;
    if (mode_ == Mode::InModel) {
        for (const auto& name : model.materials)
            list_->addItem(Q(ToLowerAscii(name)));
        const CMesh* mesh = face_ ? model.MeshAt(face_->mesh) : nullptr;
        if (mesh && face_->face >= 0 && static_cast<std::size_t>(face_->face) < mesh->faces.size()) {
            const int32_t material = mesh->faces[static_cast<std::size_t>(face_->face)].material;
            if (material >= 0 && material < static_cast<int32_t>(model.materials.size()))
                current = Q(ToLowerAscii(model.materials[static_cast<std::size_t>(material)]));
        }
    } else {
        if (const ResourceCatalog* catalog = document_.Services().catalog)
            for (const auto& e : catalog->materials.Entries())
                list_->addItem(Q(e->shortName));
        for (QPushButton* b : {add_, delete_, load_, convert_})
            b->hide();
    }
    setWindowTitle(ModeText());
    connect(list_, &QListWidget::currentItemChanged, this, [this] { ShowSelected(); });
    if (current.isEmpty() || !SelectName(current))
        if (list_->count() > 0)
            list_->setCurrentRow(0);
    resize(660, 420);
}

CMaterialsDlg::~CMaterialsDlg() = default;

QPushButton* CMaterialsDlg::Button(Control id) const
{
    switch (id) {
    case Ok: return ok_;
    case Cancel: return cancel_;
    case Save: return save_;
    case Load: return load_;
    case Add: return add_;
    case Convert: return convert_;
    case Delete: return delete_;
    case Help: return help_;
    }
    return nullptr;
}

QString CMaterialsDlg::ModeText() const
{
    return mode_ == Mode::InModel ? QStringLiteral("Materials in 3DO") : QStringLiteral("Add Material to 3DO");
}

bool CMaterialsDlg::Warn() const
{
    const Settings* s = document_.Services().settings;
    return s && s->warning != 0;
}

void CMaterialsDlg::Report(const QString& text)
{
    Tell(prompts_, this, text);
}

template <class Params>
bool CMaterialsDlg::Change(EditOutcome (*op)(EditContext&, const Params&), const Params& params, EditOutcome* outcome)
{
    EditContext c = document_.Context();
    const EditOutcome o = document_.Doc().Run(c, op, params, step_);
    if (outcome)
        *outcome = o;
    return o.changed;
}

void CMaterialsDlg::reject()
{
    TakeBackChanges();
    QDialog::reject();
}

void CMaterialsDlg::TakeBackChanges()
{
    // The stock list over the model's leaves its add to the dialog below it.
    if (step_ != &ownStep_ || ownStep_.id == 0)
        return;
    COrvaneDoc& doc = document_.Doc();
    ViewState view = doc.CurrentView();
    const int32_t frame = doc.model->currentFrame;
    const Status back = doc.TakeBack(ownStep_, view);
    ownStep_ = {};
    if (!back) {
        Report(QStringLiteral("The changes made in the dialog cannot be taken back:\n") + Q(back.error()));
        return;
    }
    // The model is another object now, with base poses: an animation goes on where it was.
    if (doc.modes.animateMode || doc.modes.viewKind == ViewKind::Animating)
        (void)RestoreAnimationAt(*doc.model, frame);
    document_.RefreshEnvironment();
    emit document_.modelReplaced();
    document_.UpdateAllViews();
}

void CMaterialsDlg::NotifyMaterialsChanged()
{
    // The sizes the document knows belong to the old materials; they go first, so
    // views reloading their textures see the new ones.
    document_.RefreshEnvironment();
    emit document_.materialsChanged();
    document_.UpdateAllViews();
}

QString CMaterialsDlg::CurrentName() const
{
    const QListWidgetItem* item = list_->currentItem();
    return item ? item->text() : QString();
}

bool CMaterialsDlg::SelectName(const QString& name)
{
    const auto found = list_->findItems(name, Qt::MatchFixedString);
    if (found.isEmpty())
        return false;
    if (list_->currentItem() == found.first())
        ShowSelected();
    else
        list_->setCurrentItem(found.first());
    return true;
}

void CMaterialsDlg::ShowSelected()
{
    image_.reset();
    origin_->clear();
    const QString name = CurrentName();
    if (!name.isEmpty()) {
        // The same places the view draws from: the game's archive, the custom materials,
        // the mod's folders around the model and the "Resources" list.
        const ResourceSources sources = document_.Sources();
        if (const auto found = FindMaterial(sources, name.toStdString())) {
            origin_->setText(QStringLiteral("From: ") + QDir::toNativeSeparators(Q(found->origin)));
            if (auto image = ResolveMaterialImage(sources, name.toStdString(), colormap_))
                image_ = std::move(*image);
            else
                origin_->setText(origin_->text() + QStringLiteral("\n") + Q(image.error()));
        } else {
            origin_->setText(Q(found.error()));
        }
    }
    if (image_) {
        setWindowTitle(ModeText() + QStringLiteral(" - x= %1, y= %2").arg(image_->width).arg(image_->height));
        preview_->SetImage(CelImage(*image_));
    } else {
        setWindowTitle(ModeText());
        preview_->ClearImage();
    }
}

// ---- commands ----------------------------------------------------------------------

void CMaterialsDlg::OnOk()
{
    const QString name = CurrentName();
    bool changed = false;
    if (!name.isEmpty()) {
        if (mode_ == Mode::InModel) {
            if (face_)
                changed = Change(SetFaceMaterial, FaceMaterialEdit{face_->mesh, face_->face, name.toStdString()});
        } else {
            // A name the model has already is not listed twice.
            changed = Change(AddMaterialToModel, name.toStdString());
        }
    }
    result_ = name;
    if (changed)
        NotifyMaterialsChanged();
    accept();
}

void CMaterialsDlg::AddMaterial()
{
    if (mode_ != Mode::InModel || !prompts_.exec)
        return;
    // The stock dialog's OK adds the name to the model, in this dialog's undo step.
    CMaterialsDlg stock(document_, Mode::AddToModel, std::nullopt, this, prompts_);
    stock.step_ = step_;
    if (prompts_.exec(stock) != QDialog::Accepted)
        return;
    const QString name = stock.SelectedName().toLower();
    if (name.isEmpty())
        return;
    if (list_->findItems(name, Qt::MatchFixedString).isEmpty())
        list_->addItem(name);
    SelectName(name);
}

void CMaterialsDlg::DeleteMaterial()
{
    if (mode_ != Mode::InModel)
        return;
    QListWidgetItem* item = list_->currentItem();
    if (!item)
        return;
    CModel& model = document_.Model();
    const auto index = FindModelMaterial(model, item->text().toStdString());
    if (!index)
        return;
    const std::size_t users = CountFacesWithMaterial(model, static_cast<int32_t>(*index));
    if (users > 0 && Warn() && !(AskYesNo(prompts_, this, UsedQuestion(users))))
        return;
    if (!Change(DeleteMaterialAt, *index))
        return;
    const int row = list_->row(item);
    delete list_->takeItem(row);
    if (list_->count() > 0)
        list_->setCurrentRow(std::max(0, row - 1));
    else
        ShowSelected();
    NotifyMaterialsChanged();
}

void CMaterialsDlg::LoadMaterials()
{
    if (mode_ != Mode::InModel || !prompts_.openFiles)
        return;
    FileRequest r;
    r.caption = QStringLiteral("Load");
    r.filters = kLoadFilter;
    r.fileName = QStringLiteral("Load");
    r.defaultSuffix = QStringLiteral("MAT");
    r.multiple = true;
    const FileAnswer a = prompts_.openFiles(this, r);
    if (!a.Cancelled())
        LoadMaterialFiles(a.files);
}

void CMaterialsDlg::LoadMaterialFiles(const QStringList& paths)
{
    // Every file is read (and every question asked) first; all the files of one Load
    // are then one undo step.
    std::vector<MaterialFile> files;
    for (const QString& p : paths) {
        std::optional<MaterialFile> file;
        if (LoadMaterialFile(p, files, file) == LoadResult::Stop)
            break;
        if (file)
            files.push_back(std::move(*file));
    }
    if (!Change(LoadCustomMaterials, files))
        return;
    QString last;
    for (const MaterialFile& f : files) {
        last = Q(f.name).toLower();
        if (list_->findItems(last, Qt::MatchFixedString).isEmpty())
            list_->addItem(last);
    }
    NotifyMaterialsChanged();
    // The new bytes must be previewed even when the name was selected already.
    SelectName(last);
    ShowSelected();
}

CMaterialsDlg::LoadResult CMaterialsDlg::LoadMaterialFile(const QString& path, const std::vector<MaterialFile>& taken,
                                                          std::optional<MaterialFile>& file)
{
    const DocumentEnvironment& services = document_.Services();
    // Bitmaps take the colours of the dialog's colormap when the catalogue has it.
    std::optional<Palette> palette;
    if (services.catalog)
        if (const CTreeObject* cmp = services.catalog->colormaps.Lookup(colormap_))
            if (const auto bytes = ReadEntryData(services.resourceFile, *cmp))
                if (const auto data = ParseColormap(*bytes))
                    palette = data->palette;
    auto read = ReadMaterialFile(fs::path(path.toStdString()), palette ? &*palette : nullptr);
    if (!read) {
        Report(QStringLiteral("Cannot load %1:\n%2").arg(QDir::toNativeSeparators(path), Q(read.error())));
        return LoadResult::Failed;
    }
    // A custom material of that name, in the model or earlier in this Load, is replaced
    // only when the user agrees.
    const std::string& name = read->name;
    const bool taking = std::any_of(taken.begin(), taken.end(), [&](const MaterialFile& f) {
        return Q(f.name).compare(Q(name), Qt::CaseInsensitive) == 0;
    });
    if ((taking || FindCustomMaterial(document_.Model().customMaterials, name)) && Warn() &&
        !(AskYesNo(prompts_, this, Q(DuplicateItemQuestion(name)))))
        return LoadResult::Stop;
    file = std::move(*read);
    return LoadResult::Loaded;
}

void CMaterialsDlg::SaveMaterial()
{
    const QString name = CurrentName();
    if (name.isEmpty() || !prompts_.saveFile)
        return;
    FileRequest r;
    r.caption = QStringLiteral("Save");
    r.filters = kSaveFilter;
    r.fileName = name.left(static_cast<int>(name.indexOf(QLatin1Char('.'))));
    r.defaultSuffix = QStringLiteral("BMP");
    const FileAnswer a = prompts_.saveFile(this, r);
    if (a.Cancelled())
        return;
    const fs::path target(a.files.first().toStdString());
    const CModel& model = document_.Model();
    const std::string material = name.toStdString();
    const ResourceSources sources = document_.Sources();
    const auto found = FindMaterial(sources, material);
    // A material found nowhere would otherwise be saved as the fallback material's picture.
    if (!found || found->fallback) {
        Report(QStringLiteral("The material %1 is neither a custom material nor one of the game's or the mod's "
                              "materials.")
                   .arg(name));
        return;
    }
    if (a.filterIndex == 0) {
        const auto image = ResolveMaterialImage(sources, material, colormap_);
        if (!image) {
            Report(QStringLiteral("Cannot convert %1 into a bitmap:\n%2").arg(name, Q(image.error())));
            return;
        }
        if (Status written = WriteBmpFile(target, *image); !written)
            Report(QStringLiteral("Cannot save %1:\n%2")
                       .arg(QDir::toNativeSeparators(a.files.first()), Q(written.error())));
        return;
    }
    // The MAT itself: a custom material of that name first, as it is the one the
    // project holds.
    const auto custom = FindCustomMaterial(model.customMaterials, material);
    const std::vector<uint8_t>& bytes = custom ? model.customMaterials.At(*custom).data : found->bytes;
    if (Status written =
            WriteFileAtomic(target, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        !written)
        Report(
            QStringLiteral("Cannot save %1:\n%2").arg(QDir::toNativeSeparators(a.files.first()), Q(written.error())));
}

void CMaterialsDlg::ConvertMaterials()
{
    if (mode_ != Mode::InModel || !AskYesNo(prompts_, this, QLatin1String(kConvertQuestion)))
        return;
    const DocumentEnvironment& services = document_.Services();
    EditOutcome converted;
    Change(ConvertStockMaterialsOf, StockSource{services.catalog, services.resourceFile}, &converted);
    if (!converted.message.empty()) {
        Report(QStringLiteral("The materials could not be converted:\n") + Q(converted.message));
        return;
    }
    if (converted.changed)
        NotifyMaterialsChanged();
}

}  // namespace orv
