#pragma once

#include "document/PlanProperties.h"

#include <QDockWidget>

#include <optional>
#include <string>
#include <vector>

class CQtPlanDocument;
class CUserPrompts;
class CWorkspaceSelection;
class QFormLayout;
class QLabel;
class QWidget;

// Properties: the selected item's values with their units, each set on its
// own as one step of the plan (Return or leaving the box; a check box or a
// choice at once). A value the plan refuses is named to the user and the box
// shows the plan's value again.
class CPropertiesDock : public QDockWidget
{
    Q_OBJECT
  public:
    CPropertiesDock(CQtPlanDocument& document, CWorkspaceSelection& selection, CUserPrompts& prompts,
                    QWidget* parent = nullptr);

    // The editor of a property of the item shown (a QLineEdit, QCheckBox,
    // QComboBox, or a QLabel for a value that is not set); null for none.
    QWidget* Editor(const std::string& key) const;
    QLabel* Heading() const { return m_pHeading; }

    // A camera's values without scrolling on most screens.
    QSize sizeHint() const override { return {340, 560}; }

  private:
    // The form anew for the selection and the plan as they are.
    void Rebuild();
    // The boxes show the plan's values (after a step elsewhere, or a refusal).
    void ShowValues();
    void Commit(const std::string& key, const PropertyValue& value);
    void CommitText(const std::string& key, const QString& text, PropertyKind kind);

    CQtPlanDocument& m_document;
    CWorkspaceSelection& m_selection;
    CUserPrompts& m_prompts;
    QLabel* m_pHeading;
    QWidget* m_pForm;
    QFormLayout* m_pLayout;
    // The item the form is built for and its editors, key by key.
    std::optional<PlanItem> m_item;
    std::vector<std::pair<std::string, QWidget*>> m_editors;
    std::vector<std::string> m_keys;
    // A step is being taken from a box: the form is not rebuilt under it.
    bool m_bCommitting = false;
};

// A property's value as a box shows it: numbers as the dialog's boxes show
// them, a whole number without decimals.
QString PropertyText(const PlanProperty& property);
