#include "exports/WebPage.h"

#include "scene/PrintableText.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#ifndef VP_THREE_DIR
#define VP_THREE_DIR "/usr/share/javascript/three"
#endif

namespace
{

// No single script file of three.js comes near this; a larger one is not it.
constexpr std::streamoff kMaxScriptBytes = 16 << 20;

std::string Fixed(double v, int decimals)
{
    if (!std::isfinite(v))
        return "\u2013";
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

// A script element ends at the first "</script", whatever its case: a
// script holding one has it written "<\/script", which JavaScript reads the same.
std::string ScriptText(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t n = 0; n < text.size(); ++n) {
        out += text[n];
        if (text[n] == '<' && n + 7 < text.size() && text[n + 1] == '/' &&
            std::equal(text.begin() + static_cast<std::ptrdiff_t>(n) + 2,
                       text.begin() + static_cast<std::ptrdiff_t>(n) + 8, "script",
                       [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; }))
            out += '\\';
    }
    return out;
}

// JSON in a script element: every "<" written "\u003c", so no text of the
// plan (a label, a title) can end the element or open a comment.
std::string JsonScript(const Json& data)
{
    std::string out;
    for (const char c : data.dump(-1, ' ', false, Json::error_handler_t::replace)) {
        if (c == '<')
            out += "\\u003c";
        else
            out += c;
    }
    return out;
}

std::optional<std::string> ReadScript(const std::string& path, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "cannot read " + path + " (Debian's libjs-three provides it)";
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size <= 0 || size > kMaxScriptBytes)
        return path + " is not the script expected";
    in.seekg(0);
    text.assign(static_cast<size_t>(size), '\0');
    if (!in.read(text.data(), size))
        return "cannot read " + path;
    return std::nullopt;
}

// Millimetres as whole numbers: finer than any voxel, and short in the page.
long Mm(double metres)
{
    return std::lround(metres * 1000.0);
}

Json PlanData(const SharedPlan& plan)
{
    Json data;
    data["room"] = {DoubleJson(plan.lengthM), DoubleJson(plan.widthM), DoubleJson(plan.heightM)};
    data["voxelEdge"] = DoubleJson(static_cast<double>(plan.voxelEdgeM) * plan.stride);
    Json cameras = Json::array();
    for (const SharedCamera& cam : plan.cameras)
        cameras.push_back({{"number", cam.number},
                           {"label", PrintableText(cam.label)},
                           {"position", {cam.position.x, cam.position.y, cam.position.z}},
                           {"user", {cam.user.x, cam.user.y, cam.user.z}},
                           {"rotation", cam.rotation},
                           {"yfov", cam.yfovRad},
                           {"aspect", cam.aspectRatio},
                           {"frustum", cam.frustumM},
                           {"pan", FloatJson(cam.panDeg)},
                           {"tilt", FloatJson(cam.tiltDeg)},
                           {"focal", FloatJson(cam.focalMm)},
                           {"fNumber", FloatJson(cam.fNumber)},
                           {"reach", DoubleJson(cam.reachM)}});
    data["cameras"] = std::move(cameras);
    const auto boxes = [](const std::vector<SharedBox>& list) {
        Json out = Json::array();
        for (const SharedBox& b : list)
            out.push_back({b.min.x, b.min.y, b.min.z, b.max.x, b.max.y, b.max.z});
        return out;
    };
    data["obstacleBoxes"] = boxes(plan.obstacleBoxes);
    data["target"] = boxes(plan.target);
    Json triangles = Json::array();
    for (const auto& tri : plan.obstacleTriangles)
        for (const Vec3d& p : tri)
            triangles.insert(triangles.end(), {Mm(p.x), Mm(p.y), Mm(p.z)});
    data["obstacleTriangles"] = std::move(triangles);
    std::vector<Json> bandVoxels(plan.bands.size(), Json::array());
    for (const SharedVoxel& v : plan.voxels)
        bandVoxels[v.band].insert(bandVoxels[v.band].end(), {Mm(v.centre[0]), Mm(v.centre[1]), Mm(v.centre[2])});
    Json bands = Json::array();
    for (size_t b = 0; b < plan.bands.size(); ++b)
        bands.push_back({{"rgb", plan.bands[b].rgb}, {"xyz", std::move(bandVoxels[b])}});
    data["bands"] = std::move(bands);
    return data;
}

