#pragma once

#include <QAbstractTableModel>

#include <functional>

class CClassicPlan;
class CUserPrompts;
struct PlanCamera;

// The window's cameras as a table, one row per camera: label, enabled,
// position (user frame), pan, tilt, spin, lens, f-stop, frame, sensor pixels
// and reach. A cell takes the whole text as a number with the refusals of
// Update Settings, and a position more than 10 m outside the room is refused;
// each accepted edit is one step of the plan's history.
class CCameraTableModel : public QAbstractTableModel
{
    Q_OBJECT
  public:
    enum Column {
        kColLabel,
        kColEnabled,
        kColX,
        kColY,
        kColZ,
        kColPan,
        kColTilt,
        kColSpin,
        kColLens,
        kColFStop,
        kColFrameWidth,
        kColFrameHeight,
        kColPixels,
        kColReach,
        kColCount
    };

    // `hasRig`: the window holds a rig (a count was entered, a file or a project opened).
    CCameraTableModel(CClassicPlan& plan, CUserPrompts& prompts, std::function<bool()> hasRig,
                      QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // After the rig changed: every row anew (and rows added or taken away).
    void Refresh();

  private:
    bool Refuse(int row, const QString& reason);
    // Camera `row` changed by `change` as one step named `title`; a refusal is shown.
    bool Change(int row, const QString& title, const std::function<void(PlanCamera&)>& change);

    CClassicPlan& m_plan;
    CUserPrompts& m_prompts;
    std::function<bool()> m_hasRig;
    int m_nRows = 0;
};
