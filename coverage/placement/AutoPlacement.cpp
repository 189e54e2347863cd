#include "coverage/placement/AutoPlacement.h"

#include "cameras/CameraSet.h"
#include "cameras/NumberText.h"
#include "coverage/placement/OcclusionSwap.h"
#include "coverage/placement/PoseRefiner.h"
#include "scene/MemoryInfo.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <exception>
#include <new>
#include <set>
#include <thread>

namespace
{

using Clock = std::chrono::steady_clock;

constexpr double kSnapMetres = 0.01;
constexpr double kSnapDegrees = 0.5;
// Share of the time before the closing figures the discrete search may
// take; the refinement has the rest.
constexpr double kSearchShare = 0.9;
constexpr int kRefineRounds = 2;
// Lattices grow by this factor until they fit their budget.
constexpr double kCoarsen = 1.05;
// Time the closing figures take per target sample and camera, about (the
// exact test and the occluded angle, twice): what the search leaves them.
constexpr double kFigureSecondsPerSampleCamera = 1.5e-7;
// The closing figures' least share of the time limit.
constexpr double kClosingShare = 0.1;

bool PositiveFinite(double v)
{
    return std::isfinite(v) && v > 0.0;
}

Clock::time_point After(Clock::time_point start, double seconds)
{
    return start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

// The values of one coordinate a snap may take: the nearest step first.
std::vector<double> SnapChoices(double value, double step, double lo, double hi)
{
    std::vector<double> choices;
    for (const double c :
         {std::round(value / step) * step, std::floor(value / step) * step, std::ceil(value / step) * step}) {
        if (c >= lo && c <= hi && std::find(choices.begin(), choices.end(), c) == choices.end())
            choices.push_back(c);
    }
    return choices;
}

PlacedCamera Placed(const CMountGeometry& geometry, const MountPlace& place, const CameraPose& pose,
                    const CameraModel& model)
{
    return {place, geometry.Name(place), pose, model};
}

} // namespace

std::vector<TargetBox> TargetOf(const PlacementRequest& request)
{
    return request.target.empty() ? std::vector<TargetBox>{DefaultTargetBox(request.room)} : request.target;
}

std::vector<Vec3d> AimPoints(const std::vector<TargetBox>& boxes, int perAxis)
{
    std::vector<Vec3d> aims;
    auto add = [&aims](const Vec3d& p) {
        if (std::find(aims.begin(), aims.end(), p) == aims.end())
            aims.push_back(p);
    };
    for (const TargetBox& box : boxes) {
        auto at = [&box](double fx, double fy, double fz) {
            return Vec3d{box.min.x + fx * (box.max.x - box.min.x), box.min.y + fy * (box.max.y - box.min.y),
                         box.min.z + fz * (box.max.z - box.min.z)};
        };
        add(at(0.5, 0.5, 0.5));
        auto part = [perAxis](int i) { return (i + 0.5) / perAxis; };
        for (int k = 0; k < perAxis; ++k)
            for (int j = 0; j < perAxis; ++j)
                for (int i = 0; i < perAxis; ++i)
                    add(at(part(i), part(j), part(k)));
    }
    return aims;
}

std::optional<std::string> CheckPlacementRequest(const PlacementRequest& request)
{
    const RoomSize& room = request.room;
    if (!PositiveFinite(room.length) || !PositiveFinite(room.width) || !PositiveFinite(room.height))
        return std::string("room: length, width and height must be numbers above 0");
    const long long most = static_cast<long long>(kMaxCameras) - static_cast<long long>(request.fixed.size());
    if (request.count < 0 || request.count > most)
        return "count: must be 0 to " + std::to_string(std::max(0ll, most)) + " (at most " +
               std::to_string(kMaxCameras) + " cameras in a plan)";
    for (const float lens : request.lenses) {
        if (!PositiveFinite(lens))
            return "lens " + FormatG6(lens) + ": focal lengths must be numbers above 0 mm";
    }
    const CameraModel& model = request.model;
    if (!PositiveFinite(model.focalMm))
        return std::string("lens: the focal length must be a number above 0 mm");
    if (!PositiveFinite(model.frameWidthMm) || !PositiveFinite(model.frameHeightMm))
        return std::string("frame: width and height must be numbers above 0 mm");
    if (!PositiveFinite(model.fNumber))
        return std::string("f-stop: must be a number above 0");
    if (model.pixelsX < 1 || model.pixelsY < 1)
        return std::string("sensor: pixel counts must be at least 1");
    if (request.minCameras < 1)
        return std::string("min-cameras: K must be at least 1");
    if (request.count > 0 && request.fixed.size() + static_cast<size_t>(request.count) < request.minCameras)
        return "min-cameras: K = " + std::to_string(request.minCameras) + " needs at least that many cameras; " +
               std::to_string(request.fixed.size() + static_cast<size_t>(request.count)) + " would be in the rig";
    for (const double step : {request.wallStep, request.ceilingStep, request.sampleStep}) {
        if (!PositiveFinite(step))
            return std::string("steps: the candidate and sample steps must be numbers above 0 m");
    }
    if (!PositiveFinite(request.timeLimitSeconds))
        return std::string("time-limit: must be a number of seconds above 0");
    if (request.search.restarts < 1)
        return std::string("restarts: must be at least 1");
    if (!PositiveFinite(request.voxelEdge))
        return std::string("voxel size: must be a number above 0");
    if (const auto error = CheckPlanningSettings(request.planning))
        return "planning settings: " + *error;
    if (const auto error = CheckMounts(request.mounts, room))
        return *error;
    if (request.target.size() > kMaxTargetBoxes)
        return "target: " + *CheckTargetCount(request.target.size());
    for (const float lens : request.lensKit) {
        if (!PositiveFinite(lens))
            return "lens kit " + FormatG6(lens) + ": focal lengths must be numbers above 0 mm";
    }
    for (size_t b = 0; b < request.target.size(); ++b) {
        if (const auto error = CheckTargetBox(request.target[b], room))
            return "target box " + std::to_string(b + 1) + ": " + *error;
    }
    return std::nullopt;
}

SearchLattice SearchLatticeOf(const PlacementRequest& request, const std::vector<TargetBox>& target)
{
    SearchLattice lattice{request.sampleStep, request.wallStep, request.ceilingStep};
    while (TargetSampleCount(target, lattice.sampleStep) > kSearchSampleBudget)
        lattice.sampleStep *= kCoarsen;
    while (MountPlaceCount(request.mounts, request.room, lattice.wallStep, lattice.ceilingStep) > kSearchPlaceBudget) {
        lattice.wallStep *= kCoarsen;
        lattice.ceilingStep *= kCoarsen;
    }
    return lattice;
}

namespace
{

int SearchThreadsOf(const PlacementRequest& request)
{
    return request.search.threads > 0 ? request.search.threads
                                      : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

} // namespace

int WindowSearchThreads()
{
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 1 ? static_cast<int>(cores - 1) : 1;
}

std::optional<std::string> CheckPlacementFits(const PlacementRequest& request)
{
    const std::vector<TargetBox> target = TargetOf(request);
    const SearchLattice lattice = SearchLatticeOf(request, target);
    const std::vector<float>& lensList = request.lensKit.empty() ? request.lenses : request.lensKit;
    const size_t lensCount = lensList.empty() ? 1 : std::set<float>(lensList.begin(), lensList.end()).size();
    const double scored = TargetSampleCount(target, request.sampleStep);
    const double searched =
        lattice.sampleStep != request.sampleStep ? TargetSampleCount(target, lattice.sampleStep) : 0.0;
    const double candidates =
        request.count == 0 ? 0.0
                           : MountPlaceCount(request.mounts, request.room, lattice.wallStep, lattice.ceilingStep) *
                                 static_cast<double>(AimPoints(target, request.aimGrid).size() * lensCount);
    const PlacementMemoryEstimate memory =
        EstimatePlacementMemory(scored, searched, candidates, request.fixed.size() + static_cast<size_t>(request.count),
                                SearchThreadsOf(request));
    return CheckPlacementMemory(memory, static_cast<double>(AvailableMemoryBytes()), request.remedyNames);
}

namespace
{

PlacementResult Place(const PlacementRequest& request, const std::function<void(const PlacementProgress&)>& progress)
{
    const Clock::time_point start = Clock::now();
    PlacementResult result;
    auto seconds = [&start]() { return std::chrono::duration<double>(Clock::now() - start).count(); };
    Clock::time_point stageStart = start;
    auto stageDone = [&result, &stageStart](const char* stage) {
        const Clock::time_point now = Clock::now();
        result.stageSeconds.emplace_back(stage, std::chrono::duration<double>(now - stageStart).count());
        stageStart = now;
    };
    if (const auto error = CheckPlacementRequest(request)) {
        result.error = *error;
        return result;
    }
    const std::vector<TargetBox> target = TargetOf(request);
    const SearchLattice lattice = SearchLatticeOf(request, target);
    result.lattice = lattice;
    const bool coarse = lattice.sampleStep != request.sampleStep;
    const int threads = SearchThreadsOf(request);
    const double scored = TargetSampleCount(target, request.sampleStep);
    if (const auto error = CheckPlacementFits(request)) {
        result.error = *error;
        return result;
    }
    // The closing figures are left their share of the limit.
    const double figureSeconds =
        std::clamp(kFigureSecondsPerSampleCamera * scored *
                       static_cast<double>(request.fixed.size() + static_cast<size_t>(request.count)) / threads,
                   kClosingShare * request.timeLimitSeconds, 0.5 * request.timeLimitSeconds);
    // The candidates and the search, then the refinement, then the figures.
    const Clock::time_point refineEnd = After(start, request.timeLimitSeconds - figureSeconds);
    const Clock::time_point searchEnd = After(start, kSearchShare * (request.timeLimitSeconds - figureSeconds));

    const CMountGeometry geometry(request.mounts, request.room, request.obstacles);
    CTargetSamples fineSamples(request.userOrigin, request.obstacles, request.latticeCorner, request.voxelEdge);
    for (const TargetBox& box : target)
        fineSamples.AddBox(box, request.sampleStep);
    std::unique_ptr<CTargetSamples> coarseSamples;
    if (coarse) {
        coarseSamples = std::make_unique<CTargetSamples>(request.userOrigin, request.obstacles, request.latticeCorner,
                                                         request.voxelEdge);
        for (const TargetBox& box : target)
            coarseSamples->AddBox(box, lattice.sampleStep);
    }
    const CTargetSamples& samples = coarse ? *coarseSamples : fineSamples;
    result.samples = fineSamples.ValidCount();
    if (fineSamples.ValidCount() == 0 || samples.ValidCount() == 0) {
        result.error = "target: every target point lies inside an obstacle";
        return result;
    }
    stageDone("samples");
    // Every target point in view of as many cameras as it needs marker cameras
    // comes first; where the markers image too small from some, the rig
    // still keeps the point in that many fields.
    const ScoreRule rule{request.minCameras, request.robust, request.planning.minAngleDeg, request.planning.maxAngleDeg,
                         request.robust ? request.minCameras + 1 : request.minCameras};
    std::vector<PlanningCamera> rig;
    for (const FixedCamera& camera : request.fixed)
        rig.push_back(camera.planning);
    result.before = EvaluateRig(rig, fineSamples, rule);
    if (request.count == 0) {
        result.after = result.before;
        result.ok = true;
        result.seconds = seconds();
        return result;
    }

    const std::vector<MountPlace> places = geometry.Places(lattice.wallStep, lattice.ceilingStep);
    result.places = places.size();
    if (places.empty()) {
        result.error = "mounts: every place on them lies in a keep-out box or an obstacle";
        return result;
    }
    std::vector<float> lenses = request.lenses.empty() ? std::vector<float>{request.model.focalMm} : request.lenses;
    std::vector<CameraModel> models;
    std::vector<uint32_t> slotModel;
    // A kit: every lens is a candidate of every slot.
    for (const float lens : request.lensKit) {
        if (std::none_of(models.begin(), models.end(), [lens](const CameraModel& m) { return m.focalMm == lens; })) {
            CameraModel model = request.model;
            model.focalMm = lens;
            models.push_back(model);
        }
    }
    for (int k = 0; k < request.count && request.lensKit.empty(); ++k) {
        const float lens = lenses[static_cast<size_t>(k) % lenses.size()];
        auto it =
            std::find_if(models.begin(), models.end(), [lens](const CameraModel& m) { return m.focalMm == lens; });
        if (it == models.end()) {
            CameraModel model = request.model;
            model.focalMm = lens;
            models.push_back(model);
            it = models.end() - 1;
        }
        slotModel.push_back(static_cast<uint32_t>(it - models.begin()));
    }
    if (progress)
        progress({"candidates", 0, request.search.restarts, result.before.objective, {}});

    CPlacementCandidates candidates(geometry, samples, request.userOrigin, request.planning);
    const bool built =
        candidates.Build(request.fixed, places, AimPoints(target, request.aimGrid), models, request.search.threads,
                         request.search.cancel, std::min(request.search.deadline, searchEnd));
    if (request.search.cancel && request.search.cancel->load()) {
        result.cancelled = result.stopped = true;
        result.error = "cancelled";
        result.seconds = seconds();
        return result;
    }
    if (!built) {
        result.stopped = true;
        result.error = "the time limit of " + FormatG6(request.timeLimitSeconds) +
                       " s ended while the candidate cameras were built; give it more time, or use a coarser " +
                       request.remedyNames.sampleStep + " or a smaller room (" + request.remedyNames.room + ")";
        result.seconds = seconds();
        return result;
    }
    stageDone("candidates");
    result.candidates = candidates.CandidateCount();
    if (progress)
        progress({"search", 0, request.search.restarts, result.before.objective, {}});
    std::vector<std::vector<uint32_t>> slotCandidates;
    slotCandidates.reserve(static_cast<size_t>(request.count));
    if (request.lensKit.empty()) {
        for (const uint32_t model : slotModel)
            slotCandidates.push_back(candidates.RowsOfLens(model));
    } else {
        std::vector<uint32_t> every;
        for (uint32_t row = 0; row < candidates.CandidateCount(); ++row)
            every.push_back(static_cast<uint32_t>(candidates.FixedCount()) + row);
        slotCandidates.assign(static_cast<size_t>(request.count), every);
    }
    if (std::any_of(slotCandidates.begin(), slotCandidates.end(), [](const auto& rows) { return rows.empty(); })) {
        result.error = "no candidate camera sees a marker at any target point: the markers image below the least "
                       "size from every mount, or every view is blocked";
        return result;
    }
    std::vector<uint32_t> fixedRows;
    for (uint32_t r = 0; r < request.fixed.size(); ++r)
        fixedRows.push_back(r);

    SearchSettings settings = request.search;
    settings.deadline = std::min(settings.deadline, searchEnd);
    const Clock::time_point deadline = std::min(request.search.deadline, refineEnd);
    CPlacementSearch search(candidates.Matrix(), rule, fixedRows, slotCandidates);
    const double total = static_cast<double>(std::max<int64_t>(1, candidates.Matrix().TotalWeight()));
    auto placedOf = [&](uint32_t row) {
        const Candidate& c = candidates.CandidateOf(row);
        return Placed(geometry, places[c.place], c.pose, models[c.lens]);
    };
    SearchResult found = search.Run(settings, [&](const SearchProgress& p) {
        if (!progress)
            return;
        PlacementProgress shown{"search", p.restartsDone, p.restarts, static_cast<double>(p.best.covered) / total, {}};
        for (const uint32_t row : p.bestRows)
            shown.best.push_back(placedOf(row));
        progress(shown);
    });
    // The occlusion objective starts from the rig that covers best and
    // trades its cameras for those that free the most turn; the closing
    // figures then choose between the two rigs, so that the objective never
    // ends above the rig the coverage search found.
    std::vector<std::vector<uint32_t>> starts{found.rows};
    if (request.objective == PlacementObjective::Occlusion && found.bestRestart >= 0) {
        COcclusionSwap swap(candidates.Matrix(), rule);
        swap.Run(fixedRows, starts.front(), slotCandidates, settings);
        if (starts.front() != found.rows)
            starts.push_back(found.rows);
    }
    stageDone("search");
    result.evaluations = found.evaluations;
    result.restartsDone = found.restartsDone;
    result.restarts = settings.restarts;
    result.stopped = found.stopped;
    result.cancelled = request.search.cancel && request.search.cancel->load();
    if (found.bestRestart < 0) {
        result.error = result.cancelled ? "cancelled"
                                        : "not enough candidate places for " + std::to_string(request.count) +
                                              " cameras " + FormatG6(settings.minSpacing) +
                                              " m apart, or the time limit ended the search before a rig was complete";
        result.seconds = seconds();
        return result;
    }

    // Each new camera gets rows of its own, one for the rig as found and one
    // the refinement moves, for each rig the figures choose from.
    CSightMatrix& matrix = candidates.Matrix();
    CPoseRefiner refiner(candidates, rule, settings.minSpacing);
    struct Rigs {
        std::vector<RefinedCamera> discrete, refined;
        bool moved = false; // the refinement evaluated a pose
    };
    std::vector<Rigs> rigs(starts.size());
    for (size_t r = 0; r < starts.size(); ++r) {
        for (const uint32_t row : starts[r]) {
            const Candidate& c = candidates.CandidateOf(row);
            const std::vector<uint64_t> bits(matrix.Bits(row), matrix.Bits(row) + matrix.WordCount());
            const std::vector<uint64_t> view(matrix.ViewBits(row), matrix.ViewBits(row) + matrix.WordCount());
            RefinedCamera camera{places[c.place], c.pose, c.lens,
                                 matrix.AddRow(bits.data(), matrix.Camera(row), view.data())};
            rigs[r].discrete.push_back(camera);
            camera.row = matrix.AddRow(bits.data(), matrix.Camera(row), view.data());
            rigs[r].refined.push_back(camera);
        }
    }
    if (request.refine && !result.cancelled) {
        if (progress) {
            PlacementProgress shown{"refinement",
                                    result.restartsDone,
                                    result.restarts,
                                    static_cast<double>(found.score.covered) / total,
                                    {}};
            for (const uint32_t row : starts.front())
                shown.best.push_back(placedOf(row));
            progress(shown);
        }
        for (Rigs& rig : rigs) {
            const uint64_t before = refiner.Evaluations();
            for (int round = 0; round < kRefineRounds; ++round) {
                if (!refiner.Round(rig.refined, fixedRows, request.refineEvaluations, deadline, request.search.cancel))
                    break;
            }
            rig.moved = refiner.Evaluations() > before;
        }
        result.evaluations += refiner.Evaluations();
        if (request.search.cancel && request.search.cancel->load()) {
            result.cancelled = result.stopped = true;
            result.error = "cancelled";
            result.seconds = seconds();
            return result;
        }
    }

    stageDone("refinement");
    // Snapped to mountable steps in turn, each kept clear of the cameras
    // before it: of the steps on either side of each coordinate and angle,
    // the one that scores best with the others, the nearest on a tie, so a
    // snap loses no view or marker point that a neighbouring step keeps.
    CRigScorer snapScorer(matrix, rule);
    auto snap = [&](std::vector<RefinedCamera> cameras) {
        for (size_t k = 0; k < cameras.size(); ++k) {
            RefinedCamera& camera = cameras[k];
            std::vector<uint32_t> others = fixedRows;
            for (size_t j = 0; j < cameras.size(); ++j) {
                if (j != k)
                    others.push_back(cameras[j].row);
            }
            const int dims = geometry.Dimensions(camera.place);
            const std::array<double, 2> lo = geometry.Lower(camera.place), hi = geometry.Upper(camera.place);
            double scale = 1.0;
            if (camera.place.kind == MountKind::Segment) {
                const MountSegment& segment = geometry.Mounts().segments[static_cast<size_t>(camera.place.index)];
                scale = Length(segment.b - segment.a);
            }
            // In the closing figures' share of the time each coordinate takes its nearest step alone.
            const size_t most = Clock::now() >= refineEnd ? 1 : 3;
            auto nearest = [most](std::vector<double> choices) {
                choices.resize(std::min(choices.size(), most));
                return choices;
            };
            std::vector<double> us{camera.place.u}, vs{camera.place.v};
            if (dims > 0)
                us = nearest(SnapChoices(camera.place.u * scale, kSnapMetres, lo[0] * scale, hi[0] * scale));
            if (dims > 1)
                vs = nearest(SnapChoices(camera.place.v, kSnapMetres, lo[1], hi[1]));
            std::vector<MountPlace> fitting;
            for (const double u : us) {
                for (const double v : vs) {
                    MountPlace place = camera.place;
                    place.u = dims > 0 ? u / scale : place.u;
                    place.v = dims > 1 ? v : place.v;
                    if (refiner.Fits(place, others))
                        fitting.push_back(place);
                }
            }
            if (fitting.empty())
                fitting.push_back(camera.place);
            const std::vector<double> hs = nearest(SnapChoices(camera.pose.hTilt, kSnapDegrees, -1e9, 1e9));
            std::vector<double> vTilts = nearest(SnapChoices(camera.pose.vTilt, kSnapDegrees, -90.0, 90.0));
            if (vTilts.empty())
                vTilts.push_back(std::clamp(std::round(camera.pose.vTilt / kSnapDegrees) * kSnapDegrees, -90.0, 90.0));
            snapScorer.Assign(others);
            RefinedCamera best = camera;
            std::optional<RigScore> bestScore;
            for (const MountPlace& place : fitting) {
                for (const double h : hs) {
                    for (const double v : vTilts) {
                        RefinedCamera trial = camera;
                        trial.place = place;
                        trial.pose = refiner.PoseAt(place, h, v);
                        refiner.StoreRow(trial);
                        const RigScore score = snapScorer.ScoreWith(trial.row);
                        if (!bestScore || score > *bestScore) {
                            bestScore = score;
                            best = trial;
                        }
                    }
                }
            }
            camera = best;
            refiner.StoreRow(camera);
        }
        std::vector<PlanningCamera> all = rig;
        for (const RefinedCamera& camera : cameras)
            all.push_back(
                PlacedPlanningCamera(models[camera.model], camera.pose, request.userOrigin, request.planning));
        return std::make_pair(cameras, EvaluateRig(all, fineSamples, rule));
    };
    // Of each rig as found and as refined (a refinement that moved nothing
    // leaves one to snap), the best by the objective; the earlier on a tie.
    std::optional<std::pair<std::vector<RefinedCamera>, PlacementFigures>> best;
    for (const Rigs& rig : rigs) {
        auto asFound = snap(rig.discrete);
        if (!best)
            result.unrefined = asFound.second;
        if (!best || BetterFigures(asFound.second, best->second, request.objective))
            best = std::move(asFound);
        if (!rig.moved)
            continue;
        auto moved = snap(rig.refined);
        if (BetterFigures(moved.second, best->second, request.objective))
            best = std::move(moved);
    }
    result.after = best->second;
    for (const RefinedCamera& camera : best->first)
        result.placed.push_back(Placed(geometry, camera.place, camera.pose, models[camera.model]));
    stageDone("figures");
    result.ok = true;
    result.seconds = seconds();
    return result;
}

} // namespace

PlacementResult RunPlacement(const PlacementRequest& request,
                             const std::function<void(const PlacementProgress&)>& progress)
{
    // The estimate keeps a placement within the memory it may take; an
    // allocation that fails all the same is a refusal, not an abort, and so
    // is anything else thrown: a window's worker has nobody to catch it.
    PlacementResult result;
    try {
        return Place(request, progress);
    } catch (const std::bad_alloc&) {
        result.error = OutOfMemoryText(request.remedyNames);
    } catch (const std::exception& error) {
        result.error = std::string("the placement stopped on an error: ") + error.what();
    }
    return result;
}
