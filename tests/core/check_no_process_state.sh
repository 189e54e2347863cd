#!/bin/sh
# The computation, the plan and its files, the exports, the report and the
# command line read no process-wide state: no scene settings, camera set or
# drawing colours of the process, no g_ variable, none of the classic
# window's coverage parameters, planning settings or crossings to the plan,
# and nothing of classic/. A plain grep of the source tree given, so it runs
# without the repository's history. The one file left out holds the
# calibration partner's signal-handler state, which moves to a place of its
# own.
set -eu
root=$1
forbidden='\bGetSceneSettings\b|\b(Create|Destroy)SceneSettings\b|CCameraSet::(Instance|Current|DestroyInstance)\b'
forbidden="$forbidden"'|\b(Get|Create|Destroy)DrawColor\b|\bg_[A-Za-z0-9_]+'
forbidden="$forbidden"'|\bClassic(CoverageInput|Filters|RigCameraCount|CoverageSource)\b|\bCapturePlan\b|\bApplyPlan *\('
forbidden="$forbidden"'|\b(Get|Set)VoxelSize\b|\b(Get|Set)Iso(Threshold|Operator)\b|\b(Get|Set)Res(Operator|Bound)[12]\b'
forbidden="$forbidden"'|\b(Get|Set|Reset)PlanningSettings\b|\bResetCoverageParameters\b|\bIsoConditionHolds\b'
forbidden="$forbidden"'|#[[:space:]]*include[[:space:]]*[<"]classic/'
cd "$root"
found=$(grep -rnE --include='*.h' --include='*.cpp' "$forbidden" coverage project exports report cli |
    grep -v '^cli/CalibrationMain\.cpp:' || true)
if [ -n "$found" ]; then
    echo "$found"
    echo "process-wide state is read where only values may be: pass them in (a Plan, a CoverageInput, settings)" >&2
    exit 1
fi
