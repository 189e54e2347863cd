#include "app/workspace/PropertiesDock.h"

#include "app/BoxNumber.h"
#include "app/UserPrompts.h"
#include "app/document/QtPlanDocument.h"
#include "app/workspace/WorkspaceSelection.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QVBoxLayout>

#include <cstdlib>

namespace
{

// The typed number as a double: the box's rules decide what is a number,
// and the decimal text is then read whole, so a plan's double values take
// exactly what was typed.
std::optional<double> TypedNumber(const QString& text)
{
    if (!ReadBoxNumber(text.toStdString()))
        return std::nullopt;
    std::string normal = text.trimmed().toStdString();
    for (char& c : normal)
        if (c == ',')
            c = '.';
    return std::strtod(normal.c_str(), nullptr);
}

QString RowLabel(const PlanProperty& property)
{
    QString name = QString::fromStdString(property.name);
    if (property.unit.empty())
        return name;
    return name + " (" + QString::fromStdString(property.unit) + ")";
}

} // namespace

QString PropertyText(const PlanProperty& property)
{
    if (const auto* text = std::get_if<std::string>(&property.value))
        return QString::fromStdString(*text);
    const double value = std::get<double>(property.value);
    if (property.kind == PropertyKind::Whole)
        return QString::number(static_cast<long long>(value));
    // A derived value is read, never typed back: two decimals say enough.
    if (!property.editable)
        return QString::number(value, 'f', 2);
    return QString::fromStdString(
        FormatBoxNumber(value, [value](float typed) { return typed == static_cast<float>(value); }));
}

CPropertiesDock::CPropertiesDock(CQtPlanDocument& document, CWorkspaceSelection& selection, CUserPrompts& prompts,
                                 QWidget* parent)
    : QDockWidget("Properties", parent), m_document(document), m_selection(selection), m_prompts(prompts),
      m_pHeading(new QLabel), m_pForm(new QWidget), m_pLayout(new QFormLayout(m_pForm))
{
    setObjectName("PropertiesDock");
    auto* body = new QWidget;
    auto* column = new QVBoxLayout(body);
    m_pHeading->setWordWrap(true);
    QFont bold = m_pHeading->font();
    bold.setBold(true);
    m_pHeading->setFont(bold);
    column->addWidget(m_pHeading);
    m_pLayout->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    column->addWidget(m_pForm);
    column->addStretch(1);
    // A camera's many values scroll in a short dock rather than push the window taller.
    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(body);
    setWidget(scroll);

    connect(&m_selection, &CWorkspaceSelection::changed, this, &CPropertiesDock::Rebuild, Qt::QueuedConnection);
    // After the step is taken, not inside it: the box that took it may be the one rebuilt.
    connect(&m_document, &CQtPlanDocument::planChanged, this, [this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                const std::optional<PlanItem>& item = m_selection.Item();
                std::vector<std::string> keys;
                if (item)
                    for (const PlanProperty& property : PropertiesOf(m_document.GetPlan(), *item))
                        keys.push_back(property.key + (property.editable ? "" : "*"));
                if (item == m_item && keys == m_keys)
                    ShowValues();
                else
                    Rebuild();
            },
            Qt::QueuedConnection);
    });
    Rebuild();
}

QWidget* CPropertiesDock::Editor(const std::string& key) const
{
    for (const auto& [name, editor] : m_editors)
        if (name == key)
            return editor;
    return nullptr;
}