std::string TitleBlock(const PlanTitle& title)
{
    std::ostringstream out;
    out << "<header id=\"title-block\"><h1>" << HtmlText(title.projectName) << "</h1><dl>";
    const std::pair<const char*, const std::string*> fields[] = {
        {"Client", &title.client}, {"Site", &title.site}, {"Author", &title.author}, {"Date", &title.date}};
    for (const auto& [name, text] : fields)
        if (!text->empty())
            out << "<dt>" << name << "</dt><dd>" << HtmlText(*text) << "</dd>";
    out << "</dl></header>\n";
    return out.str();
}

std::string Legend(const SharedPlan& plan)
{
    std::ostringstream out;
    out << "<section id=\"legend\"><h2>" << HtmlText(plan.displayName) << "</h2><p class=\"caption\">"
        << HtmlText(plan.legendTitle) << "</p><ul>";
    for (size_t b = 0; b < plan.bands.size(); ++b) {
        const SharedBand& band = plan.bands[b];
        char colour[8];
        std::snprintf(colour, sizeof colour, "#%02x%02x%02x", band.rgb[0], band.rgb[1], band.rgb[2]);
        out << "<li><label><input type=\"checkbox\" class=\"band-toggle\" data-band=\"" << b << "\""
            << (band.voxels > 0 ? " checked" : " disabled") << "><span class=\"swatch\" style=\"background:" << colour
            << "\"></span>" << HtmlText(band.label) << " <span class=\"count\">(" << band.voxels
            << ")</span></label></li>";
    }
    out << "</ul>";
    if (!plan.emptyNote.empty())
        out << "<p class=\"note\">" << HtmlText(plan.emptyNote) << "</p>";
    if (const std::string thinning = ThinningNote(plan); !thinning.empty())
        out << "<p class=\"note\" id=\"thinning\">Thinned: " << HtmlText(thinning) << ".</p>";
    out << "</section>\n";
    return out.str();
}

std::string FiguresTable(const SharedPlan& plan)
{
    std::ostringstream out;
    out << "<section><h2>Figures</h2><table id=\"figures\"><tbody>";
    for (const auto& [label, text] : plan.figureRows)
        out << "<tr><th>" << HtmlText(label) << "</th><td>" << HtmlText(text) << "</td></tr>";
    out << "</tbody></table></section>\n";
    return out.str();
}

std::string CamerasTable(const SharedPlan& plan)
{
    std::ostringstream out;
    out << "<section><h2>Cameras</h2><table id=\"cameras\"><thead><tr><th>No.</th><th>Label</th>"
           "<th>Position X, Y, Z (m)</th><th>Pan (\u00b0)</th><th>Tilt (\u00b0)</th><th>Lens</th>"
           "<th>Reach (m)</th></tr></thead><tbody>";
    for (size_t n = 0; n < plan.cameras.size(); ++n) {
        const SharedCamera& cam = plan.cameras[n];
        out << "<tr data-camera=\"" << n << "\"><td>" << cam.number << "</td><td>" << HtmlText(cam.label) << "</td><td>"
            << Fixed(cam.user.x, 2) << ", " << Fixed(cam.user.y, 2) << ", " << Fixed(cam.user.z, 2) << "</td><td>"
            << Fixed(cam.panDeg, 1) << "</td><td>" << Fixed(cam.tiltDeg, 1) << "</td><td>" << Fixed(cam.focalMm, 1)
            << " mm f/" << Fixed(cam.fNumber, 1) << "</td><td>" << Fixed(cam.reachM, 2) << "</td></tr>";
    }
    out << "</tbody></table></section>\n";
    return out.str();
}

