// The per-view renderer without a window: frame pacing, the continuous views, the
// status pass and its busy guard, scene preparation through the game's catalogue, the
// initial camera, and picking on a stretched surface.
#include <gtest/gtest.h>

#include <cmath>

#include "anim/playback.h"
#include "edit/view_commands.h"
#include "formats/model3do.h"
#include "render/render_test_util.h"
#include "render/renderer.h"
#include "resources/catalog.h"
#include "support/model_builder.h"

using namespace orv;

namespace {

const std::string kSampleArchive = std::string(ORVANE_BINARY_DIR) + "/share/orvane/sample/res2.gob";

// A document of one square facing the saved camera, with a 200 × 200 view.
class RendererTest : public orvtest::GlTest {
protected:
    void SetUp() override
    {
        orvtest::GlTest::SetUp();
        if (IsSkipped())
            return;
        scene_.reset();
        device_.reset();
        doc_ = std::make_unique<COrvaneDoc>(settings_, DocumentEnvironment{});
        doc_->model = Square("flatred.mat");
        doc_->model->materials.push_back("nosuch.mat");
        doc_->savedCamera = CameraState{{0, 0, -3}, {0, 0, 1}, {0, 1, 0}};
        renderer_ = std::make_unique<CRenderer>(*doc_, settings_, camera_, selection_, pacer_);
        std::string error;
        ASSERT_TRUE(renderer_->Initialize(HeadlessGlContext::ProcAddress(), {"None", "200x100"}, &error)) << error;
        renderer_->SetClock([this] { return now_; });
        ASSERT_TRUE(renderer_->CreateDevice(kSide, kSide).ok);
        renderer_->PrepareScene();  // as the view does when it makes its renderer
    }

    static std::unique_ptr<CModel> Square(const std::string& material)
    {
        auto model = orvtest::MakeModel(1);
        model->formatTag = "JK1";
        model->materials = {material};
        orvtest::AddFace(model->geosets[0].meshes[0], orvtest::FacingSquare(0, 0, 1, 0), 0,
                         {{0, 0}, {256, 0}, {256, 256}, {0, 256}})
            .ComputeFaceNormal();
        model->RebuildHierarchy();
        return model;
    }

    bool LoadSample()
    {
        if (!LoadCatalog(kSampleArchive, catalog_))
            return false;
        renderer_->SetResources(&catalog_, kSampleArchive);
        renderer_->PrepareScene();
        return true;
    }

    CModel& Model() { return *doc_->model; }

    // As the view places its camera when it first draws.
    void PlaceInitialCamera()
    {
        EditContext c(*doc_, settings_, &selection_, &camera_);
        orv::PlaceInitialCamera(c);
        renderer_->Measure();
    }

