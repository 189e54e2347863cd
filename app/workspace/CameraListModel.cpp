#include "app/workspace/CameraListModel.h"

#include "app/BoxNumber.h"
#include "app/UserPrompts.h"
#include "app/document/QtPlanDocument.h"
#include "app/workspace/PropertiesDock.h"
#include "document/PlanProperties.h"

#include <algorithm>
#include <optional>

namespace
{

std::optional<PlanProperty> CameraProperty(const Plan& plan, size_t camera, const std::string& key)
{
    for (PlanProperty& property : PropertiesOf(plan, {PlanItemKind::Camera, camera}))
        if (property.key == key)
            return std::move(property);
    return std::nullopt;
}

} // namespace

CCameraListModel::CCameraListModel(CQtPlanDocument& document, CUserPrompts& prompts, QObject* parent)
    : QAbstractTableModel(parent), m_document(document),
      m_prompts(prompts), m_keys{"label",  "enabled", "x",     "y",      "z",    "h_tilt",
                                 "v_tilt", "spin",    "focal", "f_stop", "type", "reach"}
{
    connect(&m_document, &CQtPlanDocument::planChanged, this, &CCameraListModel::Refresh);
    m_nRows = static_cast<int>(m_document.GetPlan().cameras.size());
}

int CCameraListModel::ColumnOf(const std::string& key) const
{
    const auto at = std::find(m_keys.begin(), m_keys.end(), key);
    return at == m_keys.end() ? -1 : static_cast<int>(at - m_keys.begin());
}

int CCameraListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_nRows;
}

int CCameraListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_keys.size());
}

QVariant CCameraListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const std::optional<PlanProperty> property =
        CameraProperty(m_document.GetPlan(), static_cast<size_t>(index.row()), KeyOf(index.column()));
    if (!property)
        return {};
    if (property->kind == PropertyKind::Flag) {
        if (role == Qt::CheckStateRole)
            return std::get<double>(property->value) != 0.0 ? Qt::Checked : Qt::Unchecked;
        return {};
    }
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        if (property->kind == PropertyKind::Choice)
            return QString::fromStdString(property->choices[static_cast<size_t>(std::get<double>(property->value))]);
        return PropertyText(*property);
    }
    if (role == Qt::TextAlignmentRole && property->kind == PropertyKind::Number)
        return static_cast<int>(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant CCameraListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    const Plan& plan = m_document.GetPlan();
    const std::optional<PlanProperty> property =
        plan.cameras.empty() ? std::nullopt : CameraProperty(plan, 0, KeyOf(section));
    if (!property)
        return QString::fromStdString(KeyOf(section));
    QString name = QString::fromStdString(property->name);
    if (!property->unit.empty())
        name += " (" + QString::fromStdString(property->unit) + ")";
    return name;
}

Qt::ItemFlags CCameraListModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    const std::optional<PlanProperty> property =
        CameraProperty(m_document.GetPlan(), static_cast<size_t>(index.row()), KeyOf(index.column()));
    if (!property || !property->editable || property->kind == PropertyKind::Choice)
        return flags;
    if (property->kind == PropertyKind::Flag)
        return flags | Qt::ItemIsUserCheckable;
    return flags | Qt::ItemIsEditable;
}

bool CCameraListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    const auto camera = static_cast<size_t>(index.row());
    const std::string& key = KeyOf(index.column());
    const std::optional<PlanProperty> property = CameraProperty(m_document.GetPlan(), camera, key);
    if (!property || !property->editable)
        return false;
    PropertyValue typed;
    if (property->kind == PropertyKind::Flag && role == Qt::CheckStateRole) {
        typed = value.toInt() == Qt::Checked ? 1.0 : 0.0;
    } else if (role != Qt::EditRole) {
        return false;
    } else if (property->kind == PropertyKind::Text) {
        typed = value.toString().toStdString();
    } else {
        const std::optional<float> number = ReadBoxNumber(value.toString().toStdString());
        if (!number) {
            m_prompts.ShowMessage(property->name + ": must be a number", "Invalid Action", PromptButtons::Ok);
            return false;
        }
        typed = static_cast<double>(*number);
    }
    const PlanItem item{PlanItemKind::Camera, camera};
    CPlanDocument& document = m_document.Document();
    const std::string step = PropertyStepName(document.GetPlan(), item, key);
    if (const auto refusal = document.Apply(step, [&](Plan& plan) { return SetProperty(plan, item, key, typed); })) {
        m_prompts.ShowMessage(*refusal, "Invalid Action", PromptButtons::Ok);
        return false;
    }
    return true;
}

void CCameraListModel::Refresh()
{
    const int rows = static_cast<int>(m_document.GetPlan().cameras.size());
    if (rows != m_nRows) {
        beginResetModel();
        m_nRows = rows;
        endResetModel();
        return;
    }
    if (rows > 0)
        emit dataChanged(index(0, 0), index(rows - 1, columnCount() - 1));
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}
