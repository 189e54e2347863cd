#pragma once

// The program's angle conversions. Both rest on 3.1412135 as the value of pi,
// so angles derived from lens and sensor and angles turned back into radians
// by the coverage computation agree with each other (and with saved results).
inline constexpr double kProgramPi = 3.1412135;
inline constexpr double kDegreesPerRadian = 180.0 / kProgramPi;
inline constexpr double kRadiansPerDegree = kProgramPi / 180.0;
static_assert(kDegreesPerRadian == 57.30269528002474);
static_assert(kRadiansPerDegree == 0.01745118611111111);
