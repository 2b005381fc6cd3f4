// Moves the composition writes of its own: bringing the output tool back over
// the source tool's point, turned, before a move that must start there (a cut,
// an increment, a hole), and the approach of a copy. They are rapids only, up,
// across at the clearance height, and down to a point the source reached by a
// rapid itself, so they never cut.
#include <cmath>

#include "rotate/pass.h"
#include "rotate/rotation.h"
#include "rotate/turned_blocks.h"

namespace {

const double STEP_TOLERANCE = 0.0011;  // the output's rounding, turned

int both_xy_known(const MachineTrack &track) { return track.known[0] && track.known[1]; }

// The clearance the tool travels across at: the highest Z the source stood at
// since its last setup line, and never lower than the point to reach.
double clearance_over(const MachineTrack &src, double point_z) {
    return src.clearance_known && src.clearance > point_z ? src.clearance : point_z;
}

// Up to the clearance, across to the point, and down (or up) to its Z. A
// descent is refused unless down_allowed: the source reached the point by a rapid.
int travel_to(Pass &pass, const LineInfo &info, const double target[3], double clearance, int down_allowed) {
    const MachineTrack &out = pass.out;
    bool across = !(out.known[0] && out.known[1] && std::fabs(out.pos[0] - target[0]) <= 1e-9 &&
                    std::fabs(out.pos[1] - target[1]) <= 1e-9);
    // A tool whose Z is not known stands at a reference height, above everything.
    if (across && out.known[2] && out.pos[2] < clearance) {
        double up[3] = {0.0, 0.0, clearance};
        int axes[3] = {0, 0, 1};
        if (write_composition_rapid(pass, info, up, axes) < 0) return -1;
    }
    if (across) {
        int axes[3] = {1, 1, 0};
        if (write_composition_rapid(pass, info, target, axes) < 0) return -1;
    }
    bool level = pass.out.known[2] && std::fabs(pass.out.pos[2] - target[2]) <= 1e-9;
    if (level) return 0;
    bool down = !pass.out.known[2] || pass.out.pos[2] > target[2];
    if (down && !down_allowed) {
        return refuse_line(pass, info, "切削中の位置へ早送りで戻ることになるため回転できません");
    }
    int axes[3] = {0, 0, 1};
    return write_composition_rapid(pass, info, target, axes);
}

}  // namespace

void turning_centre(const Pass &pass, double centre[2]) {
    centre[0] = pass.centre[0] - pass.src.frame_delta[0];
    centre[1] = pass.centre[1] - pass.src.frame_delta[1];
}

void turn_xy(const Pass &pass, double x, double y, double &turned_x, double &turned_y) {
    if (!pass.rotated) {
        turned_x = x;
        turned_y = y;
        return;
    }
    double centre[2];
    turning_centre(pass, centre);
    if (pass.turned_valid && pass.turned_from[0] == x && pass.turned_from[1] == y && pass.turned_angle == pass.angle &&
        pass.turned_centre[0] == centre[0] && pass.turned_centre[1] == centre[1]) {
        turned_x = pass.turned_to[0];
        turned_y = pass.turned_to[1];
        return;
    }
    double tx = 0.0;
    double ty = 0.0;
    turn_point_by(x, y, centre, pass.angle, tx, ty);
    turned_x = round_to_output(tx);
    turned_y = round_to_output(ty);
    pass.turned_from[0] = x;
    pass.turned_from[1] = y;
    pass.turned_to[0] = turned_x;
    pass.turned_to[1] = turned_y;
    pass.turned_angle = pass.angle;
    pass.turned_centre[0] = centre[0];
    pass.turned_centre[1] = centre[1];
    pass.turned_valid = 1;
}

