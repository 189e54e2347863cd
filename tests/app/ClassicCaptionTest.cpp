#include "ScriptedPrompts.h"

#include "app/DialogLayout.h"
#include "app/MainWindow.h"
#include "app/VolumePlannerDlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

#include <memory>

// Every caption of the classic window, measured in the dialog's font
// against the box the layout gives its control: shown whole, none cut.
class ClassicCaptionTest : public QObject
{
    Q_OBJECT

  private slots:
    void everyCaptionFitsItsBox();
};

namespace
{

// The dialog's control of a layout entry: by its id, or a label by its
// caption at its place.
QWidget* ControlOf(CVolumePlannerDlg& dialog, const DialogControl& c)
{
    if (c.id != kIdNone)
        return dialog.Control(c.id);
    const QPoint at(DuToPixelsX(c.x), DuToPixelsY(c.y));
    for (QLabel* label : dialog.findChildren<QLabel*>())
        if (label->text() == QString::fromUtf8(c.caption) && label->pos() == at)
            return label;
    return nullptr;
}

// The width the caption is drawn in, for the control at its layout box.
int CaptionWidth(QWidget& control, const DialogControl& c)
{
    const QRect box(0, 0, DuToPixelsX(c.width), control.height());
    QStyleOptionButton option;
    option.initFrom(&control);
    option.rect = box;
    if (auto* button = qobject_cast<QPushButton*>(&control)) {
        option.text = button->text();
        return control.style()->subElementRect(QStyle::SE_PushButtonContents, &option, &control).width();
    }
    if (auto* check = qobject_cast<QCheckBox*>(&control)) {
        option.text = check->text();
        return control.style()->subElementRect(QStyle::SE_CheckBoxContents, &option, &control).width();
    }
    return qobject_cast<QLabel*>(&control)->contentsRect().width() - (control.width() - box.width());
}

} // namespace

void ClassicCaptionTest::everyCaptionFitsItsBox()
{
    CMainWindow window(std::make_unique<CScriptedPrompts>());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    CVolumePlannerDlg& dialog = window.Dialog();
    int measured = 0;
    for (size_t n = 0; n < kDialogControlCount; ++n) {
        const DialogControl& c = kDialogControls[n];
        if (c.kind != ControlKind::PushButton && c.kind != ControlKind::CheckBox && c.kind != ControlKind::Label)
            continue;
        QWidget* control = ControlOf(dialog, c);
        QVERIFY2(control, c.caption);
        // The layout's numbers stay: the box is where the seed's dialog had it.
        QCOMPARE(control->pos(), QPoint(DuToPixelsX(c.x), DuToPixelsY(c.y)));
        const int text = control->fontMetrics().horizontalAdvance(QString::fromUtf8(c.caption));
        const int room = CaptionWidth(*control, c);
        QVERIFY2(text <= room, qPrintable(QString("\"%1\" takes %2 px of its %3").arg(c.caption).arg(text).arg(room)));
        ++measured;
    }
    QCOMPARE(measured, 60);
}

QTEST_MAIN(ClassicCaptionTest)
#include "ClassicCaptionTest.moc"
