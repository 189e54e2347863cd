#include "report/FloorMaps.h"

#include "coverage/CoverageVolume.h"
#include "coverage/QualityDisplay.h"
#include "render/ObstacleDrawer.h"

#include <QFont>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{

constexpr int kPlanWidthPx = 1100;
constexpr int kPlanHeightPx = 760;
constexpr int kMarginPx = 70;
constexpr int kKeyWidthPx = 230;
constexpr QRgb kNoCameraRgb = 0xff404040;

float LayerHeight(const CCoverageVolume& volume, float roomHeightM, uint32_t j)
{
    return volume.Centre(volume.VoxelIndex(0, j, 0))[1] + roomHeightM * 0.5f;
}

QFont LabelFont(int pixels)
{
    QFont font("DejaVu Sans");
    font.setPixelSize(pixels);
    return font;
}

} // namespace

std::optional<std::pair<uint32_t, uint32_t>> LayersInBand(const CCoverageVolume& volume, float roomHeightM, float fromM,
                                                          float toM)
{
    std::optional<std::pair<uint32_t, uint32_t>> band;
    for (uint32_t j = 0; j < volume.GetCountY(); ++j) {
        const float h = LayerHeight(volume, roomHeightM, j);
        if (h < fromM || h > toM)
            continue;
        if (!band)
            band = std::pair{j, j};
        band->second = j;
    }
    return band;
}

std::optional<uint32_t> LayerAt(const CCoverageVolume& volume, float roomHeightM, float heightM)
{
    if (!(heightM >= 0.0f && heightM <= roomHeightM) || volume.GetCountY() == 0)
        return std::nullopt;
    // Layer j spans j to j + 1 voxel edges above the floor; a height on a
    // boundary, within rounding, belongs to the layer above it, the ceiling
    // to the top layer.
    const double layer = std::floor(static_cast<double>(heightM) / volume.GetVoxelEdge() + 1e-6);
    return static_cast<uint32_t>(std::min<double>(layer, volume.GetCountY() - 1));
}

FloorMap WorstCaseMap(const CCoverageVolume& volume, uint32_t first, uint32_t last, std::string title)
{
    FloorMap map;
    map.title = std::move(title);
    map.nx = volume.GetCountX();
    map.nz = volume.GetCountZ();
    map.edgeM = volume.GetVoxelEdge();
    map.counts.assign(static_cast<size_t>(map.nx) * map.nz, 0);
    const bool obstacles = volume.GetOcclusion() != nullptr;
    if (obstacles)
        map.blocked.assign(map.counts.size(), 0);
    for (uint32_t k = 0; k < map.nz; ++k)
        for (uint32_t i = 0; i < map.nx; ++i) {
            uint32_t least = UINT32_MAX;
            bool free = !obstacles;
            for (uint32_t j = first; j <= last; ++j) {
                const size_t t = volume.VoxelIndex(i, j, k);
                if (obstacles && volume.InsideObstacle(t))
                    continue;
                free = true;
                least = std::min(least, volume.SeenCount(t));
            }
            const size_t cell = i + map.nx * static_cast<size_t>(k);
            map.counts[cell] = least == UINT32_MAX ? 0 : least;
            if (!free)
                map.blocked[cell] = 1;
        }
    return map;
}

FloorMap FreeTurnMap(const CCoverageVolume& volume, const CPlanningMeasures& planning, uint32_t first, uint32_t last,
                     std::string title)
{
    FloorMap map = WorstCaseMap(volume, first, last, std::move(title));
    map.keyTitle = "free turn (deg)";
    map.keyStep = kFreeTurnStepDeg;
    for (uint32_t k = 0; k < map.nz; ++k)
        for (uint32_t i = 0; i < map.nx; ++i) {
            double least = 360.0;
            for (uint32_t j = first; j <= last; ++j) {
                const float occluded = planning.OccludedDeg(volume.VoxelIndex(i, j, k));
                if (!std::isnan(occluded))
                    least = std::min(least, 360.0 - occluded);
            }
            map.counts[i + map.nx * static_cast<size_t>(k)] =
                static_cast<uint32_t>(std::floor(least / kFreeTurnStepDeg + 1e-9));
        }
    return map;
}

std::optional<FloorMap> CaptureBandMap(const CCoverageVolume& volume, float roomHeightM, float fromM, float toM)
{
    const auto band = LayersInBand(volume, roomHeightM, fromM, toM);
    if (!band)
        return std::nullopt;
    char title[96];
    std::snprintf(title, sizeof title, "Worst case from %.2f to %.2f m", fromM, toM);
    return WorstCaseMap(volume, band->first, band->second, title);
}

uint32_t FloorMapRgb(uint32_t count, uint32_t maxCount)
{
    if (count == 0)
        return kNoCameraRgb;
    const double f = maxCount <= 1 ? 1.0 : static_cast<double>(count - 1) / static_cast<double>(maxCount - 1);
    const QualityRgb c = QualityColor(f);
    return qRgb(static_cast<int>(std::lround(c[0] * 255.0)), static_cast<int>(std::lround(c[1] * 255.0)),
                static_cast<int>(std::lround(c[2] * 255.0)));
}

