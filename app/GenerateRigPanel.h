#pragma once

#include <QWidget>

#include <functional>

class CClassicPlan;
class CVolumePlannerDlg;
class QComboBox;
class QLineEdit;
class QPushButton;

// Plan > Generate Rig: a new rig of N cameras in one step, a ring on the
// walls at a height or a grid on the ceiling, each aimed at a point or at
// the centre of the plan's target. It replaces the rig as one step of the
// plan's history (the window's first rig begins it). A refused field is named
// and the plan stays as it was.
//
// File > New Plan is the same window with the room's sides above: Create
// Plan starts a new plan (after the question about unsaved changes) of that
// room, in metres, with the rig laid out in it, and a history of its own.
class CGenerateRigPanel : public QWidget
{
    Q_OBJECT
  public:
    enum Field { kRoomLength, kRoomWidth, kRoomHeight, kCount, kHeight, kAimPoint, kLens, kFieldCount };
    enum Aim { kAimAtTargetCentre, kAimAtPoint };

    // With `mayDiscard` the window makes new plans: it asks whether the plan
    // may go, and the new plan has no obstacles, target or file of its own.
    CGenerateRigPanel(CVolumePlannerDlg& dialog, CClassicPlan& plan, std::function<bool()> mayDiscard = nullptr,
                      QWidget* parent = nullptr);

    QComboBox* LayoutBox() const { return m_pLayout; }
    QComboBox* AimBox() const { return m_pAim; }
    QLineEdit* FieldBox(Field field) const { return m_fields[field]; }
    QPushButton* GenerateButton() const { return m_pGenerate; }

  private:
    void Generate();
    void ShowFieldsInUse();

    CVolumePlannerDlg& m_dialog;
    CClassicPlan& m_plan;
    std::function<bool()> m_mayDiscard;
    QComboBox* m_pLayout;
    QComboBox* m_pAim;
    QLineEdit* m_fields[kFieldCount];
    QPushButton* m_pGenerate;
};
