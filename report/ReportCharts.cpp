#include "report/ReportCharts.h"

#include "coverage/QualityDisplay.h"

#include <QFont>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{

constexpr int kWidthPx = 1400;
constexpr int kHeightPx = 620;
constexpr int kLeftPx = 130;
constexpr int kRightPx = 30;
constexpr int kTopPx = 70;
constexpr int kBottomPx = 110;

QFont ChartFont(int pixels, bool bold = false)
{
    QFont font("DejaVu Sans");
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// Decimals enough to tell ticks `step` apart.
int DecimalsFor(double step)
{
    return std::max(0, static_cast<int>(-std::floor(std::log10(step) + 1e-9)));
}

QString VolumeLabel(double m3, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, m3);
    return QString::fromLatin1(text);
}

} // namespace

std::vector<HistogramBar> CameraCountBars(const std::vector<uint64_t>& histogram)
{
    std::vector<HistogramBar> bars;
    for (size_t k = 0; k < histogram.size(); ++k)
        bars.push_back({std::to_string(k), histogram[k]});
    return bars;
}

QImage DrawHistogram(const std::string& title, const std::string& axisLabel, const std::vector<HistogramBar>& bars,
                     double voxelM3)
{
    QImage image(kWidthPx, kHeightPx, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const QRectF area(kLeftPx, kTopPx, kWidthPx - kLeftPx - kRightPx, kHeightPx - kTopPx - kBottomPx);

    painter.setFont(ChartFont(26, true));
    painter.drawText(QRectF(0, 8, kWidthPx, kTopPx - 16), Qt::AlignHCenter | Qt::AlignVCenter,
                     QString::fromStdString(title));

    uint64_t most = 1;
    for (const HistogramBar& bar : bars)
        most = std::max(most, bar.voxels);
    const double mostM3 = static_cast<double>(most) * voxelM3;
    const double step = RoundTickStep(mostM3, 5, false);
    const double top = std::ceil(mostM3 / step - 1e-9) * step;
    const int tickDecimals = DecimalsFor(step);
    // Bar labels to two decimals, as the report's volumes, or finer for a small room.
    const int barDecimals = std::max(2, tickDecimals);

    painter.setFont(ChartFont(18));
    painter.setPen(QPen(QColor(200, 200, 200), 1));
    for (int tick = 0; tick * step <= top + 0.5 * step; ++tick) {
        const double v = tick * step;
        const double y = area.bottom() - v / top * area.height();
        painter.setPen(QPen(QColor(210, 210, 210), 1));
        painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(0, y - 12, area.left() - 10, 24), Qt::AlignRight | Qt::AlignVCenter,
                         VolumeLabel(v, tickDecimals));
    }

    if (!bars.empty()) {
        const double slot = area.width() / static_cast<double>(bars.size());
        const double width = slot * 0.75;
        // Labels of many narrow bars would overlap: every n-th one then.
        const size_t labelEvery = std::max<size_t>(1, static_cast<size_t>(std::ceil(90.0 / slot)));
        for (size_t b = 0; b < bars.size(); ++b) {
            const double x = area.left() + b * slot + (slot - width) / 2.0;
            const double m3 = static_cast<double>(bars[b].voxels) * voxelM3;
            const double h = m3 / top * area.height();
            painter.fillRect(QRectF(x, area.bottom() - h, width, h), QColor(52, 101, 164));
            if (b % labelEvery != 0)
                continue;
            painter.setPen(Qt::black);
            painter.drawText(QRectF(x - slot, area.bottom() + 6, width + 2 * slot, 26), Qt::AlignHCenter | Qt::AlignTop,
                             QString::fromStdString(bars[b].label));
            if (bars.size() <= 16)
                painter.drawText(QRectF(x - slot, area.bottom() - h - 28, width + 2 * slot, 26),
                                 Qt::AlignHCenter | Qt::AlignBottom, VolumeLabel(m3, barDecimals));
        }
    }
    painter.setPen(QPen(Qt::black, 2));
    painter.drawLine(area.bottomLeft(), area.bottomRight());
    painter.drawLine(area.bottomLeft(), area.topLeft());
    painter.setFont(ChartFont(20));
    painter.drawText(QRectF(area.left(), kHeightPx - 50, area.width(), 40), Qt::AlignHCenter | Qt::AlignVCenter,
                     QString::fromStdString(axisLabel));
    painter.save();
    painter.translate(24, area.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-150, -14, 300, 28), Qt::AlignHCenter | Qt::AlignVCenter,
                     QString::fromUtf8("volume (m\u00b3)"));
    painter.restore();
    return image;
}