int xy_in_step(const Pass &pass) {
    const MachineTrack &src = pass.src;
    const MachineTrack &out = pass.out;
    if (both_xy_known(src) && both_xy_known(out)) {
        double tx = 0.0;
        double ty = 0.0;
        turn_xy(pass, src.pos[0], src.pos[1], tx, ty);
        return std::fabs(out.pos[0] - tx) <= STEP_TOLERANCE && std::fabs(out.pos[1] - ty) <= STEP_TOLERANCE;
    }
    // Neither position is known: in step only where both tools stand at one
    // point, and a turned pass cannot say where that point turns to.
    if (both_xy_known(src) || both_xy_known(out)) return 0;
    return !pass.rotated && pass.d_known[0] && pass.d_known[1] && std::fabs(pass.d[0]) <= 1e-9 &&
           std::fabs(pass.d[1]) <= 1e-9;
}

int z_in_step(const Pass &pass) {
    if (pass.src.known[2] && pass.out.known[2]) return std::fabs(pass.out.pos[2] - pass.src.pos[2]) <= 1e-9;
    if (pass.src.known[2] || pass.out.known[2]) return 0;
    return pass.d_known[2] && std::fabs(pass.d[2]) <= 1e-9;
}

int out_below_clearance(const Pass &pass) {
    if (!pass.out.known[2]) return 0;
    double point_z = pass.src.known[2] ? pass.src.pos[2] : pass.out.pos[2];
    return pass.out.pos[2] < clearance_over(pass.src, point_z) - 1e-9;
}

int return_over_source(Pass &pass, const LineInfo &info, int need_z) {
    const MachineTrack &src = pass.src;
    bool xy_ok = xy_in_step(pass);
    bool z_ok = !need_z || z_in_step(pass);
    if (xy_ok && z_ok) return 0;
    if (!xy_ok && !both_xy_known(src)) {
        return refuse_line(pass, info, "工具のXY位置が不明なため回転した経路へ戻れません");
    }
    if (!src.known[2]) {
        // The source stands at a reference point in Z: so does the output, after
        // the same reference return; across there, nothing else. Anywhere else
        // an unknown Z may be low: no travel there.
        if (!z_ok || !src.z_at_reference) {
            return refuse_line(pass, info, "工具のZ位置が不明なため回転した経路へ戻れません");
        }
        double target[3] = {0.0, 0.0, 0.0};
        turn_xy(pass, src.pos[0], src.pos[1], target[0], target[1]);
        int axes[3] = {1, 1, 0};
        return write_composition_rapid(pass, info, target, axes);
    }
    double target[3] = {0.0, 0.0, src.pos[2]};
    turn_xy(pass, src.pos[0], src.pos[1], target[0], target[1]);
    double clearance = clearance_over(src, src.pos[2]);
    // A move that sets its own Z needs the tool over the point, not at it:
    // up to the clearance where it is lower, and across.
    if (!need_z) {
        if (pass.out.known[2] && pass.out.pos[2] < clearance) {
            double up[3] = {0.0, 0.0, clearance};
            int axes[3] = {0, 0, 1};
            if (write_composition_rapid(pass, info, up, axes) < 0) return -1;
        }
        int axes[3] = {1, 1, 0};
        return write_composition_rapid(pass, info, target, axes);
    }
    // Down to the source's point only where the source came by a rapid itself:
    // anywhere lower it was cutting, and a rapid there would cut.
    return travel_to(pass, info, target, clearance, src.z_by_rapid);
}

void restore_mode(Pass &pass, int wanted, int &held, int power_on) {
    int want = wanted != 0 ? wanted : power_on;
    int have = held != 0 ? held : power_on;
    if (want == have) return;
    text_printf(*pass.output, "G%02d\n", want);
    held = want;
}

int approach_point(Pass &pass, const double target_source[3], double clearance, const LineInfo &info) {
    double target[3] = {0.0, 0.0, target_source[2]};
    turn_xy(pass, target_source[0], target_source[1], target[0], target[1]);
    double height = clearance > target[2] ? clearance : target[2];
    // The approach point is where the source's rapids ended before it cut.
    return travel_to(pass, info, target, height, 1);
}
