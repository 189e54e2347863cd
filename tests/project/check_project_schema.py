#!/usr/bin/python3
"""Every project file the program writes validates against docs/project.schema.json.

Usage: check_project_schema.py SCHEMA CLI SCRATCH_DIR
"""
import json
import pathlib
import subprocess
import sys

import jsonschema

schema_path, cli, scratch = sys.argv[1], sys.argv[2], pathlib.Path(sys.argv[3])
scratch.mkdir(parents=True, exist_ok=True)
schema = json.loads(pathlib.Path(schema_path).read_text())
jsonschema.Draft202012Validator.check_schema(schema)
validator = jsonschema.Draft202012Validator(schema)

# The plans the command line writes: the defaults, every field set, custom
# sensors, and one loaded and saved again.
plans = {
    "default": [],
    "full": ["--room", "30,20,12", "--units", "f", "--default-rig", "6", "--disable", "2", "--range", "2,4",
             "--voxel", "25", "--iso", ">=,2", "--res", ">,0.705,<,0.75", "--resolution-camera", "3",
             "--marker-mm", "9", "--angle-range", "30,150"],
    "custom": ["--default-rig", "2", "--sensor-px", "2048,1088"],
    "obstacles": ["--obstacle-box", "1,0,1,2,1.5,2", "--obstacle-box", "3,0,0.5,3.4,4,0.9"],
}
checks = failures = 0
for name, options in plans.items():
    path = scratch / f"{name}.vplan"
    subprocess.run([cli, "rig", *options, "--save-project", str(path)], check=True, stdout=subprocess.DEVNULL)
    again = scratch / f"{name}-again.vplan"
    subprocess.run([cli, "rig", "--project", str(path), "--save-project", str(again)], check=True,
                   stdout=subprocess.DEVNULL)
    for written in (path, again):
        checks += 1
        errors = list(validator.iter_errors(json.loads(written.read_text())))
        for error in errors:
            print(f"{written.name}: {'/'.join(map(str, error.path))}: {error.message}")
        failures += len(errors)

# A plan with placed cameras, its mounts and its target.
placed = scratch / "placed.vplan"
subprocess.run([cli, "place", "--room", "6,5,3", "--count", "2", "--sample-step", "1", "--restarts", "1",
                "--mount", "z0,ceiling", "--mount-height", "2,2.8", "--target", "1,0,1,5,2,4",
                "--save-project", str(placed)], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
checks += 1
errors = list(validator.iter_errors(json.loads(placed.read_text())))
for error in errors:
    print(f"{placed.name}: {'/'.join(map(str, error.path))}: {error.message}")
failures += len(errors)
bad = json.loads(placed.read_text())
bad["placement"]["mounts"]["walls"] = ["north"]
checks += 1
if validator.is_valid(bad):
    print("an unknown wall passed the schema")
    failures += 1

# The schema refuses what the program refuses.
bad = json.loads((scratch / "full.vplan").read_text())
bad["voxel_cm"] = -1
checks += 1
if validator.is_valid(bad):
    print("a negative voxel size passed the schema")
    failures += 1
# A box without its max corner.
bad = json.loads((scratch / "obstacles.vplan").read_text())
del bad["obstacles"][0]["max"]
checks += 1
if validator.is_valid(bad):
    print("a box without a max corner passed the schema")
    failures += 1
# The Planner view is remembered; a style the program does not draw is refused.
planner = json.loads((scratch / "full.vplan").read_text())
planner["view"] = {"style": "planner"}
checks += 1
if not validator.is_valid(planner):
    print("a plan in the Planner view failed the schema")
    failures += 1
planner["view"]["style"] = "fancy"
checks += 1
if validator.is_valid(planner):
    print("an unknown view style passed the schema")
    failures += 1
# A rig read from a calibration: its camera keeps the principal point and the
# distortion; distortion without the point is refused.
calibration = scratch / "calibration.toml"
calibration.write_text('[cam_0]\nname = "a"\nsize = [ 1280, 1024 ]\n'
                       'matrix = [ [ 1600.0, 0.0, 640.5 ], [ 0.0, 1590.0, 511.5 ], [ 0.0, 0.0, 1.0 ] ]\n'
                       'distortions = [ -0.21, 0.05, 0.001, -0.002, 0.0 ]\n'
                       'rotation = [ 0.0, 0.0, 0.0 ]\ntranslation = [ 0.0, 0.0, 0.0 ]\n')
built = scratch / "built.vplan"
subprocess.run([cli, "rig", "--as-built", str(calibration), "--save-project", str(built)], check=True,
               stdout=subprocess.DEVNULL)
lens = json.loads(built.read_text())
checks += 1
errors = list(validator.iter_errors(lens))
for error in errors:
    print(f"{built.name}: {'/'.join(map(str, error.path))}: {error.message}")
failures += len(errors)
if lens["cameras"][0].get("principal_point_px") != [640.5, 511.5]:
    print("the calibrated principal point is not in the project")
    failures += 1
del lens["cameras"][0]["principal_point_px"]
checks += 1
if validator.is_valid(lens):
    print("a distortion without its principal point passed the schema")
    failures += 1
print(f"{checks} checks, {failures} failures")
sys.exit(1 if failures else 0)
