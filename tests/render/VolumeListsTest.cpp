// The volume displays' lists: the frames they give against the classic
// lists, the faces they leave out, and which display is compiled when.
#include "ClassicVolumeLists.h"
#include "GlTestSupport.h"

#include "cameras/CameraSet.h"
#include "classic/ClassicParameters.h"
#include "classic/ClassicState.h"
#include "coverage/CoverageVolume.h"
#include "render/PngWriter.h"
#include "render/SceneRenderer.h"
#include "render/VolumeLists.h"
#include "scene/SceneSettings.h"

#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace
{

int CountDifferences(const CFrameImage& a, const CFrameImage& b)
{
    int count = 0;
    for (int y = 0; y < a.m_nHeight; ++y)
        for (int x = 0; x < a.m_nWidth; ++x)
            if (a.Pixel(x, y) != b.Pixel(x, y))
                ++count;
    return count;
}

// The default four-camera rig in the 5 m room at 20 cm voxels, drawn by a
// renderer in the offscreen context.
class VolumeListsTest : public CGlPixelTest
{
  protected:
    void SetUp() override
    {
        CGlPixelTest::SetUp();
        if (HasFatalFailure())
            return;
        m_nSavedThreshold = g_nIsoThreshold;
        m_nSavedOperator = g_nIsoOperator;
        CreateSceneSettings();
        GetSceneSettings()->SetCameraCount(4);
        m_renderer = std::make_unique<CSceneRenderer>();
        m_renderer->InitGL();
        m_renderer->ResetCameras();
        SetIsoThreshold(4);
    }

    void TearDown() override
    {
        CGlPixelTest::TearDown();
        if (m_renderer) {
            m_renderer->ReleaseGL();
            m_renderer.reset();
        }
        g_nIsoThreshold = m_nSavedThreshold;
        g_nIsoOperator = m_nSavedOperator;
    }

    static void ShowDisplay(VolumeDisplay display)
    {
        GetSceneSettings()->Set2DView(display == VolumeDisplay::CountLayers);
        GetSceneSettings()->SetSelectiveCameras(display == VolumeDisplay::Selective);
    }

    CFrameImage Draw()
    {
        m_renderer->Render();
        return Frame();
    }

    const CVolumeLists& Lists() const { return m_renderer->GetVolumeLists(); }
    const CCoverageVolume& Volume() const { return m_renderer->GetVolume(); }

    std::unique_ptr<CSceneRenderer> m_renderer;

  private:
    unsigned m_nSavedThreshold = 0;
    unsigned m_nSavedOperator = 0;
};

struct FrameCase {
    const char* name;
    VolumeDisplay display;
    bool seeThrough;
    bool orthographic;
    ViewPose pose;
    unsigned isoOperator; // index into kComparisonOps
    unsigned isoThreshold;
    int shownLayers;      // -1: all
    bool cutOpen = false; // the near plane cuts into the grid
};

// The whole frame with the lists as compiled now, then with the classic
// lists compiled under the same names, must be the same to the last pixel,
// also where the near plane cuts into the volume and the inside shows.
TEST_F(VolumeListsTest, FramesEqualTheClassicListsPixelForPixel)
{
    const ViewPose front{};
    const ViewPose above{35.0f, -30.0f, 0.3f, -0.2f, -1.5f};
    const ViewPose close{-50.0f, -15.0f, 0.0f, 0.0f, 2.5f};
    const FrameCase cases[] = {
        {"map", VolumeDisplay::Map, false, false, front, 2, 4, -1},
        {"map_above", VolumeDisplay::Map, false, false, above, 3, 2, -1},
        {"map_points", VolumeDisplay::Map, true, false, above, 3, 2, -1},
        {"map_ortho", VolumeDisplay::Map, false, true, above, 3, 2, 9},
        {"map_ortho_points", VolumeDisplay::Map, true, true, close, 3, 2, -1},
        {"count", VolumeDisplay::CountLayers, false, false, above, 3, 3, 12},
        {"count_close", VolumeDisplay::CountLayers, false, false, close, 3, 3, -1},
        {"count_points", VolumeDisplay::CountLayers, true, false, above, 3, 3, 12},
        {"count_ortho", VolumeDisplay::CountLayers, false, true, close, 3, 3, 7},
        {"count_ortho_points", VolumeDisplay::CountLayers, true, true, above, 3, 3, -1},
        {"selective", VolumeDisplay::Selective, false, false, above, 2, 4, -1},
        {"selective_close", VolumeDisplay::Selective, false, false, close, 2, 4, -1},
        {"selective_points", VolumeDisplay::Selective, true, false, above, 2, 4, -1},
        {"selective_ortho", VolumeDisplay::Selective, false, true, close, 2, 4, -1},
        {"selective_ortho_points", VolumeDisplay::Selective, true, true, above, 2, 4, -1},
        // Zoomed into the volume, the near plane cuts it open.
        {"selective_inside", VolumeDisplay::Selective, false, false, {10.0f, -10.0f, 0.0f, 0.0f, 9.0f}, 2, 4, -1, true},
        {"selective_cut", VolumeDisplay::Selective, false, false, {10.0f, -10.0f, 0.0f, 0.0f, 8.0f}, 2, 4, -1, true},
        {"map_inside", VolumeDisplay::Map, false, false, {10.0f, -10.0f, 0.0f, 0.0f, 9.0f}, 3, 2, -1, true},
        {"map_cut_layers", VolumeDisplay::Map, false, false, {10.0f, -10.0f, 0.0f, 0.0f, 8.0f}, 3, 2, 14, true},
        {"count_inside", VolumeDisplay::CountLayers, false, false, {10.0f, -10.0f, 0.0f, 0.0f, 9.0f}, 3, 3, -1, true},
        {"count_ortho_cut", VolumeDisplay::CountLayers, false, true, {0.0f, -10.0f, 0.0f, 0.0f, 8.0f}, 3, 3, 20, true},
        {"count_one_layer", VolumeDisplay::CountLayers, false, false, above, 3, 3, 1},
        {"selective_ortho_cut",
         VolumeDisplay::Selective,
         false,
         true,
         {0.0f, -10.0f, 0.0f, 0.0f, 8.0f},
         2,
         4,
         -1,
         true},
    };
    for (const FrameCase& c : cases) {
        SCOPED_TRACE(c.name);
        SetIsoOperator(c.isoOperator);
        SetIsoThreshold(c.isoThreshold);
        ShowDisplay(c.display);
        if (m_renderer->IsSeeThrough() != c.seeThrough)
            m_renderer->ToggleSeeThrough();
        if (c.orthographic)
            m_renderer->SetOrthographic();
        else
            m_renderer->SetPerspective();
        m_renderer->SetView(c.pose);
        GetSceneSettings()->SetRecalculate(true);
        m_renderer->Render();
        m_renderer->SetShownLayers(c.shownLayers < 0 ? m_renderer->GetLayerTotal() : c.shownLayers);
        const CFrameImage now = Draw();

        for (VolumeDisplay display : {VolumeDisplay::Selective, VolumeDisplay::Map, VolumeDisplay::CountLayers})
            EXPECT_EQ(Lists().IsCompiled(Volume(), display, VoxelFaces::Every),
                      c.display == display && (c.seeThrough || c.cutOpen))
                << static_cast<int>(display);
        // Whichever lists the frame drew are compiled again the classic way.
        const uint32_t lists = CVolumeLists::ListCount(Volume(), c.display);
        std::vector<GLuint> bases;
        for (VoxelFaces faces : {VoxelFaces::Outer, VoxelFaces::Every})
            if (Lists().IsCompiled(Volume(), c.display, faces)) {
                bases.push_back(Lists().GetListBase(c.display, faces));
                if (Lists().GetTopListBase(c.display, faces) != 0)
                    bases.push_back(Lists().GetTopListBase(c.display, faces));
            }
        ASSERT_FALSE(bases.empty());
        for (GLuint base : bases)
            for (uint32_t n = 0; n < lists; ++n)
                CompileClassicList(Volume(), c.display, n, base + n);
        const CFrameImage classic = Draw();
        WritePng(std::string("VolumeLists.") + c.name + ".png", now);
        EXPECT_EQ(CountDifferences(now, classic), 0);

        // The frame must show the volume at all: without its lists it differs.
        for (GLuint base : bases)
            for (uint32_t n = 0; n < lists; ++n) {
                glNewList(base + n, GL_COMPILE);
                glEndList();
            }
        EXPECT_GT(CountDifferences(now, Draw()), 2000);
    }
}

// Polygons one list sends down the pipeline, read back in feedback mode
// under a projection that clips none of them.
int CountPolygons(GLuint list)
{
    std::vector<GLfloat> buffer(1 << 23);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-20.0, 20.0, -20.0, 20.0, -20.0, 20.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    glCallList(list);
    const GLint size = glRenderMode(GL_RENDER);
    EXPECT_GE(size, 0) << "feedback buffer overflow";
    int polygons = 0;
    for (GLint i = 0; i < size;) {
        const auto token = static_cast<GLint>(buffer[i]);
        if (token != GL_POLYGON_TOKEN) {
            ADD_FAILURE() << "unexpected feedback token " << token;
            break;
        }
        ++polygons;
        i += 2 + 3 * static_cast<GLint>(buffer[i + 1]);
    }
    return polygons;
}

// Faces of `cells` between two cells of `drawn` whose 18 cells around them
// (the two and their neighbours across the face's plane, diagonals
// included) all belong to `drawn`.
int DeepFaces(const std::vector<std::tuple<int, int, int>>& cells,
              const std::vector<std::tuple<int, int, int>>& drawnCells)
{
    const std::set<std::tuple<int, int, int>> drawn(drawnCells.begin(), drawnCells.end());
    const auto has = [&](int i, int j, int k) { return drawn.count({i, j, k}) != 0; };
    int faces = 0;
    for (const auto& [i, j, k] : cells) {
        for (int axis = 0; axis < 3; ++axis) {
            for (int side : {-1, 1}) {
                bool deep = true;
                for (int a = 0; a <= 1; ++a)
                    for (int p = -1; p <= 1; ++p)
                        for (int q = -1; q <= 1; ++q) {
                            const int d[3] = {axis == 0 ? a * side : p, axis == 1 ? a * side : (axis == 0 ? p : q),
                                              axis == 2 ? a * side : q};
                            deep = deep && has(i + d[0], j + d[1], k + d[2]);
                        }
                faces += deep ? 1 : 0;
            }
        }
    }
    return faces;
}

std::tuple<int, int, int> CellOf(const CCoverageVolume& volume, uint32_t t)
{
    const uint32_t row = t / volume.GetCountY();
    return {static_cast<int>(row % volume.GetCountX()), static_cast<int>(t % volume.GetCountY()),
            static_cast<int>(row / volume.GetCountX())};
}

std::vector<std::tuple<int, int, int>> CellsOf(const CCoverageVolume& volume, const std::vector<VoxelPaint>& paint)
{
    std::vector<std::tuple<int, int, int>> cells;
    for (const VoxelPaint& voxel : paint)
        cells.push_back(CellOf(volume, voxel.voxel));
    return cells;
}

// Filled, each list leaves out exactly its deep faces, a layer's counted
// with the layers drawn around it: the one below and, unless it is the top
// layer shown, the one above. Points keep every face.
TEST_F(VolumeListsTest, FilledListsLeaveOutOnlyTheirDeepFaces)
{
    SetIsoOperator(3);
    SetIsoThreshold(2);
    GetSceneSettings()->SetRecalculate(true);
    m_renderer->Render();
    const CCoverageVolume& volume = Volume();
    uint32_t fullestMap = 1;
    for (uint32_t j = 1; j + 1 < volume.GetCountY(); ++j)
        if (volume.MapLayerPaint(j, ClassicFilters()).size() >
            volume.MapLayerPaint(fullestMap, ClassicFilters()).size())
            fullestMap = j;
    const uint32_t layers = volume.GetCountY();
    struct ListCase {
        VolumeDisplay display;
        uint32_t n;
        int shownLayers;
    };
    const ListCase cases[] = {
        {VolumeDisplay::CountLayers, 0, -1},
        {VolumeDisplay::CountLayers, 17, -1},
        {VolumeDisplay::CountLayers, layers - 1, -1},
        {VolumeDisplay::CountLayers, 17, 18},
        {VolumeDisplay::CountLayers, 0, 1},
        {VolumeDisplay::Map, fullestMap, -1},
        {VolumeDisplay::Map, fullestMap, static_cast<int>(fullestMap) + 1},
        {VolumeDisplay::Selective, 0, -1},
    };
    for (const ListCase& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.display) * 10000 + static_cast<int>(c.n) * 100 + c.shownLayers);
        m_renderer->SetShownLayers(c.shownLayers < 0 ? m_renderer->GetLayerTotal() : c.shownLayers);
        const bool top = c.shownLayers == static_cast<int>(c.n) + 1;
        const auto paintOf = [&](uint32_t n) {
            return c.display == VolumeDisplay::Map           ? volume.MapLayerPaint(n, ClassicFilters())
                   : c.display == VolumeDisplay::CountLayers ? volume.CountLayerPaint(n, ClassicFilters())
                                                             : volume.IsoListPaint(ClassicFilters());
        };
        const std::vector<VoxelPaint> paint = paintOf(c.n);
        ASSERT_GT(paint.size(), 20u);
        const auto cells = CellsOf(volume, paint);
        auto drawn = cells;
        if (c.display != VolumeDisplay::Selective) {
            if (c.n > 0)
                for (const auto& cell : CellsOf(volume, paintOf(c.n - 1)))
                    drawn.push_back(cell);
            if (!top && c.n + 1 < layers)
                for (const auto& cell : CellsOf(volume, paintOf(c.n + 1)))
                    drawn.push_back(cell);
        }
        CVolumeLists lists;
        lists.Start(volume);
        ASSERT_TRUE(lists.CompileList(volume, c.display, VoxelFaces::Outer, c.n));
        ASSERT_TRUE(lists.CompileList(volume, c.display, VoxelFaces::Every, c.n));
        const GLuint classic = glGenLists(1);
        CompileClassicList(volume, c.display, c.n, classic);
        const int every = CountPolygons(classic);
        ASSERT_EQ(every % (6 * static_cast<int>(paint.size())), 0);
        const int perFace = every / (6 * static_cast<int>(paint.size()));
        EXPECT_EQ(CountPolygons(lists.GetListBase(c.display, VoxelFaces::Every) + c.n), every);
        const GLuint outerList = top ? lists.GetTopListBase(c.display, VoxelFaces::Outer) + c.n
                                     : lists.GetListBase(c.display, VoxelFaces::Outer) + c.n;
        const int deep = DeepFaces(cells, drawn);
        if (c.display == VolumeDisplay::Selective || (c.display == VolumeDisplay::CountLayers && !top)) {
            EXPECT_GT(deep, 0);
        }
        EXPECT_EQ(CountPolygons(outerList), every - perFace * deep);
        glDeleteLists(classic, 1);
        lists.DeleteLists();
        EXPECT_FALSE(lists.IsBuilt());
    }
}

