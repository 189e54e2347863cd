#pragma once

// How the scene is drawn: the classic picture, or the planner's, with a
// projection of the viewport's true aspect, a fitted room, wheel zoom and
// keyed labels, legend, rulers and status.
enum class ViewStyle { Classic, Planner };

// The unit the room was entered in, which the planner's rulers speak.
enum class LengthUnit { Metres, Feet };

// The planner's fixed views: from above, from the front wall (user Z = 0)
// and from the side wall (user X = 0).
enum class PlannerPreset { Top, Front, Side };

// Which cameras the planner draws with the pyramid of their field of view.
enum class PyramidShow { All, Selected, None };
