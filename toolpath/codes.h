// The G and M codes the tool-path model knows: what each one does and which
// codes may not share a block.
#pragma once

// What a G code does in the model.
enum CodeRole {
    ROLE_UNKNOWN,             // not in the table: refused
    ROLE_REFUSED,             // known, and refused with its own reason
    ROLE_NONE,                // accepted, no geometry
    ROLE_MOTION,              // G00 .. G03
    ROLE_DWELL,               // G04
    ROLE_P_MODE,              // G05, G08: P is a mode flag
    ROLE_Q_MODE,              // G05.1: Q is a mode flag
    ROLE_DATA_SETTING,        // G10
    ROLE_REFERENCE,           // G28, G30
    ROLE_MACHINE,             // G53
    ROLE_COORDINATE_SETTING,  // G92
    ROLE_CUTTER,              // G40 .. G42
    ROLE_LENGTH,              // G43, G44, G49
    ROLE_WORK,                // G54 .. G59, G54.1
    ROLE_CYCLE,               // G73, G74, G81 .. G89
    ROLE_CYCLE_CANCEL,        // G80
    ROLE_DISTANCE,            // G90, G91
    ROLE_RETURN_LEVEL,        // G98, G99
    ROLE_FEED_MODE,           // G94, G95: what F means
    ROLE_CUTTING_MODE         // G61 .. G64: how the path runs through corners
};

struct GCodeInfo {
    int role;
    int group;             // two codes of one group may not share a block
    const char *refusal;   // ROLE_REFUSED: why, in code page 932
};

// code is the G number times ten plus its decimal (G54.1 is 541).
GCodeInfo g_code_info(int code);

// What an M code does in the model.
enum MRole {
    M_NONE,          // accepted, no effect
    M_STOP,          // M00, M01
    M_END,           // M02, M30
    M_SPINDLE,       // M03, M04, M05
    M_TOOL_CHANGE,   // M06
    M_COOLANT_ON,    // M07, M08
    M_COOLANT_OFF,   // M09
    M_REFUSED        // M98, M99, M198
};
int m_code_role(int code);

// "G01", "G54.1": the code as a program writes it, into text (at least 12 bytes).
void format_g_code(int code, char *text, int size);
