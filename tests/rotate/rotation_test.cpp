// Turning end points and arc centres about the rotation centre.
#include <gtest/gtest.h>

#include <cstring>

#include "rotate/rotation.h"

namespace {

WordValues point(double x, double y, double z = 0.0, double i = 0.0, double j = 0.0) {
    WordValues values = {};
    values.v[WORD_X] = x;
    values.v[WORD_Y] = y;
    values.v[WORD_Z] = z;
    values.v[WORD_I] = i;
    values.v[WORD_J] = j;
    return values;
}

WordValues turned(const WordValues &current, double angle_degrees, double cx = 0.0, double cy = 0.0,
                  const WordValues &previous = WordValues{}, const WordValues &previous_rotated = WordValues{}) {
    double centre[3] = {cx, cy, 0.0};
    double angle[3] = {angle_degrees, 123.0, 456.0};
    WordValues out = {};
    EXPECT_EQ(0, rotate_position(previous, current, previous_rotated, out, centre, angle));
    return out;
}

TEST(Rotation, AngleZeroIsABitExactCopy) {
    WordValues source = {{12.34567891, -0.00012, 5.5, 1.0000001, -2.5, 3.25, 0.7, 9.1}};
    WordValues out = turned(source, 0.0, 7.0, 8.0);
    EXPECT_EQ(0, std::memcmp(&source, &out, sizeof source));
}

TEST(Rotation, QuarterTurnsAboutOriginAndAboutAPoint) {
    WordValues a = turned(point(10, 0, -3.5), 90.0);
    EXPECT_EQ(0.0, a.v[WORD_X]);  // rounds to "0." and reads back as 0
    EXPECT_EQ(10.0, a.v[WORD_Y]);
    EXPECT_EQ(-3.5, a.v[WORD_Z]);

    WordValues b = turned(point(20, 10), 90.0, 10.0, 10.0);
    EXPECT_EQ(10.0, b.v[WORD_X]);
    EXPECT_EQ(20.0, b.v[WORD_Y]);

    // Clockwise for a negative angle, and the usual 120-degree values rounded to 0.001.
    WordValues c = turned(point(10, 0), -90.0);
    EXPECT_EQ(0.0, c.v[WORD_X]);
    EXPECT_EQ(-10.0, c.v[WORD_Y]);
    WordValues d = turned(point(10, 0), 120.0);
    EXPECT_EQ(-5.0, d.v[WORD_X]);
    EXPECT_EQ(8.66, d.v[WORD_Y]);
}

TEST(Rotation, CentreStaysAndFullTurnsComeBackAfterRounding) {
    for (double angle : {33.0, 90.0, 181.5, -270.0}) {
        WordValues on_centre = turned(point(-7.25, 3.5), angle, -7.25, 3.5);
        EXPECT_EQ(-7.25, on_centre.v[WORD_X]) << angle;
        EXPECT_EQ(3.5, on_centre.v[WORD_Y]) << angle;
    }
    for (double angle : {360.0, -360.0}) {
        WordValues far = turned(point(10000.0, -123.456), angle);
        EXPECT_EQ(10000.0, far.v[WORD_X]) << angle;
        EXPECT_EQ(-123.456, far.v[WORD_Y]) << angle;
    }
    // Values that come out within half a micron of zero are stored as 0.
    WordValues tiny = turned(point(0.0001, 0.0002), 45.0);
    EXPECT_EQ(0.0, tiny.v[WORD_X]);
    EXPECT_EQ(0.0, tiny.v[WORD_Y]);
}

TEST(Rotation, ArcCentreIsMeasuredFromTheStartPointAsWritten) {
    // The start point already turned: the offsets turn with the path.
    WordValues from_rotated = turned(point(10, 0, -1, 5, 0), 90.0, 0, 0, point(0, 0), point(0, 0));
    EXPECT_EQ(0.0, from_rotated.v[WORD_I]);
    EXPECT_EQ(5.0, from_rotated.v[WORD_J]);

    // The start point written unrotated: the centre (15, 0) turns to (0, 15) and is
    // measured from (10, 0), where the tool really is.
    WordValues from_unrotated = turned(point(20, 0, -1, 5, 0), 90.0, 0, 0, point(10, 0), point(10, 0));
    EXPECT_EQ(-10.0, from_unrotated.v[WORD_I]);
    EXPECT_EQ(15.0, from_unrotated.v[WORD_J]);
    EXPECT_EQ(0.0, from_unrotated.v[WORD_X]);
    EXPECT_EQ(20.0, from_unrotated.v[WORD_Y]);

    // Only J given is still an arc; R, Q and K pass unchanged.
    WordValues only_j = point(0, 10, 0, 0, 5);
    only_j.v[WORD_R] = 2.5;
    only_j.v[WORD_Q] = -1.25;
    only_j.v[WORD_K] = 4.0;
    WordValues j_arc = turned(only_j, 90.0, 0, 0, point(0, 0), point(0, 0));
    EXPECT_EQ(-5.0, j_arc.v[WORD_I]);
    EXPECT_EQ(0.0, j_arc.v[WORD_J]);
    EXPECT_EQ(2.5, j_arc.v[WORD_R]);
    EXPECT_EQ(-1.25, j_arc.v[WORD_Q]);
    EXPECT_EQ(4.0, j_arc.v[WORD_K]);

    // Neither I nor J: no arc, the offsets are not rebuilt from the previous point.
    WordValues straight = turned(point(10, 0), 90.0, 0, 0, point(3, 4), point(7, 8));
    EXPECT_EQ(0.0, straight.v[WORD_I]);
    EXPECT_EQ(0.0, straight.v[WORD_J]);
}

TEST(Rotation, EachCallTurnsByItsOwnAngle) {
    // Drivers turn copy after copy by different angles, back and forth: no call
    // may be turned by the angle of the call before it.
    const double angles[] = {90.0, 120.0, 90.0, -90.0, 0.0, 120.0, 120.0, -90.0};
    const double x[] = {0.0, -5.0, 0.0, 0.0, 10.0, -5.0, -5.0, 0.0};
    const double y[] = {10.0, 8.66, 10.0, -10.0, 0.0, 8.66, 8.66, -10.0};
    for (size_t i = 0; i < sizeof angles / sizeof angles[0]; ++i) {
        WordValues out = turned(point(10, 0), angles[i]);
        EXPECT_EQ(x[i], out.v[WORD_X]) << i;
        EXPECT_EQ(y[i], out.v[WORD_Y]) << i;
    }
}

}  // namespace