uint32_t FloorMapObstacleRgb()
{
    const auto channel = [](double c) { return static_cast<int>(std::lround(c * 255.0)); };
    return qRgb(channel(CObstacleDrawer::kColor[0]), channel(CObstacleDrawer::kColor[1]),
                channel(CObstacleDrawer::kColor[2]));
}

QImage DrawFloorMap(const FloorMap& map, uint32_t maxCount, float lengthM, float widthM)
{
    // The plan keeps the room's proportions inside its box.
    const double scale =
        std::min(kPlanWidthPx / static_cast<double>(lengthM), kPlanHeightPx / static_cast<double>(widthM));
    const int planW = static_cast<int>(std::lround(lengthM * scale));
    const int planH = static_cast<int>(std::lround(widthM * scale));
    QImage image(kMarginPx * 2 + planW + kKeyWidthPx, kMarginPx * 2 + planH, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);

    const QRectF plan(kMarginPx, kMarginPx, planW, planH);
    // Cells on the room's grid; the last column or row may be cut by the wall.
    const double cell = map.edgeM * scale;
    painter.setClipRect(plan);
    for (uint32_t k = 0; k < map.nz; ++k)
        for (uint32_t i = 0; i < map.nx; ++i) {
            // Z grows upwards on the page.
            const QRectF rect(plan.left() + i * cell, plan.bottom() - (k + 1) * cell, cell + 0.5, cell + 0.5);
            const QRgb rgb = map.Blocked(i, k) ? FloorMapObstacleRgb() : FloorMapRgb(map.Count(i, k), maxCount);
            painter.fillRect(rect, QColor::fromRgb(rgb));
        }
    painter.setClipping(false);
    painter.setPen(QPen(Qt::black, 2));
    painter.drawRect(plan);

    // Metre marks in round steps along X (below) and Z (left).
    painter.setFont(LabelFont(26));
    const auto drawMarks = [&](float extent, bool alongX) {
        const double step = RoundTickStep(extent, 8, false);
        for (double m = 0.0; m <= extent + 1e-6; m += step) {
            const QString text = QString::number(m, 'g', 4);
            if (alongX) {
                const double x = plan.left() + m * scale;
                painter.drawLine(QPointF(x, plan.bottom()), QPointF(x, plan.bottom() + 8));
                painter.drawText(QRectF(x - 40, plan.bottom() + 10, 80, 26), Qt::AlignHCenter | Qt::AlignTop, text);
            } else {
                const double y = plan.bottom() - m * scale;
                painter.drawLine(QPointF(plan.left() - 8, y), QPointF(plan.left(), y));
                painter.drawText(QRectF(0, y - 13, plan.left() - 12, 26), Qt::AlignRight | Qt::AlignVCenter, text);
            }
        }
    };
    drawMarks(lengthM, true);
    drawMarks(widthM, false);
    painter.drawText(QRectF(plan.left(), plan.bottom() + 36, plan.width(), 30), Qt::AlignHCenter, "X (m)");
    painter.drawText(QRectF(4, 4, 200, kMarginPx - 10), Qt::AlignLeft | Qt::AlignBottom, "Z (m)");
    painter.drawText(QRectF(plan.left(), 4, plan.width(), kMarginPx - 10), Qt::AlignHCenter | Qt::AlignBottom,
                     QString::fromStdString(map.title));

    // The key: one swatch per count, 0 at the bottom, ticks in whole numbers.
    const QRectF key(plan.right() + 50, plan.top(), 40, plan.height());
    const uint32_t swatches = maxCount + 1;
    const double swatchH = key.height() / swatches;
    for (uint32_t c = 0; c <= maxCount; ++c)
        painter.fillRect(QRectF(key.left(), key.bottom() - (c + 1) * swatchH, key.width(), swatchH + 0.5),
                         QColor::fromRgb(FloorMapRgb(c, maxCount)));
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(key);
    const double tickStep = RoundTickStep(maxCount, 10, true);
    for (double c = 0.0; c <= maxCount + 1e-9; c += tickStep) {
        const double y = key.bottom() - (c + 0.5) * swatchH;
        painter.drawLine(QPointF(key.right(), y), QPointF(key.right() + 8, y));
        painter.drawText(QRectF(key.right() + 12, y - 13, 80, 26), Qt::AlignLeft | Qt::AlignVCenter,
                         QString::number(static_cast<int>(c) * map.keyStep));
    }
    painter.drawText(QRectF(key.left() - 30, 4, 200, kMarginPx - 10), Qt::AlignLeft | Qt::AlignBottom,
                     QString::fromStdString(map.keyTitle));
    if (std::find(map.blocked.begin(), map.blocked.end(), 1) != map.blocked.end()) {
        const QRectF swatch(key.left(), key.bottom() + 16, key.width(), 26);
        painter.fillRect(swatch, QColor::fromRgb(FloorMapObstacleRgb()));
        painter.drawRect(swatch);
        painter.drawText(QRectF(swatch.right() + 12, swatch.top(), 160, swatch.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, "obstacle");
    }
    return image;
}
