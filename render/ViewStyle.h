#pragma once

// How the scene is drawn: the classic picture, or the planner's, with a
// projection of the viewport's true aspect, a fitted room, wheel zoom and
// keyed labels, legend, rulers and status.
enum class ViewStyle { Classic, Planner };

// The unit the room was entered in, which the planner's rulers speak.
enum class LengthUnit { Metres, Feet };