// The shown display is compiled with the computation; another one when it is
// first shown, with the filters of that computation even if they changed.
TEST_F(VolumeListsTest, OnlyTheShownDisplayIsCompiledAndTheOthersOnFirstShowing)
{
    SetIsoOperator(3);
    SetIsoThreshold(3);
    ShowDisplay(VolumeDisplay::CountLayers);
    GetSceneSettings()->SetRecalculate(true);
    const CFrameImage countFirst = Draw();
    ShowDisplay(VolumeDisplay::Map);
    const CFrameImage mapSecond = Draw();

    ShowDisplay(VolumeDisplay::Map);
    GetSceneSettings()->SetRecalculate(true);
    const CFrameImage mapFirst = Draw();
    EXPECT_EQ(CountDifferences(mapFirst, mapSecond), 0);
    for (VolumeDisplay display : {VolumeDisplay::Selective, VolumeDisplay::Map, VolumeDisplay::CountLayers})
        for (VoxelFaces faces : {VoxelFaces::Outer, VoxelFaces::Every})
            EXPECT_EQ(Lists().IsCompiled(Volume(), display, faces),
                      display == VolumeDisplay::Map && faces == VoxelFaces::Outer)
                << static_cast<int>(display) << " " << static_cast<int>(faces);

    // A filter changed without RENDER: the count layers still show the old one.
    SetIsoThreshold(1);
    ShowDisplay(VolumeDisplay::CountLayers);
    const CFrameImage countSecond = Draw();
    EXPECT_TRUE(Lists().IsCompiled(Volume(), VolumeDisplay::CountLayers, VoxelFaces::Outer));
    EXPECT_EQ(CountDifferences(countFirst, countSecond), 0);
    EXPECT_EQ(g_nIsoThreshold, 1u);

    ShowDisplay(VolumeDisplay::Selective);
    Draw();
    EXPECT_TRUE(Lists().IsCompiled(Volume(), VolumeDisplay::Selective, VoxelFaces::Outer));
    EXPECT_FALSE(Lists().IsCompiled(Volume(), VolumeDisplay::Selective, VoxelFaces::Every));
    m_renderer->ToggleSeeThrough();
    Draw();
    EXPECT_TRUE(Lists().IsCompiled(Volume(), VolumeDisplay::Selective, VoxelFaces::Every));
    ShowDisplay(VolumeDisplay::CountLayers);

    // A new resolution camera starts the lists again, with the filters of now.
    m_renderer->ToggleSeeThrough();
    m_renderer->ShowResolutionMap(0);
    const CFrameImage recompiled = Draw();
    EXPECT_FALSE(Lists().IsCompiled(Volume(), VolumeDisplay::Selective, VoxelFaces::Outer));
    EXPECT_GT(CountDifferences(countSecond, recompiled), 1000);

    // The Quality display replaces them all: none is compiled beside it.
    m_renderer->SetQualityDisplay(true);
    GetSceneSettings()->SetRecalculate(true);
    Draw();
    for (VolumeDisplay display : {VolumeDisplay::Selective, VolumeDisplay::Map, VolumeDisplay::CountLayers})
        EXPECT_FALSE(Lists().IsCompiled(Volume(), display, VoxelFaces::Outer)) << static_cast<int>(display);
    m_renderer->SetQualityDisplay(false);
    Draw();
    EXPECT_TRUE(Lists().IsCompiled(Volume(), VolumeDisplay::CountLayers, VoxelFaces::Outer));
}

} // namespace
