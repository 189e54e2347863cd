#pragma once

#include <QAbstractTableModel>

#include <string>
#include <vector>

class CQtPlanDocument;
class CUserPrompts;

// The plan's cameras as a table, a row each, a column for each camera
// property the table shows (PlanProperties.h): a cell is the property, read
// and set as the Properties dock sets it, each change one step of the plan.
class CCameraListModel : public QAbstractTableModel
{
    Q_OBJECT
  public:
    CCameraListModel(CQtPlanDocument& document, CUserPrompts& prompts, QObject* parent = nullptr);

    // The property a column shows.
    const std::string& KeyOf(int column) const { return m_keys[static_cast<size_t>(column)]; }
    int ColumnOf(const std::string& key) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  private:
    void Refresh();

    CQtPlanDocument& m_document;
    CUserPrompts& m_prompts;
    std::vector<std::string> m_keys;
    int m_nRows = 0;
};
