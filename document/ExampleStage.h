#pragma once

#include "project/Plan.h"

// The example a newcomer opens from the welcome page: a 10 x 8 x 4 m stage
// with eight cameras (at the corners and the middle of the walls under the
// ceiling, all aimed at the middle of the floor), a riser on it and a target
// volume over the floor, which the rig does not yet meet: a plan to work on,
// as any other, with no file.
Plan ExampleStagePlan();
