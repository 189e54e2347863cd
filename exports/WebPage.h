#pragma once

#include "exports/SharedPlan.h"
#include "scene/AtomicFile.h"

#include <cstdint>
#include <optional>
#include <string>

// The plan as one HTML file a client opens in any current browser, offline
// from file://: three.js inlined as classic scripts, the plan's data inlined
// as JSON, nothing loaded from elsewhere. It shows the room, the cameras and
// their frustums, the obstacles, the target and the shown display's voxels,
// turned, panned and zoomed with the mouse; view presets, a switch for each
// part and each coverage band, a camera's numbers on a click, the legend, the
// figures, the report's title block and a table of the enabled cameras
// (id "cameras": number, label, position, pan, tilt, lens, reach).

// Each voxel costs about 16 bytes of the page: with three.js (0.9 MB) this
// keeps the page under about 5 MB. Larger displays are thinned, with a note.
inline constexpr uint64_t kWebMaxVoxels = 200000;

// three.js and its orbit controls as the page inlines them.
struct WebScripts {
    std::string three;
    std::string orbitControls;
};

// Where the build found Debian's libjs-three.
std::string DefaultThreeDir();
// three.min.js and examples/js/controls/OrbitControls.js from `threeDir`;
// the reason, naming the file, when one cannot be read.
std::optional<std::string> ReadWebScripts(const std::string& threeDir, WebScripts& scripts);

// The whole page.
std::string WebPageHtml(const ShareSource& source, const WebScripts& scripts, uint64_t maxVoxels = kWebMaxVoxels);
// Through the safe writer.
SaveResult WriteWebPage(const std::string& path, const ShareSource& source, const WebScripts& scripts);