void CPropertiesDock::Rebuild()
{
    for (const auto& [key, editor] : m_editors)
        editor->blockSignals(true);
    while (m_pLayout->rowCount() > 0)
        m_pLayout->removeRow(0);
    m_editors.clear();
    m_keys.clear();
    m_item = m_selection.Item();
    const Plan& plan = m_document.GetPlan();
    if (!m_item || !HasItem(plan, *m_item)) {
        m_pHeading->setText("Choose an item in the Plan tree, or click a camera in the view.");
        return;
    }
    m_pHeading->setText(QString::fromStdString(ItemName(plan, *m_item)));
    for (const PlanProperty& property : PropertiesOf(plan, *m_item)) {
        m_keys.push_back(property.key + (property.editable ? "" : "*"));
        QWidget* editor = nullptr;
        const std::string key = property.key;
        if (!property.editable) {
            editor = new QLabel;
        } else if (property.kind == PropertyKind::Flag) {
            auto* box = new QCheckBox;
            connect(box, &QCheckBox::toggled, this, [this, key](bool on) { Commit(key, on ? 1.0 : 0.0); });
            editor = box;
        } else if (property.kind == PropertyKind::Choice) {
            auto* box = new QComboBox;
            for (const std::string& choice : property.choices)
                box->addItem(QString::fromStdString(choice));
            connect(box, &QComboBox::activated, this,
                    [this, key](int index) { Commit(key, static_cast<double>(index)); });
            editor = box;
        } else {
            auto* box = new QLineEdit;
            const PropertyKind kind = property.kind;
            connect(box, &QLineEdit::editingFinished, this, [this, key, kind, box] {
                // Leaving a box that was not changed takes no step.
                if (box->isModified())
                    CommitText(key, box->text(), kind);
                box->setModified(false);
            });
            editor = box;
        }
        editor->setObjectName(QString::fromStdString("property_" + key));
        m_pLayout->addRow(RowLabel(property), editor);
        m_editors.emplace_back(key, editor);
    }
    ShowValues();
}

void CPropertiesDock::ShowValues()
{
    if (!m_item)
        return;
    const Plan& plan = m_document.GetPlan();
    if (!HasItem(plan, *m_item))
        return;
    m_pHeading->setText(QString::fromStdString(ItemName(plan, *m_item)));
    for (const PlanProperty& property : PropertiesOf(plan, *m_item)) {
        QWidget* editor = Editor(property.key);
        if (!editor)
            continue;
        const QSignalBlocker quiet(editor);
        if (auto* label = qobject_cast<QLabel*>(editor)) {
            label->setText(PropertyText(property));
        } else if (auto* check = qobject_cast<QCheckBox*>(editor)) {
            check->setChecked(std::get<double>(property.value) != 0.0);
        } else if (auto* choice = qobject_cast<QComboBox*>(editor)) {
            choice->setCurrentIndex(static_cast<int>(std::get<double>(property.value)));
        } else if (auto* line = qobject_cast<QLineEdit*>(editor)) {
            line->setText(PropertyText(property));
            line->setModified(false);
        }
    }
}

void CPropertiesDock::CommitText(const std::string& key, const QString& text, PropertyKind kind)
{
    if (kind == PropertyKind::Text) {
        Commit(key, text.toStdString());
        return;
    }
    std::optional<double> value;
    if (kind == PropertyKind::Whole) {
        if (const std::optional<long long> count = ReadBoxCount(text.toStdString()))
            value = static_cast<double>(*count);
    } else {
        value = TypedNumber(text);
    }
    if (!value) {
        const Plan& plan = m_document.GetPlan();
        std::string name = key;
        for (const PlanProperty& property : PropertiesOf(plan, *m_item))
            if (property.key == key)
                name = property.name;
        m_prompts.ShowMessage(name + (kind == PropertyKind::Whole ? ": must be a whole number" : ": must be a number"),
                              "Invalid Action", PromptButtons::Ok);
        ShowValues();
        return;
    }
    Commit(key, *value);
}

void CPropertiesDock::Commit(const std::string& key, const PropertyValue& value)
{
    if (!m_item || m_bCommitting)
        return;
    m_bCommitting = true;
    const PlanItem item = *m_item;
    CPlanDocument& document = m_document.Document();
    const std::string step = PropertyStepName(document.GetPlan(), item, key);
    const std::optional<std::string> refusal =
        document.Apply(step, [&](Plan& plan) { return SetProperty(plan, item, key, value); });
    m_bCommitting = false;
    if (refusal) {
        m_prompts.ShowMessage(*refusal, "Invalid Action", PromptButtons::Ok);
        ShowValues();
    }
}
