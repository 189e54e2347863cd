#pragma once

#include "project/Plan.h"

#include <cstddef>
#include <optional>
#include <string>
#include <variant>
#include <vector>

// The plan as items a window lists and edits one at a time (the room, the
// planning settings, each camera, obstacle and target box, the mounts), each
// with its values as named properties in their units. Setting a property is
// an edit of the plan as PlanEdits.h has them: refused with the property's
// name and the plan left as it was.

enum class PlanItemKind { Room, Planning, Camera, Obstacle, TargetBox, Mounts };

struct PlanItem {
    PlanItemKind kind = PlanItemKind::Room;
    // Camera, obstacle (the boxes first, then the meshes) or target box, from 0.
    size_t index = 0;
    friend bool operator==(const PlanItem&, const PlanItem&) = default;
};

// Whether the plan holds the item now.
bool HasItem(const Plan& plan, const PlanItem& item);
// "Room", "Camera 3", "Camera 3 (stage left)", "Obstacle 1 (table)", "Target box 2".
std::string ItemName(const Plan& plan, const PlanItem& item);

enum class PropertyKind {
    Number, // a decimal number in `unit`
    Whole,  // a whole number
    Flag,   // 1 or 0
    Choice, // an index into `choices`
    Text,
};

using PropertyValue = std::variant<double, std::string>;

struct PlanProperty {
    std::string key;  // unique within its item
    std::string name; // as shown, and as a refusal names it
    std::string unit; // "m", "mm", "deg", "px", ""
    PropertyKind kind = PropertyKind::Number;
    PropertyValue value = 0.0; // text for Text, a number otherwise
    std::vector<std::string> choices;
    // Derived or fixed values are shown, not set.
    bool editable = true;
};

// The item's properties in the order a window shows them; none for an item
// the plan does not hold.
std::vector<PlanProperty> PropertiesOf(const Plan& plan, const PlanItem& item);

// Sets one property: a number for every kind but Text, text for Text.
// Refused, naming the property, for a value out of its range or of the
// wrong kind, a key the item has not, a value that is not to be set, or a
// plan that cannot stand after it.
std::optional<std::string> SetProperty(Plan& plan, const PlanItem& item, const std::string& key,
                                       const PropertyValue& value);

// The name of the step a property's change takes: "Camera 3: Lens".
std::string PropertyStepName(const Plan& plan, const PlanItem& item, const std::string& key);
