#include "report/ReportWriter.h"

#include "scene/AtomicFile.h"
#include "scene/PrintableText.h"

#include <QBuffer>
#include <QByteArray>
#include <QFont>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace
{

constexpr double kMarginMm = 15.0;
constexpr double kFooterMm = 8.0;
constexpr int kPdfDpi = 300;
// The unit the document's pixel sizes are in.
constexpr double kCssDpi = 96.0;

std::string ResourceName(const ReportImage& image)
{
    return "report:" + image.name;
}

template <typename Visit> void ForEachImage(const ReportContents& contents, Visit visit)
{
    for (const auto* list : {&contents.views, &contents.floorMaps, &contents.histograms, &contents.differenceViews})
        for (const ReportImage& image : *list)
            visit(image);
}

SaveResult WriteBytes(const std::string& path, const QByteArray& bytes)
{
    AtomicFile file(path);
    if (file.Open() && file.Write(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size()))))
        file.Commit();
    return file.Result();
}

} // namespace

std::optional<ReportFormat> ReportFormatOf(const std::string& path)
{
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".pdf")
        return ReportFormat::Pdf;
    if (extension == ".html" || extension == ".htm")
        return ReportFormat::Html;
    return std::nullopt;
}

QPageSize::PageSizeId ReportPageSizeFor(const QLocale& locale)
{
    return locale.measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter : QPageSize::A4;
}

SaveResult WriteReportPdf(const std::string& path, const ReportContents& contents, QPageSize::PageSizeId pageSize)
{
    QTextDocument document;
    // Ligatures would turn "fi" into one glyph that text extraction does not read back as two letters.
    QFont font("DejaVu Sans", 10);
    font.setStyleStrategy(QFont::PreferNoShaping);
    document.setDefaultFont(font);
    ForEachImage(contents, [&document](const ReportImage& image) {
        document.addResource(QTextDocument::ImageResource, QUrl(QString::fromStdString(ResourceName(image))),
                             image.image);
    });
    document.setHtml(QString::fromStdString(ReportHtml(contents, ResourceName)));

    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(pageSize));
        writer.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm + kFooterMm),
                              QPageLayout::Millimeter);
        writer.setResolution(kPdfDpi);
        writer.setTitle(
            QString::fromStdString("Coverage report: " + PrintableText(contents.figures.heading.projectName)));
        writer.setCreator("Volume Planner");

        // The document is laid out in CSS pixels and drawn scaled to the
        // writer's resolution, one page at a time, so that the pictures can
        // go in without lossy compression.
        const QRectF paint = writer.pageLayout().paintRectPixels(writer.resolution());
        const double scale = writer.resolution() / kCssDpi;
        const QSizeF page(paint.width() / scale, paint.height() / scale);
        document.setPageSize(page);
        QPainter painter(&writer);
        painter.setRenderHint(QPainter::LosslessImageRendering);
        QFont footer = font;
        footer.setPointSizeF(8.0);
        const int pages = document.pageCount();
        for (int p = 0; p < pages; ++p) {
            if (p > 0)
                writer.newPage();
            painter.save();
            painter.scale(scale, scale);
            painter.translate(0.0, -p * page.height());
            document.drawContents(&painter, QRectF(QPointF(0.0, p * page.height()), page));
            painter.restore();
            painter.setFont(footer);
            painter.drawText(QRectF(0.0, paint.height(), paint.width(), kFooterMm / 25.4 * writer.resolution()),
                             Qt::AlignRight | Qt::AlignVCenter, QString("Page %1 of %2").arg(p + 1).arg(pages));
        }
        if (!painter.end() || bytes.isEmpty())
            return {false, "the PDF could not be laid out"};
    }
    return WriteBytes(path, bytes);
}

SaveResult WriteReportHtml(const std::string& path, const ReportContents& contents)
{
    const std::string html = ReportHtml(contents, [](const ReportImage& image) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.image.save(&buffer, "PNG");
        return "data:image/png;base64," + png.toBase64().toStdString();
    });
    return WriteBytes(path, QByteArray::fromStdString(html));
}
