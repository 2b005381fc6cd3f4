// Short Japanese words (code page 932) for a motion and for the part of it
// that differs, as the check reports a mismatch to the programmer.
#pragma once

#include <string>

#include "toolpath/model.h"

// What two paired motions differ in; DIFFERENCE_NONE when they match.
enum Difference {
    DIFFERENCE_NONE,
    DIFFERENCE_KIND,      // another kind of motion
    DIFFERENCE_END,       // end point (a hole's X, Y and return level)
    DIFFERENCE_START,     // a cut begins elsewhere, a rapid sets out low from elsewhere
    DIFFERENCE_CENTRE,    // arc centre
    DIFFERENCE_HOLE,      // R level, bottom, Q, P or cycle code
    DIFFERENCE_HOME,      // axes or reference of a return, machine positions
    DIFFERENCE_DWELL,     // dwell time
    DIFFERENCE_CODE,      // M00 / M01, M02 / M30
    DIFFERENCE_WORK,      // work offset
    DIFFERENCE_TOOL,      // tool
    DIFFERENCE_LENGTH,    // tool length compensation
    DIFFERENCE_CUTTER,    // cutter compensation
    DIFFERENCE_SPINDLE,   // spindle direction or speed
    DIFFERENCE_COOLANT,   // coolant
    DIFFERENCE_DISTANCE,  // G90 / G91
    DIFFERENCE_FEED_MODE,  // G94 / G95
    DIFFERENCE_CUTTING_MODE,  // G61 .. G64
    DIFFERENCE_FEED,      // feed
    DIFFERENCE_FRAME      // G92 coordinate frame
};

// "早送り X10.000 Y0.000 Z5.000" and the like.
void describe_motion(const Motion &motion, std::string &text);
// The motion with the detail the difference is about ("... 始点 X.. Y.. Z..").
void describe_with_difference(const Motion &motion, int difference, std::string &text);
// "X10.000 Y? Z5.000": a point, unknown axes as "?".
void describe_point(const Point3 &point, std::string &text);
