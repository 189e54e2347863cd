#include "report/ReportCharts.h"

#include "coverage/QualityDisplay.h"

#include <QFont>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>

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

} // namespace

std::vector<HistogramBar> CameraCountBars(const std::vector<uint64_t>& histogram)
{
    std::vector<HistogramBar> bars;
    for (size_t k = 0; k < histogram.size(); ++k)
        bars.push_back({std::to_string(k), histogram[k]});
    return bars;
}

QImage DrawHistogram(const std::string& title, const std::string& axisLabel, const std::vector<HistogramBar>& bars)
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
    const double step = RoundTickStep(static_cast<double>(most), 5, true);
    const double top = std::ceil(static_cast<double>(most) / step) * step;

    painter.setFont(ChartFont(18));
    painter.setPen(QPen(QColor(200, 200, 200), 1));
    for (double v = 0.0; v <= top + 0.5; v += step) {
        const double y = area.bottom() - v / top * area.height();
        painter.setPen(QPen(QColor(210, 210, 210), 1));
        painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(0, y - 12, area.left() - 10, 24), Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(static_cast<qulonglong>(v)));
    }

    if (!bars.empty()) {
        const double slot = area.width() / static_cast<double>(bars.size());
        const double width = slot * 0.75;
        // Labels of many narrow bars would overlap: every n-th one then.
        const size_t labelEvery = std::max<size_t>(1, static_cast<size_t>(std::ceil(90.0 / slot)));
        for (size_t b = 0; b < bars.size(); ++b) {
            const double x = area.left() + b * slot + (slot - width) / 2.0;
            const double h = static_cast<double>(bars[b].voxels) / top * area.height();
            painter.fillRect(QRectF(x, area.bottom() - h, width, h), QColor(52, 101, 164));
            if (b % labelEvery != 0)
                continue;
            painter.setPen(Qt::black);
            painter.drawText(QRectF(x - slot, area.bottom() + 6, width + 2 * slot, 26), Qt::AlignHCenter | Qt::AlignTop,
                             QString::fromStdString(bars[b].label));
            if (bars.size() <= 16)
                painter.drawText(QRectF(x - slot, area.bottom() - h - 28, width + 2 * slot, 26),
                                 Qt::AlignHCenter | Qt::AlignBottom,
                                 QString::number(static_cast<qulonglong>(bars[b].voxels)));
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
    painter.drawText(QRectF(-150, -14, 300, 28), Qt::AlignHCenter | Qt::AlignVCenter, "voxels");
    painter.restore();
    return image;
}
