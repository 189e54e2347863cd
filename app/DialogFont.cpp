#include "app/DialogFont.h"

#include <QFontMetrics>
#include <QString>
#include <QStyle>

namespace
{

// The dialog's style sheet pads a push button's caption by a pixel a side.
constexpr int kButtonPadding = 1;
constexpr int kSizes[] = {11, 10, 9, 8};
constexpr int kStretches[] = {QFont::SemiCondensed, QFont::Condensed};

bool CaptionsFit(const QFont& font, const QStyle& style)
{
    const QFontMetrics metrics(font);
    for (size_t n = 0; n < kDialogControlCount; ++n) {
        const DialogControl& c = kDialogControls[n];
        const bool shown =
            c.kind == ControlKind::PushButton || c.kind == ControlKind::CheckBox || c.kind == ControlKind::Label;
        if (shown && metrics.horizontalAdvance(QString::fromUtf8(c.caption)) > CaptionRoom(c, style))
            return false;
    }
    return true;
}

} // namespace

int CaptionRoom(const DialogControl& control, const QStyle& style)
{
    const int box = DuToPixelsX(control.width);
    switch (control.kind) {
    case ControlKind::PushButton:
        return box - 2 * (style.pixelMetric(QStyle::PM_DefaultFrameWidth) + kButtonPadding);
    case ControlKind::CheckBox:
        return box - style.pixelMetric(QStyle::PM_IndicatorWidth) - style.pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
    default:
        return box;
    }
}

QFont ClassicDialogFont(const QFont& base, const QStyle& style)
{
    QFont font = base;
    for (const int size : kSizes) {
        for (const int stretch : kStretches) {
            font.setPixelSize(size);
            font.setStretch(stretch);
            if (CaptionsFit(font, style))
                return font;
        }
    }
    return font;
}
