#pragma once

// What the window knows of its rig beyond the camera set: shared by the
// dialog's parts that fill, edit and file the rig.
struct RigMarks {
    // A camera count was entered, or a rig loaded or opened.
    bool camerasInitialised = false;
    // The rig holds values stored since the last Enter, load or save.
    bool edited = false;
};
