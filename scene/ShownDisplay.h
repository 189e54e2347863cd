#pragma once

class SceneSettings;

// The display the window shows: the Quality display while it is on, else
// the selective-cameras volume, the camera-count layers (2D view) or the
// resolution map, in that order of the settings' switches.
enum class WindowDisplay { ResolutionMap, CameraCount2D, SelectiveCameras, Quality };

// The one place the switches are read as a display: the views, the menus,
// the project file and the report all ask here.
WindowDisplay ShownDisplay(const SceneSettings& settings, bool qualityDisplay);
