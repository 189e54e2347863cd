#pragma once

#include "report/ReportDocument.h"
#include "scene/AtomicFile.h"

#include <QLocale>
#include <QPageSize>

#include <optional>
#include <string>

enum class ReportFormat { Pdf, Html };

// By the file's extension (.pdf, .html or .htm, any case); nullopt for another.
std::optional<ReportFormat> ReportFormatOf(const std::string& path);

// Letter where the locale measures in US units, A4 elsewhere.
QPageSize::PageSizeId ReportPageSizeFor(const QLocale& locale);

// The PDF laid out by the rich-text engine on pages of `pageSize`, text as
// text with its fonts embedded, or the HTML on its own with every picture
// inline as a PNG data URI. Through the safe writer: a failure leaves an
// earlier file untouched and says why.
SaveResult WriteReportPdf(const std::string& path, const ReportContents& contents, QPageSize::PageSizeId pageSize);
SaveResult WriteReportHtml(const std::string& path, const ReportContents& contents);
