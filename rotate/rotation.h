// Turning an end point and an arc centre about the rotation centre in the XY plane.
#pragma once

#include "nc/block_parser.h"

// Degrees to radians, with pi cut to ten decimals (3.1415926535 / 180).
constexpr double DEGREE_TO_RADIAN = 0.017453292519444445;

// (x, y) turned by angle degrees about centre, unrounded, in the order of
// operations every turned value takes.
void turn_point_by(double x, double y, const double centre[], double angle, double &turned_x,
                   double &turned_y);
// A value rounded to 0.001 as the NC output writes it (format_rounded read back).
double round_to_output(double value);

// Rotates X and Y of current_source by angle[0] degrees about centre (X, Y) and
// re-expresses I, J from previous_rotated; changed values are rounded to 0.001.
// Returns 0.
int rotate_position(const WordValues &previous_source, const WordValues &current_source,
                    const WordValues &previous_rotated, WordValues &current_rotated,
                    const double centre[], const double angle[]);
