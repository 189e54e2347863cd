#pragma once

#include "document/PlanProperties.h"

#include <QObject>

#include <optional>

// The item of the plan the workspace works on: the tree, the camera table,
// the view and the properties show the same one, and each may choose it.
class CWorkspaceSelection : public QObject
{
    Q_OBJECT
  public:
    explicit CWorkspaceSelection(QObject* parent = nullptr) : QObject(parent) {}

    const std::optional<PlanItem>& Item() const { return m_item; }
    // The selected camera, from 0; -1 when the item is no camera.
    int Camera() const;
    void Select(const std::optional<PlanItem>& item);
    // After the plan changed: an item it no longer holds is let go.
    void Follow(const Plan& plan);

  signals:
    void changed();

  private:
    std::optional<PlanItem> m_item;
};
