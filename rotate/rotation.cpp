// Turning one block's end point, and the centre of its arc, about the rotation
// centre in the XY plane. Every value turned is rounded to 0.001 so that the
// writer and the move file see the NC output's own resolution.
#include "rotate/rotation.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "nc/number_format.h"

namespace {

// Rounds as the text form the log shows reads back, so a rotated coordinate and
// its printed value can never disagree.
double round_to_micron(double value) { return rounded_value(value); }

// Turns the point (x, y) about the centre with the sine and cosine of the
// negated angle, in exactly this order of operations.
void turn_point(double x, double y, const double centre[], double s, double c, double &turned_x,
                double &turned_y) {
    double dx = x - centre[0];
    double dy = y - centre[1];
    turned_x = dy * s + dx * c + centre[0];
    turned_y = dy * c - dx * s + centre[1];
}

// The sine and cosine of t. A driver turns every block of a pass by the same
// angle, so the last pair is kept and handed out again while t is the same
// double, bit for bit: sin and cos are pure functions of those bits, so the
// pair is the very one they would compute again. The statics are only this
// memo of a math function; the program has one thread.
void sine_and_cosine(double t, double &s, double &c) {
    static uint64_t memo_bits = 0;
    static bool memo_valid = false;
    static double memo_sine = 0.0;
    static double memo_cosine = 0.0;
    uint64_t bits = 0;
    std::memcpy(&bits, &t, sizeof bits);
    if (!memo_valid || bits != memo_bits) {
        memo_sine = std::sin(t);
        memo_cosine = std::cos(t);
        memo_bits = bits;
        memo_valid = true;
    }
    s = memo_sine;
    c = memo_cosine;
}

}  // namespace

void turn_point_by(double x, double y, const double centre[], double angle, double &turned_x,
                   double &turned_y) {
    double t = -(angle * DEGREE_TO_RADIAN);
    double s = 0.0;
    double c = 0.0;
    sine_and_cosine(t, s, c);
    turn_point(x, y, centre, s, c, turned_x, turned_y);
}

double round_to_output(double value) { return round_to_micron(value); }

int rotate_position(const WordValues &previous_source, const WordValues &current_source,
                    const WordValues &previous_rotated, WordValues &current_rotated,
                    const double centre[], const double angle[]) {
    current_rotated = current_source;
    if (angle[0] == 0.0) return 0;

    double t = -(angle[0] * DEGREE_TO_RADIAN);
    double s = 0.0;
    double c = 0.0;
    sine_and_cosine(t, s, c);

    double x = 0.0;
    double y = 0.0;
    turn_point(current_source.v[WORD_X], current_source.v[WORD_Y], centre, s, c, x, y);
    current_rotated.v[WORD_X] = round_to_micron(x);
    current_rotated.v[WORD_Y] = round_to_micron(y);

    // A block with neither I nor J is no I/J arc: Z, I, J, R, Q, K stay as read.
    if (current_source.v[WORD_I] == 0.0 && current_source.v[WORD_J] == 0.0) return 0;

    // The arc centre is rebuilt from the unrotated start point and then measured
    // from the start point as it was written, rotated or not.
    double arc_x = current_source.v[WORD_I] + previous_source.v[WORD_X];
    double arc_y = previous_source.v[WORD_Y] + current_source.v[WORD_J];
    double turned_arc_x = 0.0;
    double turned_arc_y = 0.0;
    turn_point(arc_x, arc_y, centre, s, c, turned_arc_x, turned_arc_y);
    current_rotated.v[WORD_I] = round_to_micron(turned_arc_x - previous_rotated.v[WORD_X]);
    current_rotated.v[WORD_J] = round_to_micron(turned_arc_y - previous_rotated.v[WORD_Y]);
    return 0;
}