    static constexpr int32_t kSide = 200;
    Camera camera_;
    Selection selection_;
    FramePacer pacer_;
    int64_t now_ = 100000;
    ResourceCatalog catalog_;
    std::unique_ptr<COrvaneDoc> doc_;
    std::unique_ptr<CRenderer> renderer_;
};

// Forced frames come at most at the frame rate; unforced ones only in the rotating view,
// which turns the model a step a frame and has no status pass.
TEST_F(RendererTest, FramePacingAndTheContinuousView)
{
    settings_.frameRate = 33;  // 30 ms
    EXPECT_TRUE(renderer_->RenderFrame(true));
    EXPECT_TRUE(renderer_->LastFrameDrawn());
    now_ += 10;
    EXPECT_TRUE(renderer_->RenderFrame(true));  // more time wanted, nothing drawn
    EXPECT_FALSE(renderer_->LastFrameDrawn());
    EXPECT_EQ(renderer_->MsUntilDue(), 20);
    now_ += 20;
    EXPECT_FALSE(renderer_->RenderFrame(false));
    EXPECT_TRUE(renderer_->RenderFrame(true));
    EXPECT_TRUE(renderer_->LastFrameDrawn());

    EditContext c(*doc_, settings_, &selection_, &camera_);
    ASSERT_TRUE(orvtest::Ran(StartRotateView(c)));
    int statusPasses = 0;
    renderer_->SetStatusListener([&](const ViewStatus&) { ++statusPasses; });
    const Matrix4 before = Model().modelMatrix;
    now_ += 1000;
    EXPECT_TRUE(renderer_->RenderFrame(false));
    EXPECT_TRUE(renderer_->LastFrameDrawn());
    orvtest::ExpectClose(Model().modelMatrix, Model().rotationStep * before, 1e-6f);
    EXPECT_TRUE(orvtest::NodesInPlace(Model())) << "the frame drew the nodes where the turn before left them";
    EXPECT_EQ(statusPasses, 0);
    ASSERT_TRUE(orvtest::Ran(ShowStandardView(c, ViewKind::Front)));
    now_ += 1000;
    EXPECT_FALSE(renderer_->RenderFrame(false));
    EXPECT_TRUE(renderer_->RenderFrame(true));
    EXPECT_EQ(statusPasses, 1);
}

// The animating view hands the playback the real time since its last frame, and wakes
// when the keyframe's next frame is due: a 15 fps keyframe plays about 15 frames a
// second whatever "FrameRate" draws (0.05 s a drawn frame at 33 would play 33 of them
// in two seconds).
TEST_F(RendererTest, TheAnimatingViewPlaysAtTheKeyframesSpeed)
{
    settings_.frameRate = 33;
    Model().keyframe = CKeyframe();
    Model().frameCount = 1000;
    Model().frameTime = 1.0f / 15.0f;
    EditContext c(*doc_, settings_, &selection_, &camera_);
    ASSERT_TRUE(orvtest::Ran(StartAnimatingView(c)));

    std::vector<float> given;
    renderer_->SetFrameStep([&](float seconds) { given.push_back(seconds); });
    for (int64_t wait : {1000, 50, 70}) {
        now_ += wait;
        ASSERT_TRUE(renderer_->RenderFrame(false));
    }
    EXPECT_EQ(given, (std::vector<float>{0.0f, 0.05f, 0.07f}));

    renderer_->SetFrameStep([&](float seconds) { doc_->StepContinuousView(seconds); });
    Model().currentFrame = 0;
    const int64_t end = now_ + 2000;
    while (now_ < end) {
        now_ += std::max<int64_t>(1, renderer_->MsUntilAnimationStep());
        renderer_->RenderFrame(false);
    }
    EXPECT_GE(Model().currentFrame, 28);
    EXPECT_LE(Model().currentFrame, 30);
}

TEST_F(RendererTest, StatusPassAfterTheFrameAndNoFrameDuringIt)
{
    int passes = 0;
    bool innerDrawn = true, innerResult = false;
    ViewStatus seen;
    renderer_->SetStatusListener([&](const ViewStatus& s) {
        ++passes;
        seen = s;
        innerResult = renderer_->RenderFrame(true);
        innerDrawn = renderer_->LastFrameDrawn();
        EXPECT_TRUE(renderer_->Busy());
    });
    PlaceInitialCamera();
    passes = 0;
    renderer_->RenderFrame(true);
    EXPECT_EQ(passes, 1);
    EXPECT_TRUE(innerResult);
    EXPECT_FALSE(innerDrawn);
    EXPECT_FALSE(renderer_->Busy());
    EXPECT_EQ(seen.panes[0], renderer_->DeviceName());
    EXPECT_EQ(seen.horizontal.max, 1000);  // the square's box
}

// The document's game view switch: the frame goes through the colormap in the view's
// sector light (darker with less), and the editor's drawing comes back when it is off.
TEST_F(RendererTest, TheDocumentsGameViewDrawsInItsLight)
{
    ASSERT_TRUE(LoadSample());
    PlaceInitialCamera();
    auto centre = [&] {
        now_ += 1000;
        EXPECT_TRUE(renderer_->RenderFrame(true));
        const uint32_t argb = renderer_->ReadPixels().At(kSide / 2, kSide / 2);
        return ((argb >> 16) & 0xFF) + ((argb >> 8) & 0xFF) + (argb & 0xFF);
    };
    // Drawn solid, not lit: only the sector's light reaches it (the lower of the mesh's
    // and the face's modes).
    CMesh& mesh = Model().geosets[0].meshes[0];
    mesh.geometryMode = mesh.faces[0].geometryMode = 4;
    mesh.lightingMode = 3;
    mesh.faces[0].lightingMode = 1;
    const uint32_t editor = centre();
    doc_->modes.gameView = true;
    doc_->modes.gameAmbient = 1.0f;
    const uint32_t bright = centre();
    doc_->modes.gameAmbient = 0.2f;
    const uint32_t dim = centre();
    EXPECT_LT(dim, bright * 2 / 3);
    doc_->modes.gameView = false;
    EXPECT_EQ(centre(), editor);
}

// Drawing only reads the model: with the game's textures found (sizes that the document
// opening the file did not know), frames in every render mode leave what a save writes,
// project and 3DO alike, as it was.
TEST_F(RendererTest, DrawingNeverChangesWhatIsSaved)
{
    const std::string walker = std::string(ORVANE_BINARY_DIR) + "/share/orvane/sample/walker.3do";
    ASSERT_TRUE(doc_->OpenDocument(walker));
    auto saved = [&] {
        const auto project = SaveProject(Model(), doc_->savedCamera);
        return std::pair(project, Format3do(Model(), "walker.3do"));
    };
    const auto before = saved();
    ASSERT_TRUE(LoadSample());
    ASSERT_NE(renderer_->Scene().TextureOfFace(Model(), Model().geosets[0].meshes[0].faces[0]).width, 1);
    for (int32_t mode = 0; mode <= 4; ++mode) {
        selection_.currentMesh = mode >= 2 ? 0 : -1;
        doc_->modes.renderMode = static_cast<RenderMode>(mode);
        now_ += 1000;
        ASSERT_TRUE(renderer_->RenderFrame(true));
        EXPECT_TRUE(renderer_->LastFrameDrawn());
    }
    EXPECT_TRUE(saved() == before) << "drawing changed the saved bytes";
}

TEST_F(RendererTest, ScenePreparedThroughTheCatalogue)
{
    ASSERT_TRUE(LoadSample());
    selection_.currentMesh = 0;
    selection_.currentFace = 0;
    selection_.RebuildNodes(Model(), doc_->modes, settings_);
    ASSERT_FALSE(selection_.nodes.empty());
    renderer_->PrepareScene();
    EXPECT_TRUE(selection_.nodes.empty());  // preparing clears the node markers
    const CFace& face = Model().geosets[0].meshes[0].faces[0];
    const auto texture = renderer_->Scene().TextureOfFace(Model(), face);
    EXPECT_EQ(std::pair(texture.width, texture.height), std::pair(256, 256));
    EXPECT_FLOAT_EQ(face.corners[1].u, 256.0f);  // corners keep the file's texels
    // (Its colour through the colormap is checked in the view's tests.)

    // A material found nowhere takes the archive's fallback.
    Model().geosets[0].meshes[0].faces[0].material = 1;
    renderer_->PrepareScene();
    EXPECT_NE(renderer_->Scene().TextureOfFace(Model(), face).handle, 0u);

    // A model replaced behind the renderer's back is prepared before it is drawn: what
    // was made for the one before (node markers among it) goes.
    selection_.RebuildNodes(Model(), doc_->modes, settings_);
    ASSERT_FALSE(selection_.nodes.empty());
    doc_->model = Square("checker.mat");
    renderer_->RenderFrame(true);
    EXPECT_TRUE(selection_.nodes.empty());
    EXPECT_NE(renderer_->Scene().TextureOfFace(Model(), Model().geosets[0].meshes[0].faces[0]).handle, 0u);
}

// A project opens with its saved camera; a model file is centred on its box, in front of
// it; a project without a usable saved camera and an imported model are framed the same way.
TEST_F(RendererTest, InitialCameraOfAProjectAndOfAModelFile)
{
    PlaceInitialCamera();  // unnamed: the saved camera
    orvtest::ExpectClose(camera_.eye, {0, 0, -3}, 0.0f);

    doc_->SetPathName("/models/square.3do");
    Model().nodes[0].position = {0, 2, 0};
    Model().RebuildHierarchy();
    PlaceInitialCamera();
    EXPECT_NEAR(camera_.eye.y, 2.0f, 1e-4f);
    EXPECT_LT(camera_.eye.z, -1.0f);
    const Vec3 eye = camera_.eye;

    doc_->SetPathName("/models/square.orv");
    doc_->savedCamera = CameraState{};
    camera_ = Camera();
    camera_.SetProjection(kSide, kSide, false);
    PlaceInitialCamera();
    EXPECT_NEAR(camera_.eye.z, eye.z, 1e-4f);

    // An imported model has no name either, but is framed like a model file (it used to
    // open with the new document's camera, inside or in front of a large model).
    doc_->AdoptImportedModel(Square("flatred.mat"));
    ASSERT_TRUE(doc_->PathName().empty());
    camera_ = Camera();
    camera_.SetProjection(kSide, kSide, false);
    PlaceInitialCamera();
    EXPECT_NEAR(camera_.eye.z, eye.z, 1e-4f);
}

TEST_F(RendererTest, FaceModeMarksTheCurrentFacesGroup)
{
    settings_.colorSelect = 0x0000FF;  // red
    PlaceInitialCamera();
    selection_.currentMesh = 0;
    selection_.currentFace = 0;
    renderer_->RenderFrame(true);
    EXPECT_EQ(orvtest::CountColor(renderer_->ReadPixels(), 0xFFFF0000u), 0);
    doc_->modes.faceMode = true;
    now_ += 1000;
    renderer_->RenderFrame(true);
    EXPECT_GT(orvtest::CountColor(renderer_->ReadPixels(), 0xFFFF0000u), 0) << "the current face is not marked";
}

TEST_F(RendererTest, StretchedSurfaceDrawsAndPicksAtItsOwnSize)
{
    settings_.stretchMode = 1;  // 200 x 100 whatever the window
    ASSERT_TRUE(renderer_->CreateDevice(400, 400).ok);
    EXPECT_TRUE(renderer_->Size().stretched);
    PlaceInitialCamera();
    renderer_->RenderFrame(true);
    const RgbaImage image = renderer_->ReadPixels();
    EXPECT_EQ(std::pair(image.width, image.height), std::pair(200, 100));
    EXPECT_EQ(image.At(100, 50), 0xFFFFFFFFu);  // the face, white without textures
    // A click in window pixels finds the face; one in a corner does not.
    auto pick = [&](int32_t x, int32_t y) {
        return selection_.Pick(Model(), doc_->modes, settings_, renderer_->PickRequestAt(x, y, {}));
    };
    EXPECT_EQ(pick(390, 10), PickResult::Missed);
    EXPECT_EQ(pick(200, 200), PickResult::Selected);
    EXPECT_EQ(selection_.currentFace, 0);
    EXPECT_EQ(selection_.nodes.size(), 4u);
}

}  // namespace