constexpr const char* kStyle = R"(
body { margin: 0; font: 13px/1.35 "DejaVu Sans", Arial, sans-serif; color: #222; display: flex; height: 100vh; }
#side { width: 420px; overflow-y: auto; padding: 10px 14px; box-sizing: border-box; border-right: 1px solid #ccc; }
#view { flex: 1; position: relative; min-width: 0; }
#view canvas { display: block; width: 100%; height: 100%; }
h1 { font-size: 18px; margin: 0 0 4px; }
h2 { font-size: 14px; margin: 14px 0 4px; }
dl { display: grid; grid-template-columns: auto 1fr; gap: 0 8px; margin: 0; }
dt { color: #666; }
dd { margin: 0; }
table { border-collapse: collapse; width: 100%; }
th, td { border-bottom: 1px solid #ddd; padding: 2px 4px; text-align: left; vertical-align: top; }
#cameras tbody tr { cursor: pointer; }
tr.picked { background: #ffe9a8; }
ul { list-style: none; padding: 0; margin: 0; }
.swatch { display: inline-block; width: 12px; height: 12px; margin: 0 6px 0 4px; border: 1px solid #555;
  vertical-align: -2px; }
.count, .caption { color: #666; }
.note { color: #8a4b00; }
#presets button { margin-right: 4px; }
#picked { position: absolute; left: 10px; top: 10px; background: rgba(255,255,255,0.92); border: 1px solid #999;
  padding: 6px 10px; display: none; }
#nogl { position: absolute; left: 10px; bottom: 10px; color: #8a4b00; }
)";

// Reads the plan data, draws it with three.js and wires the controls.
constexpr const char* kViewer = R"(
(function () {
  'use strict';
  var plan = JSON.parse(document.getElementById('plan-data').textContent);
  var view = document.getElementById('view');
  var renderer;
  try {
    renderer = new THREE.WebGLRenderer({ antialias: true, preserveDrawingBuffer: true });
  } catch (e) {
    document.getElementById('nogl').textContent =
      'This browser cannot draw 3D here (WebGL is off); the tables hold the whole plan.';
    return;
  }
  view.appendChild(renderer.domElement);
  var scene = new THREE.Scene();
  scene.background = new THREE.Color(0xf7f7f4);
  var L = plan.room[0], W = plan.room[1], H = plan.room[2];
  var centre = new THREE.Vector3(L / 2, H / 2, -W / 2);
  var size = Math.sqrt(L * L + W * W + H * H);
  var eye = new THREE.PerspectiveCamera(40, 1, size / 1000, size * 20);
  var controls = new THREE.OrbitControls(eye, renderer.domElement);
  controls.target.copy(centre);
  scene.add(new THREE.AmbientLight(0xffffff, 0.65));
  var sun = new THREE.DirectionalLight(0xffffff, 0.55);
  sun.position.set(0.4, 1, 0.7);
  scene.add(sun);

  function group(name) { var g = new THREE.Group(); g.name = name; scene.add(g); return g; }
  function lines(points, colour) {
    var geometry = new THREE.BufferGeometry();
    geometry.setAttribute('position', new THREE.Float32BufferAttribute(points, 3));
    return new THREE.LineSegments(geometry, new THREE.LineBasicMaterial({ color: colour }));
  }
  function boxEdges(b, colour) {
    var box = new THREE.BoxBufferGeometry(b[3] - b[0], b[4] - b[1], b[5] - b[2]);
    var edges = new THREE.LineSegments(new THREE.EdgesGeometry(box), new THREE.LineBasicMaterial({ color: colour }));
    edges.position.set((b[0] + b[3]) / 2, (b[1] + b[4]) / 2, (b[2] + b[5]) / 2);
    return edges;
  }

  var room = group('room');
  var floor = new THREE.Mesh(new THREE.PlaneBufferGeometry(L, W),
    new THREE.MeshLambertMaterial({ color: 0xdcdcd6, side: THREE.DoubleSide }));
  floor.rotation.x = -Math.PI / 2;
  floor.position.set(L / 2, 0, -W / 2);
  room.add(floor);
  room.add(boxEdges([0, 0, -W, L, H, 0], 0x404050));
  room.add(new THREE.AxesHelper(Math.min(L, W, H) / 4));

  var obstacles = group('obstacles');
  var solid = new THREE.MeshLambertMaterial({ color: 0x8c6b4d, side: THREE.DoubleSide });
  plan.obstacleBoxes.forEach(function (b) {
    var m = new THREE.Mesh(new THREE.BoxBufferGeometry(b[3] - b[0], b[4] - b[1], b[5] - b[2]), solid);
    m.position.set((b[0] + b[3]) / 2, (b[1] + b[4]) / 2, (b[2] + b[5]) / 2);
    obstacles.add(m);
  });
  if (plan.obstacleTriangles.length) {
    var tri = new THREE.BufferGeometry();
    tri.setAttribute('position', new THREE.Float32BufferAttribute(plan.obstacleTriangles.map(function (v) {
      return v / 1000;
    }), 3));
    tri.computeVertexNormals();
    obstacles.add(new THREE.Mesh(tri, solid));
  }
  var target = group('target');
  plan.target.forEach(function (b) { target.add(boxEdges(b, 0x1a9e35)); });

  var coverage = group('coverage');
  var bands = plan.bands.map(function (band) {
    var count = band.xyz.length / 3;
    if (!count) return null;
    var edge = plan.voxelEdge * 0.55;
    var cubes = new THREE.InstancedMesh(new THREE.BoxBufferGeometry(edge, edge, edge),
      new THREE.MeshLambertMaterial({ color: new THREE.Color(band.rgb[0] / 255, band.rgb[1] / 255, band.rgb[2] / 255) }),
      count);
    var m = new THREE.Matrix4();
    for (var i = 0; i < count; ++i) {
      m.makeTranslation(band.xyz[3 * i] / 1000, band.xyz[3 * i + 1] / 1000, band.xyz[3 * i + 2] / 1000);
      cubes.setMatrixAt(i, m);
    }
    cubes.instanceMatrix.needsUpdate = true;
    coverage.add(cubes);
    return cubes;
  });

  var glyphs = group('cameras'), frustums = group('frustums');
  var glyphSize = Math.max(0.12, size / 60);
  var pickable = [];
  plan.cameras.forEach(function (cam, n) {
    var q = new THREE.Quaternion(cam.rotation[0], cam.rotation[1], cam.rotation[2], cam.rotation[3]);
    var body = new THREE.Mesh(new THREE.ConeBufferGeometry(glyphSize * 0.6, glyphSize * 1.4, 4),
      new THREE.MeshLambertMaterial({ color: 0x1f5fbf }));
    // The cone's apex points along +Y; turned to look down -Z like the camera.
    body.geometry.rotateX(Math.PI / 2);
    body.position.fromArray(cam.position);
    body.quaternion.copy(q);
    body.userData.camera = n;
    glyphs.add(body);
    pickable.push(body);
    var d = cam.frustum, y = d * Math.tan(cam.yfov / 2), x = y * cam.aspect;
    var c = [[-x, -y, -d], [x, -y, -d], [x, y, -d], [-x, y, -d]], pts = [];
    for (var k = 0; k < 4; ++k) {
      pts.push(0, 0, 0); pts.push.apply(pts, c[k]);
      pts.push.apply(pts, c[k]); pts.push.apply(pts, c[(k + 1) % 4]);
    }
    var f = lines(pts, 0x3d7fe0);
    f.position.fromArray(cam.position);
    f.quaternion.copy(q);
    frustums.add(f);
  });
  frustums.visible = false;

  function fmt(v, d) { return v === null || !isFinite(v) ? '\u2013' : Number(v).toFixed(d); }
  var picked = document.getElementById('picked');
  var rows = document.querySelectorAll('#cameras tbody tr');
  function pick(n) {
    rows.forEach(function (r) { r.classList.toggle('picked', Number(r.dataset.camera) === n); });
    glyphs.children.forEach(function (g) {
      g.material.color.setHex(g.userData.camera === n ? 0xe08a00 : 0x1f5fbf);
    });
    if (n === null) { picked.style.display = 'none'; render(); return; }
    var cam = plan.cameras[n];
    picked.textContent = '';
    [['Camera ' + cam.number, cam.label],
     ['Position', fmt(cam.user[0], 2) + ', ' + fmt(cam.user[1], 2) + ', ' + fmt(cam.user[2], 2) + ' m'],
     ['Pan, tilt', fmt(cam.pan, 1) + '\u00b0, ' + fmt(cam.tilt, 1) + '\u00b0'],
     ['Lens', fmt(cam.focal, 1) + ' mm f/' + fmt(cam.fNumber, 1)],
     ['Reach', fmt(cam.reach, 2) + ' m']].forEach(function (line) {
      var div = document.createElement('div');
      var b = document.createElement('b');
      b.textContent = line[0] + ': ';
      div.appendChild(b);
      div.appendChild(document.createTextNode(line[1]));
      picked.appendChild(div);
    });
    picked.style.display = 'block';
    render();
  }
  rows.forEach(function (r) { r.addEventListener('click', function () { pick(Number(r.dataset.camera)); }); });
  var ray = new THREE.Raycaster(), mouse = new THREE.Vector2(), down = null;
  renderer.domElement.addEventListener('pointerdown', function (e) { down = [e.clientX, e.clientY]; });
  renderer.domElement.addEventListener('pointerup', function (e) {
    // A drag turns the view; only a click picks.
    if (!down || Math.abs(e.clientX - down[0]) + Math.abs(e.clientY - down[1]) > 4) return;
    var r = renderer.domElement.getBoundingClientRect();
    mouse.set((e.clientX - r.left) / r.width * 2 - 1, -(e.clientY - r.top) / r.height * 2 + 1);
    ray.setFromCamera(mouse, eye);
    var hit = glyphs.visible ? ray.intersectObjects(pickable) : [];
    pick(hit.length ? hit[0].object.userData.camera : null);
  });

  function toggle(id, object) {
    // A plan without obstacles or a target has no switch for them.
    var box = document.getElementById(id);
    if (!box) return;
    box.addEventListener('change', function () { object.visible = box.checked; render(); });
    object.visible = box.checked;
  }
  toggle('show-cameras', glyphs);
  toggle('show-frustums', frustums);
  toggle('show-obstacles', obstacles);
  toggle('show-target', target);
  document.querySelectorAll('.band-toggle').forEach(function (box) {
    var cubes = bands[Number(box.dataset.band)];
    if (!cubes) return;
    box.addEventListener('change', function () { cubes.visible = box.checked; render(); });
  });

  // Far enough that the room's bounding sphere fills the narrower of the
  // two fields of view: the whole room in sight in a tall window too.
  function fitDistance() {
    var half = eye.fov / 2 * Math.PI / 180;
    var halfWide = Math.atan(Math.tan(half) * eye.aspect);
    return size / 2 / Math.sin(Math.min(half, halfWide));
  }
  function preset(name) {
    var at = { top: [0, 1, 0.001], front: [0, 0.15, 1], side: [1, 0.15, 0],
               perspective: [0.55, 0.55, 0.6] }[name];
    var d = fitDistance() / Math.sqrt(at[0] * at[0] + at[1] * at[1] + at[2] * at[2]);
    eye.position.set(centre.x + at[0] * d, centre.y + at[1] * d, centre.z + at[2] * d);
    controls.target.copy(centre);
    controls.update();
    render();
  }
  document.querySelectorAll('#presets button').forEach(function (b) {
    b.addEventListener('click', function () { preset(b.dataset.view); });
  });

  function resize() {
    var w = Math.max(view.clientWidth, 1), h = Math.max(view.clientHeight, 1);
    renderer.setSize(w, h, false);
    renderer.domElement.style.width = '100%';
    renderer.domElement.style.height = '100%';
    eye.aspect = w / h;
    eye.updateProjectionMatrix();
    render();
  }
  function render() { renderer.render(scene, eye); }
  controls.addEventListener('change', render);
  window.addEventListener('resize', resize);
  resize();
  preset('perspective');
})();
)";

} // namespace

std::string DefaultThreeDir()
{
    return VP_THREE_DIR;
}

std::optional<std::string> ReadWebScripts(const std::string& threeDir, WebScripts& scripts)
{
    WebScripts read;
    if (auto error = ReadScript(threeDir + "/three.min.js", read.three))
        return error;
    if (auto error = ReadScript(threeDir + "/examples/js/controls/OrbitControls.js", read.orbitControls))
        return error;
    scripts = std::move(read);
    return std::nullopt;
}

std::string WebPageHtml(const ShareSource& source, const WebScripts& scripts, uint64_t maxVoxels)
{
    const SharedPlan plan = MakeSharedPlan(source, maxVoxels);
    const auto checkbox = [](const char* id, const char* text, bool on) {
        return std::string("<label><input type=\"checkbox\" id=\"") + id + "\"" + (on ? " checked" : "") + "> " + text +
               "</label> ";
    };
    std::ostringstream page;
    page << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
         << "<meta name=\"generator\" content=\"Volume Planner\">\n<title>" << HtmlText(plan.title.projectName)
         << "</title>\n<style>" << kStyle << "</style>\n</head>\n<body>\n<div id=\"side\">\n"
         << TitleBlock(plan.title) << "<section id=\"presets\"><h2>View</h2>"
         << "<button data-view=\"perspective\">Perspective</button><button data-view=\"top\">Top</button>"
         << "<button data-view=\"front\">Front</button><button data-view=\"side\">Side</button></section>\n"
         << "<section id=\"toggles\"><h2>Show</h2>" << checkbox("show-cameras", "Cameras", true)
         << checkbox("show-frustums", "Frustums", false)
         << (plan.obstacleBoxes.empty() && plan.obstacleTriangles.empty()
                 ? std::string()
                 : checkbox("show-obstacles", "Obstacles", true))
         << (plan.target.empty() ? std::string() : checkbox("show-target", "Target", true)) << "</section>\n"
         << Legend(plan) << FiguresTable(plan) << CamerasTable(plan) << "<p class=\"caption\">Room "
         << Fixed(plan.lengthM, 2) << " \u00d7 " << Fixed(plan.widthM, 2) << " \u00d7 " << Fixed(plan.heightM, 2)
         << " m (X \u00d7 Z \u00d7 Y), voxels of " << Fixed(plan.voxelCm, 1)
         << " cm. Drag to turn, right-drag to pan, wheel to zoom; click a camera for its numbers.</p>\n"
         << "</div>\n<div id=\"view\"><div id=\"picked\"></div><div id=\"nogl\"></div></div>\n"
         << "<script type=\"application/json\" id=\"plan-data\">" << JsonScript(PlanData(plan)) << "</script>\n"
         << "<script>" << ScriptText(scripts.three) << "</script>\n<script>" << ScriptText(scripts.orbitControls)
         << "</script>\n<script>" << kViewer << "</script>\n</body>\n</html>\n";
    return page.str();
}

SaveResult WriteWebPage(const std::string& path, const ShareSource& source, const WebScripts& scripts)
{
    AtomicFile file(path);
    if (file.Open() && file.Write(WebPageHtml(source, scripts)))
        file.Commit();
    return file.Result();
}
